#include "tests/TestSupport.h"

#include "core/data/Connection.h"

#include "widgets/MsgBox.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

namespace {
// A title with two versions, the one most tests start from.
struct Seed {
    qint64 title, v1, v2;
};

// Moves to the second version and back, which saves anything a record source kept pending.
void revisitVersions(MainWindow& w)
{
    w.lstVersionDate->setCurrentRow(1);
    w.lstVersionDate->setCurrentRow(0);
}

Seed seedTitle(TestEnv& env)
{
    Seed s;
    s.title = env.addTitle(QStringLiteral("Editor"));
    s.v1 = env.addVersion(s.title, QStringLiteral("1.0"), QDate(1999, 1, 5));
    s.v2 = env.addVersion(s.title, QStringLiteral("2.0"), QDate(2000, 6, 1));
    return s;
}
} // namespace

class TestDetails : public QObject {
    Q_OBJECT
private slots:
    void addChangeKeepsTextAndVersion()
    {
        TestEnv env;
        const Seed s = seedTitle(env);
        env.addChange(s.v2, QStringLiteral("old"));
        auto w = env.openWindow(QStringLiteral("Editor"));

        // A single blank is a change of its own and is listed as a blank entry.
        WorkDialog(w->cmdAddChange, [](QDialog* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Add Change/Reason"));
            QVERIFY(child<QLineEdit>(d, "txtChange")->text().isEmpty());
            child<QLineEdit>(d, "txtChange")->setText(QStringLiteral(" "));
            Click(d, "cmdOK");
        });
        QCOMPARE(Lines(w->lstChanges), QStringList{QStringLiteral(" ")});
        QCOMPARE(w->lstChanges->currentRow(), 0);
        QCOMPARE(w->lstChangeID->currentRow(), 0);
        QCOMPARE(w->lstChangeID->item(0)->text(),
                 env.scalar("SELECT ChangeID FROM Changes WHERE ReleaseID = ?", {s.v1}).toString());
        QCOMPARE(env.scalar("SELECT [Change] FROM Changes WHERE ReleaseID = ?", {s.v1}),
                 QVariant(QStringLiteral(" ")));
        QCOMPARE(w->lstVersionDate->currentRow(), 0);
        QCOMPARE(env.msgs.count(), 0);

        // The second version stays selected; quotes and non-Latin letters are kept as typed.
        w->lstVersionDate->setCurrentRow(1);
        const QString typed = QStringLiteral("  Fixed 'Ärger' in Ωmega's \"save\"  ");
        WorkDialog(w->cmdAddChange, [&](QDialog* d) {
            child<QLineEdit>(d, "txtChange")->setText(typed);
            Click(d, "cmdOK");
        });
        QCOMPARE(w->lstVersionDate->currentRow(), 1);
        QCOMPARE(Lines(w->lstChanges), (QStringList{QStringLiteral("old"), typed}));
        QCOMPARE(w->lstChanges->currentRow(), 0);
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Changes WHERE ReleaseID = ? AND [Change] = ?",
                            {s.v2, typed}),
                 QVariant(1));
    }

    void emptyChangeIsRefusedAndDialogStaysOpen()
    {
        TestEnv env;
        seedTitle(env);
        auto w = env.openWindow(QStringLiteral("Editor"));
        bool stillOpen = false;
        WorkDialog(w->cmdAddChange, [&](QDialog* d) {
            Click(d, "cmdOK");
            stillOpen = d->isVisible();
            Click(d, "cmdCancel");
        });
        QVERIFY(stillOpen);
        QVERIFY(env.msgs.saw(Msg::kFieldsMissing));
        QCOMPARE(env.msgs.calls.first().icon, MsgIcon::Information);
        QCOMPARE(env.count("Changes"), 0);
        QVERIFY(w->lstChanges->count() == 0);
    }

    void editThirdChangeSelectsFirst()
    {
        TestEnv env;
        const Seed s = seedTitle(env);
        env.addChange(s.v1, QStringLiteral("a"));
        env.addChange(s.v1, QStringLiteral("b"));
        const qint64 c = env.addChange(s.v1, QStringLiteral("c"));
        auto w = env.openWindow(QStringLiteral("Editor"));
        w->lstChanges->setCurrentRow(2);
        QCOMPARE(w->lstChangeID->currentRow(), 2);

        WorkDialog(w->cmdEditChange, [](QDialog* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Edit Change/Reason"));
            QCOMPARE(child<QLineEdit>(d, "txtChange")->text(), QStringLiteral("c"));
            child<QLineEdit>(d, "txtChange")->setText(QStringLiteral("c, edited"));
            Click(d, "cmdOK");
        });
        QCOMPARE(Lines(w->lstChanges), (QStringList{QStringLiteral("a"), QStringLiteral("b"),
                                                    QStringLiteral("c, edited")}));
        QCOMPARE(w->lstChanges->currentRow(), 0);
        QCOMPARE(w->lstChangeID->currentRow(), 0);
        QCOMPARE(w->lstVersionDate->currentRow(), 0);
        QCOMPARE(env.scalar("SELECT [Change] FROM Changes WHERE ChangeID = ?", {c}),
                 QVariant(QStringLiteral("c, edited")));

        // OK without altering the text saves it unchanged, silently.
        w->lstChanges->setCurrentRow(1);
        WorkDialog(w->cmdEditChange, [](QDialog* d) { Click(d, "cmdOK"); });
        QCOMPARE(Lines(w->lstChanges).at(1), QStringLiteral("b"));
        QCOMPARE(env.msgs.count(), 0);
        QCOMPARE(env.count("Changes"), 3);
    }

    void cancelAndCloseBoxWriteNothing()
    {
        TestEnv env;
        const Seed s = seedTitle(env);
        env.addChange(s.v1, QStringLiteral("a"));
        env.addChange(s.v1, QStringLiteral("b"));
        auto w = env.openWindow(QStringLiteral("Editor"));
        w->lstChanges->setCurrentRow(1);

        WorkDialog(w->cmdEditChange, [](QDialog* d) {
            child<QLineEdit>(d, "txtChange")->setText(QStringLiteral("typed, then dropped"));
            Click(d, "cmdCancel");
        });
        WorkDialog(w->cmdEditChange, [](QDialog* d) {
            child<QLineEdit>(d, "txtChange")->setText(QStringLiteral("also dropped"));
            d->close();
        });
        WorkDialog(w->cmdAddChange, [](QDialog* d) {
            child<QLineEdit>(d, "txtChange")->setText(QStringLiteral("new"));
            Click(d, "cmdCancel");
        });

        QCOMPARE(Lines(w->lstChanges), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(w->lstChanges->currentRow(), 1);
        QCOMPARE(w->lstChangeID->currentRow(), 1);
        // Moving through the versions must not save anything left over from the dialogs.
        w->lstVersionDate->setCurrentRow(1);
        w->lstVersionDate->setCurrentRow(0);
        QCOMPARE(env.count("Changes"), 2);
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Changes WHERE [Change] IN ('a', 'b')"),
                 QVariant(2));
        QCOMPARE(env.msgs.count(), 0);
    }

    void sameTextChangesAreToldApartByKey()
    {
        TestEnv env;
        const Seed s = seedTitle(env);
        const qint64 first = env.addChange(s.v1, QStringLiteral("same"));
        const qint64 second = env.addChange(s.v1, QStringLiteral("same"));
        auto w = env.openWindow(QStringLiteral("Editor"));

        w->lstChanges->setCurrentRow(1);
        WorkDialog(w->cmdEditChange, [](QDialog* d) {
            child<QLineEdit>(d, "txtChange")->setText(QStringLiteral("other"));
            Click(d, "cmdOK");
        });
        QCOMPARE(env.scalar("SELECT [Change] FROM Changes WHERE ChangeID = ?", {first}),
                 QVariant(QStringLiteral("same")));
        QCOMPARE(env.scalar("SELECT [Change] FROM Changes WHERE ChangeID = ?", {second}),
                 QVariant(QStringLiteral("other")));

        // Back to two equal texts; deleting the second removes the second only.
        w->lstChanges->setCurrentRow(1);
        WorkDialog(w->cmdEditChange, [](QDialog* d) {
            child<QLineEdit>(d, "txtChange")->setText(QStringLiteral("same"));
            Click(d, "cmdOK");
        });
        w->lstChanges->setCurrentRow(1);
        env.msgs.answer(MsgResult::Yes);
        w->cmdDeleteChange->click();
        QCOMPARE(env.count("Changes"), 1);
        QCOMPARE(env.scalar("SELECT ChangeID FROM Changes").toLongLong(), first);
    }

    void deleteChangeShowsFirstVersionAgain()
    {
        TestEnv env;
        const Seed s = seedTitle(env);
        env.addChange(s.v1, QStringLiteral("first version's"));
        env.addChange(s.v2, QStringLiteral("second version's"));
        auto w = env.openWindow(QStringLiteral("Editor"));
        w->lstVersionDate->setCurrentRow(1);
        w->lstChanges->setCurrentRow(0);

        // No keeps everything, Yes asks the way every delete does.
        w->cmdDeleteChange->click();
        QCOMPARE(env.count("Changes"), 2);
        QCOMPARE(w->lstVersionDate->currentRow(), 1);
        const MsgBoxCall ask = env.msgs.calls.last();
        QCOMPARE(ask.text, QStringLiteral("Are you sure you want to delete this change/reason?"));
        QCOMPARE(ask.buttons, MsgButtons::YesNo);
        QCOMPARE(ask.defaultButton, MsgResult::No);

        env.msgs.answer(MsgResult::Yes);
        w->cmdDeleteChange->click();
        QCOMPARE(env.count("Changes"), 1);
        QCOMPARE(env.scalar("SELECT ReleaseID FROM Changes").toLongLong(), s.v1);
        QCOMPARE(w->lstVersionDate->currentRow(), 0);
        QCOMPARE(Lines(w->lstChanges), QStringList{QStringLiteral("first version's")});
    }

    void commandsWithoutSelectionAreRefused()
    {
        TestEnv env;
        const Seed s = seedTitle(env);
        env.addChange(s.v1, QStringLiteral("a"));
        env.addFile(s.v1, QStringLiteral("a.dll"), QStringLiteral("1"), QDate(1999, 1, 1));
        auto w = env.openWindow(QStringLiteral("Editor"));
        w->lstFiles->clearSelection();

        QVERIFY(!WorkDialog(w->cmdEditChange).opened);
        QCOMPARE(env.msgs.lastText(), Msg::kNoRecordToEdit);
        QVERIFY(!WorkDialog(w->cmdEditFile).opened);
        QCOMPARE(env.msgs.lastText(), Msg::kNoRecordToEdit);
        w->cmdDeleteChange->click();
        QCOMPARE(env.msgs.lastText(), Msg::kNoRecordToDelete);
        w->cmdDeleteFile->click();
        QCOMPARE(env.msgs.lastText(), Msg::kNoRecordToDelete);
        for (const MsgBoxCall& c : env.msgs.calls) {
            QCOMPARE(c.icon, MsgIcon::Information);
            QCOMPARE(c.buttons, MsgButtons::OK);
        }
        QCOMPARE(env.msgs.count(), 4);

        // A deselected version line gives a new record nothing to belong to.
        env.msgs.clear();
        w->lstVersionDate->clearSelection();
        QVERIFY(!WorkDialog(w->cmdAddChange).opened);
        QCOMPARE(env.msgs.lastText(), Msg::kNoVersion);
        QVERIFY(!WorkDialog(w->cmdAddFile).opened);
        QCOMPARE(env.msgs.lastText(), Msg::kNoVersion);
        QCOMPARE(env.msgs.calls.last().icon, MsgIcon::Information);
        QCOMPARE(env.count("Changes"), 1);
        QCOMPARE(env.count("Files"), 1);
    }

    void failedChangeWritesNothingNowOrLater()
    {
        TestEnv env;
        const Seed s = seedTitle(env);
        env.addChange(s.v1, QStringLiteral("kept"));
        auto w = env.openWindow(QStringLiteral("Editor"));

        // A failing OK keeps what was typed; once the database works, OK stores it once.
        FailingWrites fail(env, "INSERT", "Changes");
        QString keptText;
        WorkDialog(w->cmdAddChange, [&](QDialog* d) {
            child<QLineEdit>(d, "txtChange")->setText(QStringLiteral("new"));
            Click(d, "cmdOK");
            keptText = d->isVisible() ? child<QLineEdit>(d, "txtChange")->text() : QString();
            fail.stop();
            Click(d, "cmdOK");
        });
        QVERIFY(env.msgs.sawDatabaseError());
        QCOMPARE(keptText, QStringLiteral("new"));
        QCOMPARE(env.count("Changes"), 2);
        QCOMPARE(Lines(w->lstChanges),
                 (QStringList{QStringLiteral("kept"), QStringLiteral("new")}));

        // A failed add or edit that is then cancelled is not saved by a later move of the set.
        QVERIFY(RefusedSaveStaysOpen(env, "INSERT", "Changes", w->cmdAddChange,
                                     {{"txtChange", QStringLiteral("lost")}}));
        revisitVersions(*w);
        QCOMPARE(env.count("Changes"), 2);
        w->lstChanges->setCurrentRow(0);
        QVERIFY(RefusedSaveStaysOpen(env, "UPDATE", "Changes", w->cmdEditChange,
                                     {{"txtChange", QStringLiteral("changed")}}));
        revisitVersions(*w);
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Changes WHERE [Change] = 'kept'"), QVariant(1));

        // A failed delete keeps the row and the lists.
        w->lstChanges->setCurrentRow(1);
        QVERIFY(RefusedDelete(env, "Changes", w->cmdDeleteChange));
        QCOMPARE(env.count("Changes"), 2);
        QCOMPARE(Lines(w->lstChanges),
                 (QStringList{QStringLiteral("kept"), QStringLiteral("new")}));
    }

    void addFileStoresPickerDateAndListsColumns()
    {
        TestEnv env;
        const Seed s = seedTitle(env);
        auto w = env.openWindow(QStringLiteral("Editor"));

        WorkDialog(w->cmdAddFile, [](QDialog* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Add Needed File"));
            auto* picker = child<QDateEdit>(d, "dtpDate");
            QCOMPARE(picker->date(), QDate(1999, 8, 16));
            QCOMPARE(picker->displayFormat(), QStringLiteral("MM/dd/yyyy"));
            QCOMPARE(picker->minimumDate(), QDate(1601, 1, 1));
            QCOMPARE(picker->maximumDate(), QDate(9999, 12, 31));
            QVERIFY(child<QLineEdit>(d, "txtFile")->text().isEmpty());
            QVERIFY(child<QLineEdit>(d, "txtVersion")->text().isEmpty());
            child<QLineEdit>(d, "txtFile")->setText(QStringLiteral("untouched.dll"));
            child<QLineEdit>(d, "txtVersion")->setText(QStringLiteral("2"));
            Click(d, "cmdOK");
        });
        QCOMPARE(env.scalar("SELECT [Date] FROM Files WHERE [File] = 'untouched.dll'").toString(),
                 QStringLiteral("1999-08-16"));
        QCOMPARE(env.scalar("SELECT ReleaseID FROM Files").toLongLong(), s.v1);

        WorkDialog(w->cmdAddFile, [](QDialog* d) {
            child<QLineEdit>(d, "txtFile")->setText(QStringLiteral("setup.exe"));
            child<QLineEdit>(d, "txtVersion")->setText(QStringLiteral("1.0"));
            child<QDateEdit>(d, "dtpDate")->setDate(QDate(1999, 2, 3));
            Click(d, "cmdOK");
        });
        QCOMPARE(
            Lines(w->lstFiles),
            (QStringList{QStringLiteral("untouched.dll") + QString(7, ' ') + QStringLiteral("2") +
                             QString(19, ' ') + QStringLiteral("08/16/1999"),
                         QStringLiteral("setup.exe") + QString(11, ' ') + QStringLiteral("1.0") +
                             QString(17, ' ') + QStringLiteral("02/03/1999")}));
        QCOMPARE(w->lstFiles->currentRow(), 0);
        QCOMPARE(w->lstFileID->currentRow(), 0);
        QCOMPARE(w->lstVersionDate->currentRow(), 0);
        QCOMPARE(env.scalar("SELECT [Date] FROM Files WHERE [File] = 'setup.exe'").toString(),
                 QStringLiteral("1999-02-03"));

        // A name of exactly 20 characters runs straight into the version; blanks are kept.
        const QString twenty = QStringLiteral("ABCDEFGHIJ.KLMNOPQRS");
        WorkDialog(w->cmdAddFile, [&](QDialog* d) {
            child<QLineEdit>(d, "txtFile")->setText(twenty);
            child<QLineEdit>(d, "txtVersion")->setText(QStringLiteral(" "));
            Click(d, "cmdOK");
        });
        QCOMPARE(Lines(w->lstFiles).at(2),
                 twenty + QString(20, ' ') + QStringLiteral("08/16/1999"));
        QCOMPARE(env.scalar("SELECT [Version] FROM Files WHERE [File] = ?", {twenty}),
                 QVariant(QStringLiteral(" ")));
    }

    void fileNeedsNameAndVersion()
    {
        TestEnv env;
        seedTitle(env);
        auto w = env.openWindow(QStringLiteral("Editor"));
        int refusedWhileOpen = 0;
        WorkDialog(w->cmdAddFile, [&](QDialog* d) {
            child<QLineEdit>(d, "txtFile")->setText(QStringLiteral("a.dll"));
            Click(d, "cmdOK");
            refusedWhileOpen += d->isVisible();
            child<QLineEdit>(d, "txtFile")->clear();
            child<QLineEdit>(d, "txtVersion")->setText(QStringLiteral("1.0"));
            Click(d, "cmdOK");
            refusedWhileOpen += d->isVisible();
            Click(d, "cmdCancel");
        });
        QCOMPARE(refusedWhileOpen, 2);
        QCOMPARE(env.msgs.count(), 2);
        QCOMPARE(env.msgs.calls.at(0).text, Msg::kFieldsMissing);
        QCOMPARE(env.msgs.calls.at(1).text, Msg::kFieldsMissing);
        QCOMPARE(env.count("Files"), 0);
    }

    void editThirdFileShowsStoredValues()
    {
        TestEnv env;
        const Seed s = seedTitle(env);
        env.addFile(s.v1, QStringLiteral("a.dll"), QStringLiteral("1"), QDate(1998, 1, 1));
        env.addFile(s.v1, QStringLiteral("b.dll"), QStringLiteral("2"), QDate(1998, 2, 2));
        const qint64 c =
            env.addFile(s.v1, QStringLiteral("c.dll"), QStringLiteral("3.1"), QDate(1998, 12, 24));
        auto w = env.openWindow(QStringLiteral("Editor"));
        w->lstFiles->setCurrentRow(2);
        QCOMPARE(w->lstFileID->currentRow(), 2);

        WorkDialog(w->cmdEditFile, [](QDialog* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Edit Needed File"));
            QCOMPARE(child<QLineEdit>(d, "txtFile")->text(), QStringLiteral("c.dll"));
            QCOMPARE(child<QLineEdit>(d, "txtVersion")->text(), QStringLiteral("3.1"));
            QCOMPARE(child<QDateEdit>(d, "dtpDate")->date(), QDate(1998, 12, 24));
            child<QLineEdit>(d, "txtVersion")->setText(QStringLiteral("3.2"));
            child<QDateEdit>(d, "dtpDate")->setDate(QDate(2001, 3, 3));
            Click(d, "cmdOK");
        });
        QCOMPARE(Lines(w->lstFiles).at(2), QStringLiteral("c.dll") + QString(15, ' ') +
                                               QStringLiteral("3.2") + QString(17, ' ') +
                                               QStringLiteral("03/03/2001"));
        QCOMPARE(w->lstFiles->currentRow(), 0);
        QCOMPARE(w->lstFileID->currentRow(), 0);
        QCOMPARE(env.scalar("SELECT [Date] FROM Files WHERE FileID = ?", {c}).toString(),
                 QStringLiteral("2001-03-03"));
        QCOMPARE(env.scalar("SELECT ReleaseID FROM Files WHERE FileID = ?", {c}).toLongLong(),
                 s.v1);

        // OK without changes stores the same three values.
        w->lstFiles->setCurrentRow(1);
        const QStringList before = Lines(w->lstFiles);
        WorkDialog(w->cmdEditFile, [](QDialog* d) { Click(d, "cmdOK"); });
        QCOMPARE(Lines(w->lstFiles), before);
        QCOMPARE(env.scalar("SELECT [Date] FROM Files WHERE [File] = 'b.dll'").toString(),
                 QStringLiteral("1998-02-02"));

        // Cancel writes nothing and keeps the selection.
        w->lstFiles->setCurrentRow(1);
        WorkDialog(w->cmdEditFile, [](QDialog* d) {
            child<QLineEdit>(d, "txtFile")->setText(QStringLiteral("dropped"));
            child<QDateEdit>(d, "dtpDate")->setDate(QDate(2020, 1, 1));
            Click(d, "cmdCancel");
        });
        QCOMPARE(Lines(w->lstFiles), before);
        QCOMPARE(w->lstFiles->currentRow(), 1);
        QCOMPARE(w->lstFileID->currentRow(), 1);
        w->lstVersionDate->setCurrentRow(1);
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Files WHERE [File] = 'dropped'"), QVariant(0));
        QCOMPARE(env.msgs.count(), 0);
    }

    void editingAFileWithoutDateKeepsItEmpty()
    {
        TestEnv env;
        const Seed s = seedTitle(env);
        const qint64 id =
            env.db()
                .run(QStringLiteral("INSERT INTO Files (ReleaseID, [File], [Version], [Date]) "
                                    "VALUES (?, 'nodate.dll', '1', NULL)"),
                     {s.v1})
                .lastInsertId()
                .toLongLong();
        auto w = env.openWindow(QStringLiteral("Editor"));
        WorkDialog(w->cmdEditFile, [](QDialog* d) {
            child<QLineEdit>(d, "txtVersion")->setText(QStringLiteral("1.1"));
            Click(d, "cmdOK");
        });
        QCOMPARE(env.scalar("SELECT [Version] FROM Files WHERE FileID = ?", {id}),
                 QVariant(QStringLiteral("1.1")));
        QVERIFY(env.scalar("SELECT [Date] FROM Files WHERE FileID = ?", {id}).isNull());
    }

    void filesDeletedByKeyAndFirstVersionShownAgain()
    {
        TestEnv env;
        const Seed s = seedTitle(env);
        env.addFile(s.v1, QStringLiteral("one.dll"), QStringLiteral("1"), QDate(1999, 1, 1));
        const qint64 keep =
            env.addFile(s.v2, QStringLiteral("twin.dll"), QStringLiteral("2"), QDate(2000, 1, 1));
        const qint64 drop =
            env.addFile(s.v2, QStringLiteral("twin.dll"), QStringLiteral("2"), QDate(2000, 1, 1));
        auto w = env.openWindow(QStringLiteral("Editor"));
        w->lstVersionDate->setCurrentRow(1);
        QCOMPARE(w->lstFiles->item(0)->text(), w->lstFiles->item(1)->text());
        w->lstFiles->setCurrentRow(1);

        w->cmdDeleteFile->click(); // answered No
        QCOMPARE(env.count("Files"), 3);
        QCOMPARE(env.msgs.lastText(),
                 QStringLiteral("Are you sure you want to delete this needed file?"));

        env.msgs.answer(MsgResult::Yes);
        w->cmdDeleteFile->click();
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Files WHERE FileID = ?", {keep}), QVariant(1));
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Files WHERE FileID = ?", {drop}), QVariant(0));
        QCOMPARE(w->lstVersionDate->currentRow(), 0);
        QCOMPARE(Lines(w->lstFiles),
                 QStringList{QStringLiteral("one.dll") + QString(13, ' ') + QStringLiteral("1") +
                             QString(19, ' ') + QStringLiteral("01/01/1999")});
        QCOMPARE(w->lstFiles->currentRow(), 0);
    }

    void failedFileWritesNothingNowOrLater()
    {
        TestEnv env;
        const Seed s = seedTitle(env);
        env.addFile(s.v1, QStringLiteral("kept.dll"), QStringLiteral("1"), QDate(1999, 1, 1));
        auto w = env.openWindow(QStringLiteral("Editor"));

        QVERIFY(RefusedSaveStaysOpen(
            env, "INSERT", "Files", w->cmdAddFile,
            {{"txtFile", QStringLiteral("lost.dll")}, {"txtVersion", QStringLiteral("1")}}));
        QVERIFY(RefusedSaveStaysOpen(env, "UPDATE", "Files", w->cmdEditFile,
                                     {{"txtFile", QStringLiteral("renamed.dll")}}));
        revisitVersions(*w);
        QCOMPARE(env.count("Files"), 1);
        QCOMPARE(env.scalar("SELECT [File] FROM Files"), QVariant(QStringLiteral("kept.dll")));

        QVERIFY(RefusedDelete(env, "Files", w->cmdDeleteFile));
        QCOMPARE(env.count("Files"), 1);
        QCOMPARE(w->lstFiles->count(), 1);
    }
};

QTEST_MAIN(TestDetails)
#include "tst_details.moc"
