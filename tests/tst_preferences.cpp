#include "app/Main.h"
#include "core/data/Connection.h"
#include "core/settings/Settings.h"
#include "tests/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

namespace {

QByteArray iniBytes()
{
    QFile f(IniFilePath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeIni(const QByteArray& bytes)
{
    QFile f(IniFilePath);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QString storedPath()
{
    return ReadIniSetting(QStringLiteral("Preferences"), QStringLiteral("Database"),
                          QStringLiteral("<missing>"));
}

// The Options dialog's controls.
struct OptionsDialog {
    explicit OptionsDialog(QDialog* d)
        : dialog(d), txtDatabase(child<QLineEdit>(d, "txtDatabase")),
          cmdBrowse(child<QPushButton>(d, "cmdBrowse")), cmdOK(child<QPushButton>(d, "cmdOK")),
          cmdCancel(child<QPushButton>(d, "cmdCancel"))
    {
    }
    QDialog* dialog;
    QLineEdit* txtDatabase;
    QPushButton *cmdBrowse, *cmdOK, *cmdCancel;
};

// Clicks Options and runs action on the dialog; a dialog left open is cancelled afterwards.
void WithOptions(MainWindow& w, const std::function<void(const OptionsDialog&)>& action)
{
    QVERIFY2(WorkDialog(w.cmdPreferences, [&](QDialog* d) { action(OptionsDialog(d)); }).opened,
             "the Options dialog did not open");
}

// Runs action on the file dialog that the browse button opens.
void WithFileDialog(const OptionsDialog& dlg, const std::function<void(QFileDialog*)>& action)
{
    const DialogSeen seen = WorkDialog(dlg.cmdBrowse, [&](QDialog* modal) {
        auto* fd = qobject_cast<QFileDialog*>(modal);
        QVERIFY2(fd, "the file dialog did not open");
        action(fd);
    });
    QVERIFY(seen.opened);
}

void PickFile(QFileDialog* fd, const QString& name)
{
    // Typing into the focused name box drops the selection in the list; offscreen the box
    // never has the focus, so drop it as the typing would.
    fd->findChild<QListView*>(QStringLiteral("listView"))->clearSelection();
    fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
    fd->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
}

// The widgets that Tab visits, from the first.
QList<QWidget*> TabChain(QWidget* first)
{
    QList<QWidget*> chain{first};
    for (QWidget* w = first->nextInFocusChain(); w != first; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled())
            chain << w;
    }
    return chain;
}

// The files the dialog lists in its folder (folders left out).
QStringList ListedFiles(QFileDialog* fd)
{
    auto* model = fd->findChild<QFileSystemModel*>();
    const QModelIndex dir = model->index(fd->directory().absolutePath());
    QStringList names;
    for (int i = 0; i < model->rowCount(dir); ++i) {
        const QModelIndex item = model->index(i, 0, dir);
        if (!model->isDir(item) && (model->flags(item) & Qt::ItemIsEnabled))
            names << model->fileName(item);
    }
    names.sort();
    return names;
}

} // namespace

class TestPreferences : public QObject {
    Q_OBJECT
private slots:
    void showsTheStoredPathInItsLayout()
    {
        TestEnv env;
        auto w = env.openWindow();
        writeIni("[Preferences]\nOther=1\n");
        WithOptions(*w, [&](const OptionsDialog& dlg) {
            QCOMPARE(dlg.dialog->windowTitle(), QStringLiteral("Options"));
            QCOMPARE(dlg.txtDatabase->text(), env.folder() + "/vantor.mdb");
            QCOMPARE(dlg.dialog->focusWidget(), dlg.cmdCancel);
            QCOMPARE(TabChain(dlg.cmdCancel),
                     (QList<QWidget*>{dlg.cmdCancel, dlg.cmdOK, dlg.txtDatabase, dlg.cmdBrowse}));
            QVERIFY(!dlg.cmdOK->isDefault() && !dlg.cmdCancel->isDefault());
            // The browse button lies over the end of the box and is drawn above it.
            const QRect box = dlg.txtDatabase->geometry();
            const QRect browse = dlg.cmdBrowse->geometry();
            QVERIFY(box.contains(browse));
            QCOMPARE(dlg.dialog->childAt(browse.center()), dlg.cmdBrowse);
        });
        QVERIFY(!iniBytes().contains("Database"));

        // Stored in mixed case: shown as stored.
        WriteIniSetting("Preferences", "Database", "/Data/Shop Files/Vantor.MDB");
        WithOptions(*w, [](const OptionsDialog& dlg) {
            QCOMPARE(dlg.txtDatabase->text(), QStringLiteral("/Data/Shop Files/Vantor.MDB"));
        });
    }

    void okWritesTheBoxExactly()
    {
        TestEnv env;
        auto w = env.openWindow();
        writeIni("[Preferences]\n");

        // Without a change the shown default is written.
        WithOptions(*w, [](const OptionsDialog& dlg) {
            dlg.cmdOK->click();
            QVERIFY(!dlg.dialog->isVisible());
        });
        QCOMPARE(storedPath(), env.folder() + "/vantor.mdb");

        WithOptions(*w, [](const OptionsDialog& dlg) {
            dlg.txtDatabase->setText(" /Other Place/My base.mdb ");
            dlg.cmdOK->click();
        });
        // Quoted, or reading would trim the blanks the path begins and ends with.
        QVERIFY(iniBytes().contains("Database=\" /Other Place/My base.mdb \"\n"));
        QCOMPARE(storedPath(), " /Other Place/My base.mdb ");

        // Blanks are a path too.
        WithOptions(*w, [](const OptionsDialog& dlg) {
            dlg.txtDatabase->setText("   ");
            dlg.cmdOK->click();
            QVERIFY(!dlg.dialog->isVisible());
        });
        QCOMPARE(iniBytes(), QByteArray("[Preferences]\nDatabase=\"   \"\n"));
        QCOMPARE(storedPath(), "   ");
        QCOMPARE(env.msgs.count(), 0);
    }

    void emptyPathIsRefused()
    {
        TestEnv env;
        auto w = env.openWindow();
        WriteIniSetting("Preferences", "Database", "/keep/this.mdb");
        const QByteArray before = iniBytes();
        WithOptions(*w, [&](const OptionsDialog& dlg) {
            dlg.txtDatabase->clear();
            dlg.cmdOK->click();
            QVERIFY(dlg.dialog->isVisible());
            QCOMPARE(env.msgs.count(), 1);
            QCOMPARE(env.msgs.lastText(), Msg::kNoDatabasePath);
            QCOMPARE(env.msgs.calls.last().icon, MsgIcon::Exclamation);
            QCOMPARE(env.msgs.calls.last().buttons, MsgButtons::OK);
            QCOMPARE(env.msgs.calls.last().title, QStringLiteral("Vantor"));
            QCOMPARE(iniBytes(), before);
            // The user can still go on.
            dlg.txtDatabase->setText("/new/one.mdb");
            dlg.cmdOK->click();
            QVERIFY(!dlg.dialog->isVisible());
        });
        QCOMPARE(storedPath(), QStringLiteral("/new/one.mdb"));
    }

    void cancelAndCloseBoxWriteNothing()
    {
        TestEnv env;
        auto w = env.openWindow();
        writeIni("[Preferences]\r\nDatabase=/a/b.mdb\r\n");
        const QByteArray before = iniBytes();
        WithOptions(*w, [](const OptionsDialog& dlg) {
            dlg.txtDatabase->setText("/typed/but/cancelled.mdb");
            dlg.cmdCancel->click();
            QVERIFY(!dlg.dialog->isVisible());
        });
        QCOMPARE(iniBytes(), before);
        WithOptions(*w, [](const OptionsDialog& dlg) {
            dlg.txtDatabase->setText("/typed/then/closed.mdb");
            // Enter and Escape press neither button.
            QTest::keyClick(dlg.txtDatabase, Qt::Key_Return);
            QTest::keyClick(dlg.txtDatabase, Qt::Key_Escape);
            QVERIFY(dlg.dialog->isVisible());
            QVERIFY(dlg.dialog->close());
            QVERIFY(!dlg.dialog->isVisible());
        });
        QCOMPARE(iniBytes(), before);
        QVERIFY(!QFile::exists(env.folder() + "/typed"));
    }

    void unwritableSettingsFileKeepsTheDialogOpen()
    {
        TestEnv env;
        auto w = env.openWindow();
        QFile::remove(IniFilePath);
        QVERIFY(QDir().mkdir(IniFilePath));
        WithOptions(*w, [&](const OptionsDialog& dlg) {
            dlg.txtDatabase->setText("/somewhere/else.mdb");
            dlg.cmdOK->click();
            QVERIFY(dlg.dialog->isVisible());
            QCOMPARE(env.msgs.count(), 1);
            QCOMPARE(env.msgs.calls.last().icon, MsgIcon::Critical);
            QCOMPARE(dlg.txtDatabase->text(), QStringLiteral("/somewhere/else.mdb"));
        });
    }

    void newPathWaitsForTheNextStart()
    {
        TestEnv env;
        auto w = env.openWindow();
        env.addTitle("Old Base Title");
        w->form->Form_Load();
        const QString opened = w->dataSoftware->connection()->path();
        const QString newPath = env.folder() + "/Second/Vantor.mdb";
        QVERIFY(QDir(env.folder()).mkdir("Second"));

        WithOptions(*w, [&](const OptionsDialog& dlg) {
            dlg.txtDatabase->setText(newPath);
            dlg.cmdOK->click();
        });
        WithOptions(*w,
                    [&](const OptionsDialog& dlg) { QCOMPARE(dlg.txtDatabase->text(), newPath); });
        // The running program stays on its database.
        QCOMPARE(w->dataSoftware->connection()->path(), opened);
        QVERIFY(!QFile::exists(newPath));
        SelectTitle(*w, "Old Base Title");
        QCOMPARE(w->cboSoftware->currentText(), QStringLiteral("Old Base Title"));

        w.reset();
        Connection::closeAll();
        auto started = Main();
        QVERIFY(started);
        const MainWindow next(std::move(started));
        QCOMPARE(next.dataSoftware->connection()->path(), newPath);
        QVERIFY(QFile::exists(newPath));
        QCOMPARE(next.cboSoftware->count(), 0);
        QCOMPARE(env.msgs.count(), 0);
    }

    void databaseOnTheCommandLineIsForOneRun()
    {
        TestEnv env;
        QVERIFY(QDir(env.folder()).mkdir("Other"));
        const QString other = env.folder() + "/Other/one run.mdb";
        SetDatabaseOverride(other);
        auto started = Main();
        QVERIFY(started);
        MainWindow w(std::move(started));
        QCOMPARE(w.dataSoftware->connection()->path(), other);
        QVERIFY(!QFile::exists(IniFilePath));
        WithOptions(w, [&](const OptionsDialog& dlg) {
            // The dialog shows and writes the settings file's value; browsing starts beside the
            // database that is open.
            QCOMPARE(dlg.txtDatabase->text(), env.folder() + "/vantor.mdb");
            WithFileDialog(dlg, [&](QFileDialog* fd) {
                QCOMPARE(QDir(fd->directory()).absolutePath(), env.folder() + "/Other");
                fd->reject();
            });
            dlg.cmdOK->click();
        });
        QCOMPARE(storedPath(), env.folder() + "/vantor.mdb");
    }

    void browsePicksAFileNamedLikeTheDatabase()
    {
        TestEnv env;
        auto w = env.openWindow();
        for (const char* name : {"VANTOR.MDB", "Vantor.Mdb", "other.mdb", "vantor.mdb.bak"}) {
            QFile f(env.folder() + "/" + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir(env.folder()).mkdir("Elsewhere"));
        WriteIniSetting("Preferences", "Database", "/stored/path.mdb");

        WithOptions(*w, [&](const OptionsDialog& dlg) {
            // Cancelled: the box keeps its text.
            WithFileDialog(dlg, [&](QFileDialog* fd) {
                QCOMPARE(QDir(fd->directory()).absolutePath(), QDir(env.folder()).absolutePath());
                QCOMPARE(fd->nameFilters(), QStringList{"Vantor Database (vantor.mdb)"});
                QTRY_COMPARE(ListedFiles(fd),
                             (QStringList{"VANTOR.MDB", "Vantor.Mdb", "vantor.mdb"}));
                fd->reject();
            });
            QCOMPARE(dlg.txtDatabase->text(), QStringLiteral("/stored/path.mdb"));

            WithFileDialog(dlg, [&](QFileDialog* fd) { PickFile(fd, "Vantor.Mdb"); });
            QCOMPARE(dlg.txtDatabase->text(), env.folder() + "/Vantor.Mdb");
            QCOMPARE(storedPath(), QStringLiteral("/stored/path.mdb"));

            // A name that does not exist yet may be given.
            WithFileDialog(dlg, [&](QFileDialog* fd) {
                QCOMPARE(fd->selectedFiles(), QStringList{env.folder() + "/Vantor.Mdb"});
                PickFile(fd, env.folder() + "/Elsewhere/vantor.mdb");
            });
            QCOMPARE(dlg.txtDatabase->text(), env.folder() + "/Elsewhere/vantor.mdb");

            // The next browse starts from the last chosen file; cancelling keeps the box.
            dlg.txtDatabase->setText(env.folder() + "/Vantor.Mdb");
            WithFileDialog(dlg, [&](QFileDialog* fd) {
                QCOMPARE(fd->selectedFiles(), QStringList{env.folder() + "/Elsewhere/vantor.mdb"});
                fd->reject();
            });
            QCOMPARE(dlg.txtDatabase->text(), env.folder() + "/Vantor.Mdb");
            dlg.cmdOK->click();
        });
        QCOMPARE(storedPath(), env.folder() + "/Vantor.Mdb");
    }

    // A server database's address is kept as typed; one holding a password, or one libpq
    // cannot read, is refused, and the setting stays as it was.
    void serverAddresses_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored"); // empty: refused
        QTest::addColumn<QStringList>("says");
        const QStringList pgpass{"~/.pgpass", "PGPASSFILE"};
        const char* const kept[][3] = {
            {"over TCP", "postgresql://ann@db.example.com:5433/vantor?sslmode=require", ""},
            {"on a socket", "postgres:///vantor?host=/run/postgresql&user=ann", ""},
            {"blanks around", " postgresql://db/vantor ", "postgresql://db/vantor"},
        };
        for (const auto& r : kept)
            QTest::newRow(r[0]) << r[1] << (*r[2] ? r[2] : r[1]) << QStringList();
        for (const char* uri :
             {"postgresql://ann:s3cret@db/vantor",
              "postgresql://db/vantor?user=ann&password=s3cret",
              "postgres://ann:s%33cret@db/vantor", " POSTGRESQL://ann:s3cret@db/vantor"})
            QTest::newRow(uri) << uri << "" << pgpass;
        QTest::newRow("not readable")
            << "postgresql://db/vantor?nosuchoption=1"
            << "" << QStringList{"not a connection address", "nosuchoption"};
    }
    void serverAddresses()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(QStringList, says);
        TestEnv env;
        auto w = env.openWindow();
        WriteIniSetting("Preferences", "Database", "/keep/this.mdb");
        WithOptions(*w, [&](const OptionsDialog& dlg) {
            dlg.txtDatabase->setText(typed);
            dlg.cmdOK->click();
            QCOMPARE(dlg.dialog->isVisible(), stored.isEmpty());
            QCOMPARE(dlg.txtDatabase->text(), typed);
        });
        QCOMPARE(storedPath(), stored.isEmpty() ? "/keep/this.mdb" : stored);
        QCOMPARE(env.msgs.count(), stored.isEmpty() ? 1 : 0);
        for (const QString& words : says)
            QVERIFY2(env.msgs.lastText().contains(words), qPrintable(env.msgs.lastText()));
        QVERIFY(!env.msgs.lastText().contains("s3cret"));
        if (!stored.isEmpty())
            return;
        QCOMPARE(env.msgs.calls.last().icon, MsgIcon::Exclamation);
    }

    // With an address in the box there is no folder to start from: browsing starts in the
    // home folder, and the file chosen takes the address's place.
    void browseFromAServerAddress()
    {
        TestEnv env;
        const QByteArray home = qgetenv("HOME");
        QVERIFY(QDir(env.folder()).mkdir("home"));
        qputenv("HOME", QFile::encodeName(env.folder() + "/home"));
        auto w = env.openWindow();
        WithOptions(*w, [&](const OptionsDialog& dlg) {
            dlg.txtDatabase->setText("postgresql://db/vantor");
            WithFileDialog(dlg, [&](QFileDialog* fd) {
                QCOMPARE(fd->directory().absolutePath(), env.folder() + "/home");
                PickFile(fd, "vantor.mdb");
            });
            QCOMPARE(dlg.txtDatabase->text(), env.folder() + "/home/vantor.mdb");
        });
        qputenv("HOME", home);
    }
};

QTEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
