#include "tests/TestSupport.h"

#include "core/data/Connection.h"
#include "core/settings/Settings.h"
#include "mainwindow/frmVantor.h"
#include "widgets/WindowHelpers.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QtTest>

MsgSpy::MsgSpy()
{
    SetMsgBoxHook([this](const MsgBoxCall& call) {
        calls << call;
        if (!m_answers.isEmpty())
            return m_answers.takeFirst();
        return call.buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::OK;
    });
}

MsgSpy::~MsgSpy()
{
    SetMsgBoxHook({});
}

bool MsgSpy::saw(const QString& text) const
{
    for (const MsgBoxCall& c : calls) {
        if (c.text == text)
            return true;
    }
    return false;
}

bool MsgSpy::sawDatabaseError(const QString& reason) const
{
    for (const MsgBoxCall& c : calls) {
        if (c.icon == MsgIcon::Critical && c.text.contains(reason, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

TestEnv::TestEnv(Kind kind) : CoreEnv(kind)
{
    SetStartupWaitsEnabled(false);
    SetProgramFolder(folder());
    IniFilePath = folder() + QStringLiteral("/VANTOR.INI");
    DatabasePath = DefaultDatabasePath();
    // Start-up reads the server's URI from the settings file, as a user's program does; a
    // file stays the default, so the tests of a first start still see none written.
    if (onServer())
        WriteIniSetting(QStringLiteral("Preferences"), QStringLiteral("Database"),
                        CoreEnv::dbPath());
}

TestEnv::~TestEnv()
{
    Connection::closeAll();
    SetProgramFolder(QString());
    SetDatabaseOverride(QString());
}

QString TestEnv::dbPath() const
{
    return ConfiguredDatabasePath();
}

std::unique_ptr<MainWindow> TestEnv::openWindow(const QString& title)
{
    auto form = std::make_unique<frmVantor>();
    form->Form_Load();
    form->show();
    auto w = std::make_unique<MainWindow>(std::move(form));
    if (!title.isNull())
        SelectTitle(*w, title);
    return w;
}

bool RefusedSaveStaysOpen(TestEnv& env, const char* event, const char* table,
                          QAbstractButton* command,
                          const QList<std::pair<const char*, QString>>& typed)
{
    env.msgs.clear();
    FailingWrites failing(env, event, table);
    bool stayedOpen = false;
    WorkDialog(command, [&](QDialog* dialog) {
        for (const auto& [box, text] : typed)
            child<QLineEdit>(dialog, box)->setText(text);
        Click(dialog, "cmdOK");
        stayedOpen = dialog->isVisible();
        failing.stop();
    });
    return stayedOpen && env.msgs.sawDatabaseError(FailingWrites::kReason);
}

bool RefusedDelete(TestEnv& env, const char* table, QAbstractButton* command)
{
    env.msgs.clear();
    FailingWrites failing(env, "DELETE", table);
    env.msgs.answer(MsgResult::Yes);
    command->click();
    return env.msgs.sawDatabaseError(FailingWrites::kReason);
}

void typeInto(QPlainTextEdit* box, const QString& text)
{
    box->setFocus();
    box->moveCursor(QTextCursor::End);
    QTest::keyClicks(box, text);
}

void typeOver(QPlainTextEdit* box, const QString& text)
{
    box->selectAll();
    box->insertPlainText(text);
}

QStringList Lines(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QStringList Titles(const QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

void SelectTitle(MainWindow& w, const QString& title)
{
    const int index = w.cboSoftware->findText(title, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY2(index >= 0, qPrintable(QStringLiteral("no title %1 in the list").arg(title)));
    w.cboSoftware->setCurrentIndex(index);
    emit w.cboSoftware->activated(index);
}

void ClickLine(QListWidget* list, int row)
{
    QListWidgetItem* item = list->item(row);
    QVERIFY2(item, qPrintable(QStringLiteral("no line %1 in %2").arg(row).arg(list->objectName())));
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}
