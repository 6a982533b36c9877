// The release notes entries of the Print menu: the export dialog writes what the core renders,
// the import dialog brings a changelog into a new or shown title and shows it, and a file that
// is not a changelog, or a database that refuses, imports nothing while the program goes on.
#include "core/data/Connection.h"
#include "core/notes/NotesFormat.h"
#include "core/notes/NotesStore.h"
#include "tests/TestSupport.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

namespace {
const char kChangelog[] = "# Changelog\n\n## [Unreleased]\n- soon\n\n## [2.0] - 2024-05-01\n"
                          "### Fixed\n- the crash\n\n## 1.0 (2023-01-02)\n- first\n";

QAction* action(const MainWindow& w, const char* name)
{
    return child<QAction>(w.form.get(), name);
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Opens the import dialog from the menu, names the title and the file, presses OK; whether the
// dialog stayed open.
bool importThroughDialog(MainWindow& w, const QString& title, const QString& file)
{
    bool stayedOpen = false;
    const DialogSeen seen = WorkDialog([&] { action(w, "mnuImportChangelog")->trigger(); },
                                       [&](QDialog* d) {
                                           child<QComboBox>(d, "cboTitle")->setCurrentText(title);
                                           child<QLineEdit>(d, "txtFile")->setText(file);
                                           Click(d, "cmdOK");
                                           stayedOpen = d->isVisible();
                                       });
    return seen.opened && stayedOpen;
}

QList<int> counts(CoreEnv& env)
{
    return {env.count("Software"), env.count("Versions"), env.count("Changes")};
}
} // namespace

class TestNotesWindow : public QObject {
    Q_OBJECT
private slots:
    // The four reports keep their places; the release notes follow after a separator, and the
    // problems' export and import after another.
    void menuEntriesFollowTheReports()
    {
        TestEnv env;
        auto w = env.openWindow();
        QStringList entries;
        for (const QAction* a : w->mnuPrint->actions())
            entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(entries, QStringList({"Version Information", "Current Problem/Solution",
                                       "All Problems/Solutions", "Comments", "-",
                                       "Export Release Notes...", "Import Changelog...", "-",
                                       "Export Problems...", "Import Problems..."}));
        // Without a title there is nothing to export.
        QVERIFY(!WorkDialog([&] { action(*w, "mnuExportNotes")->trigger(); }).opened);
        QVERIFY(env.msgs.saw("You have not selected a software title to export."));
    }

    // Each form, of the whole title and of the selected version, is what the core renders; the
    // boxes are named by their captions.
    void exportsWhatTheCoreRenders()
    {
        TitleFixture t("Notes <Title>");
        const qint64 first = t.addVersion("1.0", QDate(2023, 1, 2));
        t.env.addChange(first, "first & only");
        const qint64 second = t.addVersion("2.0", QDate(2024, 5, 1));
        t.env.addFile(second, "app.dll", "2.0.1", QDate(2024, 4, 30));
        auto w = t.open();
        w->lstVersionDate->setCurrentRow(1);
        const QString file = t.env.folder() + "/notes.out";
        for (const NotesFormatInfo& info : NotesFormats()) {
            for (const bool oneVersion : {false, true}) {
                QFile::remove(file);
                QString fileShown;
                const DialogSeen seen = WorkDialog(
                    [&] { action(*w, "mnuExportNotes")->trigger(); },
                    [&](QDialog* d) {
                        auto* format = child<QComboBox>(d, "cboFormat");
                        format->setCurrentText(QLatin1String(info.caption));
                        QCOMPARE(child<QLabel>(d, "Label1")->buddy(), format);
                        auto* box = child<QLineEdit>(d, "txtFile");
                        QCOMPARE(child<QLabel>(d, "Label2")->buddy(), box);
                        fileShown = QFileInfo(box->text()).fileName();
                        child<QRadioButton>(d, oneVersion ? "optVersion" : "optTitle")->click();
                        box->setText(file);
                        Click(d, "cmdOK");
                        QVERIFY(!d->isVisible());
                    });
                QVERIFY(seen.opened);
                QCOMPARE(seen.caption, QStringLiteral("Export Release Notes"));
                QCOMPARE(fileShown, QLatin1String(info.defaultFile));
                const ReleaseNotes notes = oneVersion
                                               ? ReadVersionNotes(t.env.db(), t.title, second)
                                               : ReadTitleNotes(t.env.db(), t.title);
                QCOMPARE(notes.versions.size(), oneVersion ? size_t(1) : size_t(2));
                QCOMPARE(fileBytes(file), RenderNotes(notes, info.format));
            }
        }
        QCOMPARE(t.env.msgs.count(), 0);
    }

    // A file that is there already is replaced only when the user says so.
    void asksBeforeReplacingAFile()
    {
        TitleFixture t("Title");
        t.addVersion("1.0", QDate(2023, 1, 2));
        auto w = t.open();
        const QString file = t.env.folder() + "/CHANGELOG.md";
        writeFile(file, "keep me");
        for (const MsgResult answer : {MsgResult::No, MsgResult::Yes}) {
            t.env.msgs.answer(answer);
            bool stayedOpen = false;
            WorkDialog([&] { action(*w, "mnuExportNotes")->trigger(); },
                       [&](QDialog* d) {
                           child<QLineEdit>(d, "txtFile")->setText(file);
                           Click(d, "cmdOK");
                           stayedOpen = d->isVisible();
                       });
            QCOMPARE(stayedOpen, answer == MsgResult::No);
            QCOMPARE(fileBytes(file) == "keep me", answer == MsgResult::No);
        }
        QVERIFY(t.env.msgs.lastText().contains("is there already"));
    }

    // The changelog goes into a new title, which the window then shows with its versions.
    void importsIntoANewTitleAndShowsIt()
    {
        TitleFixture t("Shown");
        auto w = t.open();
        const QString file = t.env.folder() + "/CHANGELOG.md";
        writeFile(file, kChangelog);
        QVERIFY(!importThroughDialog(*w, "Brought In", file));
        QCOMPARE(t.env.msgs.lastText(),
                 QStringLiteral("Imported 2 versions with 2 changes and 0 needed files into the "
                                "new title \"Brought In\". Skipped: Unreleased (line 3)."));
        QCOMPARE(w->cboSoftware->currentText(), QStringLiteral("Brought In"));
        QCOMPARE(Titles(w->cboSoftware), QStringList({"Brought In", "Shown"}));
        QCOMPARE(Lines(w->lstVersionDate).size(), 2);
        QVERIFY(Lines(w->lstVersionDate).at(0).startsWith("1.0 "));
        QCOMPARE(Lines(w->lstChanges), QStringList{"first"});

        // Again into the same title, named in other letters: nothing is there twice.
        QVERIFY(!importThroughDialog(*w, "brought in", file));
        QVERIFY(t.env.msgs.lastText().startsWith("Nothing new to import into \"Brought In\"."));
        QCOMPARE(t.env.count("Versions"), 2);
    }

    // A file that is not a changelog imports nothing, says why and where, and leaves the dialog
    // open; the program goes on.
    void badFilesImportNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("said");
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)
                                << "Line 3: expected text, found a NUL byte";
        QTest::newRow("empty") << QByteArray() << "The file is empty";
        QTest::newRow("no version heading")
            << QByteArray("# Changelog\n\n- an item\n") << "No line of the file is a version";
        QTest::newRow("50 MB") << QByteArray() << "The file is 50.0 MB";
    }

    void badFilesImportNothing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, said);
        TitleFixture t("Shown");
        t.addVersion("1.0", QDate(2023, 1, 2));
        auto w = t.open();
        const QString file = t.env.folder() + "/bad.md";
        writeFile(file, bytes);
        if (bytes.isEmpty() && said.contains("MB")) {
            QVERIFY(QFile::resize(file, 50 * 1024 * 1024));
        }
        const QList<int> before = counts(t.env);
        QVERIFY(importThroughDialog(*w, "Shown", file));
        QCOMPARE(t.env.msgs.count(), 1);
        const MsgBoxCall call = t.env.msgs.calls.first();
        QCOMPARE(call.icon, MsgIcon::Exclamation);
        QVERIFY2(call.text.contains(said) && call.text.endsWith("Nothing was imported."),
                 qPrintable(call.text));
        QCOMPARE(counts(t.env), before);
        QCOMPARE(w->cboSoftware->currentText(), QStringLiteral("Shown"));
        QCOMPARE(Lines(w->lstVersionDate).size(), 1);
    }

    // The database refuses half-way: nothing is imported, the user is told once, the dialog
    // stays open.
    void aRefusedImportLeavesTheDatabaseAsItWas()
    {
        TitleFixture t("Shown");
        auto w = t.open();
        const QString file = t.env.folder() + "/CHANGELOG.md";
        writeFile(file, kChangelog);
        const QList<int> before = counts(t.env);
        {
            FailingWrites refusing(t.env, "INSERT", "Changes");
            QVERIFY(importThroughDialog(*w, "New", file));
        }
        QVERIFY(t.env.msgs.sawDatabaseError(FailingWrites::kReason));
        QCOMPARE(t.env.msgs.count(), 1);
        QCOMPARE(counts(t.env), before);
        QCOMPARE(Titles(w->cboSoftware), QStringList{"Shown"});
    }
};

QTEST_MAIN(TestNotesWindow)
#include "tst_noteswindow.moc"
