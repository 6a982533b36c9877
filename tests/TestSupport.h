#pragma once

#include "tests/CoreSupport.h"
#include "tests/Messages.h"
#include "tests/WindowDriver.h"
#include "widgets/MsgBox.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QAbstractButton;
class QComboBox;
class QListWidget;
class QPlainTextEdit;

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
    // Whether the database refused a command (a critical message), with reason in its words.
    bool sawDatabaseError(const QString& reason = QString()) const;
    void clear() { calls.clear(); }
    QList<MsgBoxCall> calls;

private:
    QList<MsgResult> m_answers;
};

// A fresh program folder with its own settings file and database, for one test; the database
// and its helpers are the core tests' fixture.
class TestEnv : public CoreEnv {
public:
    explicit TestEnv(Kind kind = fromEnvironment());
    ~TestEnv() override;

    // The database of this run, as the program finds it.
    QString dbPath() const override;

    // The main window, loaded and shown as start-up leaves it; with a title, that one chosen.
    std::unique_ptr<MainWindow> openWindow(const QString& title = QString());

    MsgSpy msgs;
};

// A title, what most window tests start from: a test adds its versions and records, then opens
// the window with the title chosen.
struct TitleFixture {
    explicit TitleFixture(const QString& name, const QVariant& comments = {})
        : name(name), title(env.addTitle(name, comments))
    {
    }
    qint64 addVersion(const QString& number, const QDate& date)
    {
        return env.addVersion(title, number, date);
    }
    std::unique_ptr<MainWindow> open() { return env.openWindow(name); }

    TestEnv env;
    const QString name;
    const qint64 title;
};

// Presses OK on the dialog the command opens, with texts typed into its line edits, while the
// database refuses the write (event on table); then lets the database work again and presses
// Cancel, so that anything kept back from the failed OK would be written by what follows. True
// when the dialog stayed open and the user was told why.
bool RefusedSaveStaysOpen(TestEnv& env, const char* event, const char* table,
                          QAbstractButton* command,
                          const QList<std::pair<const char*, QString>>& typed);
// Answers Yes to a delete command while the database refuses deletes from the table; true when
// the user was told why.
bool RefusedDelete(TestEnv& env, const char* table, QAbstractButton* command);

// Types the text at the end of the box, key by key, as a user does.
void typeInto(QPlainTextEdit* box, const QString& text);
// Puts the text in place of the box's whole text, as a paste over a selection does.
void typeOver(QPlainTextEdit* box, const QString& text);

// The lines of a list, and the titles of the title list, in order.
QStringList Lines(const QListWidget* list);
QStringList Titles(const QComboBox* box);

// Clicks a line of a list with the mouse, as the user does: the press makes the line current
// before it selects it.
void ClickLine(QListWidget* list, int row);

// Picks a title in the window's list as the user does.
void SelectTitle(MainWindow& w, const QString& title);
