#include "app/Main.h"
#include "core/data/Connection.h"
#include "core/settings/Settings.h"
#include "mainwindow/frmVantor.h"
#include "tests/TestSupport.h"
#include "widgets/BoundTextBox.h"
#include "widgets/WindowHelpers.h"

#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

namespace {
QList<QToolButton*> nineDetailCommands(const MainWindow& w)
{
    return {w.cmdAddVersion, w.cmdEditVersion, w.cmdDeleteVersion, w.cmdAddFile,     w.cmdEditFile,
            w.cmdDeleteFile, w.cmdAddChange,   w.cmdEditChange,    w.cmdDeleteChange};
}
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void firstStartCreatesSettingsAndDatabase_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::newRow("in a folder of its own") << false;
        QTest::newRow("installed") << true;
    }
    void firstStartCreatesSettingsAndDatabase()
    {
        QFETCH(bool, installed);
        if (CoreEnv::serverRun())
            QSKIP("the default database is a file");
        TestEnv env;
        QString settingsFolder = env.folder(), dataFolder = env.folder();
        if (installed) {
            SetProgramFolder(QStringLiteral("/usr/bin"));
            qputenv("XDG_CONFIG_HOME", (env.folder() + "/config").toUtf8());
            qputenv("XDG_DATA_HOME", (env.folder() + "/data").toUtf8());
            settingsFolder = env.folder() + "/config/vantor";
            dataFolder = env.folder() + "/data/vantor";
        }
        auto started = Main();
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_DATA_HOME");
        QVERIFY(started);
        const MainWindow w(std::move(started));
        QVERIFY(w.form->isVisible());
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(w.form->windowIcon().availableSizes(), QList<QSize>{QSize(32, 32)});
        QCOMPARE(IniFilePath, settingsFolder + "/VANTOR.INI");
        QFile ini(IniFilePath);
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(ini.readAll(),
                 QByteArray("[Preferences]\nDatabase=" + dataFolder.toUtf8() + "/vantor.mdb\n"));
        QVERIFY(QFile::exists(dataFolder + "/vantor.mdb"));
        QCOMPARE(QFile::exists(env.folder() + "/VANTOR.INI"), !installed);
        QCOMPARE(env.scalar("PRAGMA user_version"), 1);
        QCOMPARE(w.cboSoftware->count(), 0);
        for (QToolButton* b : nineDetailCommands(w))
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        QVERIFY(w.cmdAddSoftware->isEnabled());
        QVERIFY(w.cmdFind->isEnabled());
    }

    void settingsWithoutTheKeyAreLeftAlone()
    {
        if (CoreEnv::serverRun())
            QSKIP("the default database is a file");
        TestEnv env;
        QFile ini(IniFilePath);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Other]\nx=1\n");
        ini.close();
        auto w = Main();
        QVERIFY(w);
        QVERIFY(QFile::exists(env.folder() + "/vantor.mdb"));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(ini.readAll(), QByteArray("[Other]\nx=1\n"));
    }

    void aDatabaseThatCannotBeOpenedEndsWithOneMessage()
    {
        if (CoreEnv::serverRun())
            QSKIP("a foreign file: the file engine's alone");
        TestEnv env;
        const QString path = env.folder() + "/Notes.MDB";
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a database");
        f.close();
        QVERIFY(WriteIniSetting("Preferences", "Database", path));
        auto w = Main();
        QVERIFY(!w);
        QCOMPARE(env.msgs.count(), 1);
        QCOMPARE(env.msgs.calls[0].icon, MsgIcon::Critical);
        QVERIFY(env.msgs.lastText().contains(path)); // the path keeps its letter case
        QVERIFY(env.msgs.lastText().contains("not an SQLite file"));
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("not a database"));
    }

    void stateAfterLoad()
    {
        TestEnv env;
        for (const char* t : {"beta", "Alpha", "gamma", "Beta 2"})
            env.addTitle(t, "some comments");
        auto w = env.openWindow();
        QCOMPARE(Titles(w->cboSoftware), QStringList({"Alpha", "beta", "Beta 2", "gamma"}));
        QCOMPARE(w->cboSoftware->currentIndex(), -1);
        QCOMPARE(w->cboSoftware->currentText(), "");
        QVERIFY(!w->cboSoftware->isEditable());
        QCOMPARE(w->txtComments->toPlainText(), ""); // the title set stands after its end
        QVERIFY(w->txtComments->isReadOnly());
        QVERIFY(w->txtProblem->isReadOnly());
        QCOMPARE(w->tabGeneral->currentIndex(), 0);
        QCOMPARE(w->tabGeneral->tabText(1), " Problems and Solutions ");
        QVERIFY(w->lstVersionID->isHidden());
        QCOMPARE(w->form->windowTitle(), "Vantor");
        QCOMPARE(w->txtProblem->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }

    void windowKeepsItsFirstSize()
    {
        TestEnv env;
        auto w = env.openWindow();
        const QSize first = w->form->size();
        QCOMPARE(first, QSize(650, 492));
        // Fixed in the hints, so that no window manager offers to maximise it.
        QCOMPARE(w->form->minimumSize(), first);
        QCOMPARE(w->form->maximumSize(), first);
        QVERIFY(!(w->form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(w->form->windowFlags() & Qt::WindowMinimizeButtonHint);
        w->form->resize(900, 700);
        QCoreApplication::processEvents();
        QCOMPARE(w->form->size(), first);
        w->form->resize(300, 200);
        QCoreApplication::processEvents();
        QCOMPARE(w->form->size(), first);
        w->form->showMinimized();
        w->form->showNormal();
        QCoreApplication::processEvents();
        QCOMPARE(w->form->size(), first);
    }

    void problemsTabDisablesBrowsingWithoutATitle()
    {
        TestEnv env;
        const qint64 id = env.addTitle("T");
        env.addProblem(id, "p", "s");
        auto w = env.openWindow();
        QList<QToolButton*> five = {w->cmdFind, w->cmdFirst, w->cmdPrevious, w->cmdNext,
                                    w->cmdLast};
        for (QToolButton* b : five)
            QVERIFY(b->isEnabled()); // no tab clicked yet
        w->tabGeneral->setCurrentIndex(2);
        for (QToolButton* b : five)
            QVERIFY(b->isEnabled());
        w->tabGeneral->setCurrentIndex(1);
        for (QToolButton* b : five)
            QVERIFY(!b->isEnabled());
        SelectTitle(*w, "T");
        w->tabGeneral->setCurrentIndex(0);
        w->tabGeneral->setCurrentIndex(1);
        for (QToolButton* b : five)
            QVERIFY(b->isEnabled());
    }

    void closingSavesTheBoundBoxes()
    {
        TestEnv env;
        const qint64 id = env.addTitle("T");
        env.addProblem(id, "p", "s");
        auto w = env.openWindow("T");
        typeOver(w->txtComments, "note");
        typeOver(w->txtSolution, "reinstall");
        QVERIFY(w->form->close());
        QCOMPARE(env.scalar("SELECT Comments FROM Software"), "note");
        QCOMPARE(env.scalar("SELECT Solution FROM Problems"), "reinstall");
    }

    void closingWhenTheSaveFailsAsksFirst()
    {
        TestEnv env;
        env.addTitle("T");
        auto w = env.openWindow("T");
        w->txtComments->insertPlainText("keep me");
        FailingWrites failing(env, "UPDATE", "Software");
        QVERIFY(!w->form->close()); // the question is answered No
        QVERIFY(w->form->isVisible());
        QCOMPARE(w->txtComments->toPlainText(), "keep me");
        failing.stop();
        QVERIFY(w->form->close());
        QCOMPARE(env.scalar("SELECT Comments FROM Software"), "keep me");
    }

    void enterAndSpacePressTheFocusedButton()
    {
        TestEnv env;
        auto w = env.openWindow();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space})
            QTest::keyClick(w->cmdEditSoftware, key);
        QCOMPARE(env.msgs.count(), 3);
        QVERIFY(env.msgs.saw(Msg::kNoRecordToEdit));
    }

    void centerFormUsesTheWholeScreen()
    {
        QWidget w;
        w.resize(2000 / kTwipsPerPixel, 100);
        CenterForm(&w);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(w.frameGeometry().left(), (screen.width() - w.frameGeometry().width()) / 2);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
