#pragma once

#include "widgets/MsgBox.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <functional>
#include <memory>

class Connection;
class frmVantor;
class QListWidget;
class QWidget;

// Answers every message box of the program and remembers it. Answers are taken from the
// queue in order; with none queued, OK boxes get OK and Yes/No boxes get No.
class MsgSpy {
public:
    MsgSpy();
    ~MsgSpy();
    void answer(MsgResult r) { m_answers << r; }
    int count() const { return int(calls.size()); }
    QString lastText() const { return calls.isEmpty() ? QString() : calls.last().text; }
    bool saw(const QString& text) const;
    void clear() { calls.clear(); }
    QList<MsgBoxCall> calls;

private:
    QList<MsgResult> m_answers;
};

// Runs action on the next modal window that opens, for a click that opens one.
void OnNextModal(std::function<void(QWidget*)> action, int timeoutMs = 5000);

// A fresh program folder with its own settings file and database, for one test.
class TestEnv {
public:
    TestEnv();
    ~TestEnv();

    QString folder() const { return m_dir.path(); }
    QString dbPath() const;
    Connection& db();

    // The main window, loaded and shown as start-up leaves it.
    std::unique_ptr<frmVantor> openWindow();

    qint64 addTitle(const QString& title, const QVariant& comments = {});
    qint64 addVersion(qint64 softwareId, const QString& number, const QDate& date);
    qint64 addChange(qint64 releaseId, const QString& change);
    qint64 addFile(qint64 releaseId, const QString& file, const QString& version,
                   const QDate& date);
    qint64 addProblem(qint64 softwareId, const QVariant& problem, const QVariant& solution);

    // The first column of the first row of a query, or a null value.
    QVariant scalar(const QString& sql, const QVariantList& values = {});
    int count(const QString& table);

    MsgSpy msgs;

private:
    qint64 insert(const QString& sql, const QVariantList& values);
    QTemporaryDir m_dir;
};

// Clicks a line of a list with the mouse, as the user does: the press makes the line current
// before it selects it.
void ClickLine(QListWidget* list, int row);

// Picks a title in the window's list as the user does.
void SelectTitle(frmVantor& w, const QString& title);
