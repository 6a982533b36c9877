#pragma once

// What the fault suite's two parts share: the bad texts, snapshots of every row, and the counts
// of its summary line. One part types bad texts through the real dialogs and boxes
// (faults_badinput.cpp), the other makes the file system, the disk, other processes and the
// settings file fail underneath (tst_faults.cpp).
#include "tests/TestSupport.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QVariantList>

class Connection;
class QAbstractButton;
class QListWidget;

// The counts the suite prints at its end.
inline int g_badInputs = 0;
inline int g_faults = 0;
inline int g_rowsHarmed = 0;

// The texts a user may type or paste into any box.
struct BadText {
    const char* name;
    QString text;
};
QList<BadText> badTexts();

// Every row of every table, by table and key ("Versions:12").
using Rows = QMap<QString, QVariantList>;
Rows snapshot(Connection& db);
// Rows lost, changed or added other than those the command was asked to touch; they are
// counted for the summary.
QStringList unasked(const Rows& before, const Rows& after, const QStringList& asked = {});
// The key, as snapshot names it, of the newest row of a table.
QString newestKey(TestEnv& env, const char* table);

// Deletes the record just checked with the window's own command, so that big texts do not
// pile up in the lists; the delete must remove that row alone.
void deleteChecked(TestEnv& env, QAbstractButton* command, const QString& key,
                   const QByteArray& what);

// A single-line box lays a megabyte out in about a second; such texts are shown back once,
// by the title's edit dialog, and checked in the lists and the file elsewhere.
bool huge(const QString& text);
// The line of a key list that holds the key; -1 when none does.
int rowOfKey(const QListWidget* keys, qint64 key);
// A multi-line box takes a carriage return, alone or before a line feed, as one line break.
QString asShown(const QString& text);

QByteArray bytesOf(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);
// A message of the database refusing a command, naming the reason.
bool isDatabaseMessage(const MsgBoxCall& call, const QString& reason);

// A title with a version, a change, a file and a problem, and a second title; the window is
// open with the first title selected.
struct FaultFixture {
    FaultFixture();
    TestEnv env;
    qint64 title = 0, other = 0, release = 0;
    std::unique_ptr<MainWindow> w;
};

// The bad-input part of the suite; returns as QTest::qExec does.
int RunBadInputTests(int argc, char** argv);
