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
// Moves to the second version and back, which saves anything a record source kept pending.
void revisitVersions(MainWindow& w)
{
    w.lstVersionDate->setCurrentRow(1);
    w.lstVersionDate->setCurrentRow(0);
}

// The title "Editor" with two versions, the one most tests start from.
struct Editor : TitleFixture {
    Editor() : TitleFixture(QStringLiteral("Editor")) {}
    const qint64 v1 = addVersion(QStringLiteral("1.0"), QDate(1999, 1, 5));
    const qint64 v2 = addVersion(QStringLiteral("2.0"), QDate(2000, 6, 1));
};
} // namespace

class TestDetails : public QObject {
    Q_OBJECT
private slots:
    void addChangeKeepsTextAndVersion()
    {
        Editor f;
        f.env.addChange(f.v2, QStringLiteral("old"));
        auto w = f.open();

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
        QCOMPARE(
            w->lstChangeID->item(0)->text(),
            f.env.scalar("SELECT ChangeID FROM Changes WHERE ReleaseID = ?", {f.v1}).toString());
        QCOMPARE(f.env.scalar("SELECT [Change] FROM Changes WHERE ReleaseID = ?", {f.v1}),
                 QVariant(QStringLiteral(" ")));
        QCOMPARE(w->lstVersionDate->currentRow(), 0);
        QCOMPARE(f.env.msgs.count(), 0);

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
        QCOMPARE(f.env.scalar("SELECT COUNT(*) FROM Changes WHERE ReleaseID = ? AND [Change] = ?",
                              {f.v2, typed}),
                 QVariant(1));
    }

    void emptyChangeIsRefusedAndDialogStaysOpen()
    {
        Editor f;
        auto w = f.open();
        bool stillOpen = false;
        WorkDialog(w->cmdAddChange, [&](QDialog* d) {
            Click(d, "cmdOK");
            stillOpen = d->isVisible();
            Click(d, "cmdCancel");
        });
        QVERIFY(stillOpen);
        QVERIFY(f.env.msgs.saw(Msg::kFieldsMissing));
        QCOMPARE(f.env.msgs.calls.first().icon, MsgIcon::Information);
        QCOMPARE(f.env.count("Changes"), 0);
        QVERIFY(w->lstChanges->count() == 0);
    }

    void editThirdChangeSelectsFirst()
    {
        Editor f;
        f.env.addChange(f.v1, QStringLiteral("a"));
        f.env.addChange(f.v1, QStringLiteral("b"));
        const qint64 c = f.env.addChange(f.v1, QStringLiteral("c"));
        auto w = f.open();
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
        QCOMPARE(f.env.scalar("SELECT [Change] FROM Changes WHERE ChangeID = ?", {c}),
                 QVariant(QStringLiteral("c, edited")));

        // OK without altering the text saves it unchanged, silently.
        w->lstChanges->setCurrentRow(1);
        WorkDialog(w->cmdEditChange, [](QDialog* d) { Click(d, "cmdOK"); });
        QCOMPARE(Lines(w->lstChanges).at(1), QStringLiteral("b"));
        QCOMPARE(f.env.msgs.count(), 0);
        QCOMPARE(f.env.count("Changes"), 3);
    }

    void cancelAndCloseBoxWriteNothing()
    {
        Editor f;
        f.env.addChange(f.v1, QStringLiteral("a"));
        f.env.addChange(f.v1, QStringLiteral("b"));
        auto w = f.open();
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
        QCOMPARE(f.env.count("Changes"), 2);
        QCOMPARE(f.env.scalar("SELECT COUNT(*) FROM Changes WHERE [Change] IN ('a', 'b')"),
                 QVariant(2));
        QCOMPARE(f.env.msgs.count(), 0);
    }

    void sameTextChangesAreToldApartByKey()
    {
        Editor f;
        const qint64 first = f.env.addChange(f.v1, QStringLiteral("same"));
        const qint64 second = f.env.addChange(f.v1, QStringLiteral("same"));
        auto w = f.open();

        w->lstChanges->setCurrentRow(1);
        WorkDialog(w->cmdEditChange, [](QDialog* d) {
            child<QLineEdit>(d, "txtChange")->setText(QStringLiteral("other"));
            Click(d, "cmdOK");
        });
        QCOMPARE(f.env.scalar("SELECT [Change] FROM Changes WHERE ChangeID = ?", {first}),
                 QVariant(QStringLiteral("same")));
        QCOMPARE(f.env.scalar("SELECT [Change] FROM Changes WHERE ChangeID = ?", {second}),
                 QVariant(QStringLiteral("other")));

        // Back to two equal texts; deleting the second removes the second only.
        w->lstChanges->setCurrentRow(1);
        WorkDialog(w->cmdEditChange, [](QDialog* d) {
            child<QLineEdit>(d, "txtChange")->setText(QStringLiteral("same"));
            Click(d, "cmdOK");
        });
        w->lstChanges->setCurrentRow(1);
        f.env.msgs.answer(MsgResult::Yes);
        w->cmdDeleteChange->click();
        QCOMPARE(f.env.count("Changes"), 1);
        QCOMPARE(f.env.scalar("SELECT ChangeID FROM Changes").toLongLong(), first);
    }

    void deleteChangeShowsFirstVersionAgain()
    {
        Editor f;
        f.env.addChange(f.v1, QStringLiteral("first version's"));
        f.env.addChange(f.v2, QStringLiteral("second version's"));
        auto w = f.open();
        w->lstVersionDate->setCurrentRow(1);
        w->lstChanges->setCurrentRow(0);

        // No keeps everything, Yes asks the way every delete does.
        w->cmdDeleteChange->click();
        QCOMPARE(f.env.count("Changes"), 2);
        QCOMPARE(w->lstVersionDate->currentRow(), 1);
        const MsgBoxCall ask = f.env.msgs.calls.last();
        QCOMPARE(ask.text, QStringLiteral("Are you sure you want to delete this change/reason?"));
        QCOMPARE(ask.buttons, MsgButtons::YesNo);
        QCOMPARE(ask.defaultButton, MsgResult::No);

        f.env.msgs.answer(MsgResult::Yes);
        w->cmdDeleteChange->click();
        QCOMPARE(f.env.count("Changes"), 1);
        QCOMPARE(f.env.scalar("SELECT ReleaseID FROM Changes").toLongLong(), f.v1);
        QCOMPARE(w->lstVersionDate->currentRow(), 0);
        QCOMPARE(Lines(w->lstChanges), QStringList{QStringLiteral("first version's")});
    }

    void commandsWithoutSelectionAreRefused()
    {
        Editor f;
        f.env.addChange(f.v1, QStringLiteral("a"));
        f.env.addFile(f.v1, QStringLiteral("a.dll"), QStringLiteral("1"), QDate(1999, 1, 1));
        auto w = f.open();
        w->lstFiles->clearSelection();

        QVERIFY(!WorkDialog(w->cmdEditChange).opened);
        QCOMPARE(f.env.msgs.lastText(), Msg::kNoRecordToEdit);
        QVERIFY(!WorkDialog(w->cmdEditFile).opened);
        QCOMPARE(f.env.msgs.lastText(), Msg::kNoRecordToEdit);
        w->cmdDeleteChange->click();
        QCOMPARE(f.env.msgs.lastText(), Msg::kNoRecordToDelete);
        w->cmdDeleteFile->click();
        QCOMPARE(f.env.msgs.lastText(), Msg::kNoRecordToDelete);
        for (const MsgBoxCall& c : f.env.msgs.calls) {
            QCOMPARE(c.icon, MsgIcon::Information);
            QCOMPARE(c.buttons, MsgButtons::OK);
        }
        QCOMPARE(f.env.msgs.count(), 4);

        // A deselected version line gives a new record nothing to belong to.
        f.env.msgs.clear();
        w->lstVersionDate->clearSelection();
        QVERIFY(!WorkDialog(w->cmdAddChange).opened);
        QCOMPARE(f.env.msgs.lastText(), Msg::kNoVersion);
        QVERIFY(!WorkDialog(w->cmdAddFile).opened);
        QCOMPARE(f.env.msgs.lastText(), Msg::kNoVersion);
        QCOMPARE(f.env.msgs.calls.last().icon, MsgIcon::Information);
        QCOMPARE(f.env.count("Changes"), 1);
        QCOMPARE(f.env.count("Files"), 1);
    }

    void failedChangeWritesNothingNowOrLater()
    {
        Editor f;
        f.env.addChange(f.v1, QStringLiteral("kept"));
        auto w = f.open();

        // A failing OK keeps what was typed; once the database works, OK stores it once.
        FailingWrites fail(f.env, "INSERT", "Changes");
        QString keptText;
        WorkDialog(w->cmdAddChange, [&](QDialog* d) {
            child<QLineEdit>(d, "txtChange")->setText(QStringLiteral("new"));
            Click(d, "cmdOK");
            keptText = d->isVisible() ? child<QLineEdit>(d, "txtChange")->text() : QString();
            fail.stop();
            Click(d, "cmdOK");
        });
        QVERIFY(f.env.msgs.sawDatabaseError());
        QCOMPARE(keptText, QStringLiteral("new"));
        QCOMPARE(f.env.count("Changes"), 2);
        QCOMPARE(Lines(w->lstChanges),
                 (QStringList{QStringLiteral("kept"), QStringLiteral("new")}));

        // A failed add or edit that is then cancelled is not saved by a later move of the set.
        QVERIFY(RefusedSaveStaysOpen(f.env, "INSERT", "Changes", w->cmdAddChange,
                                     {{"txtChange", QStringLiteral("lost")}}));
        revisitVersions(*w);
        QCOMPARE(f.env.count("Changes"), 2);
        w->lstChanges->setCurrentRow(0);
        QVERIFY(RefusedSaveStaysOpen(f.env, "UPDATE", "Changes", w->cmdEditChange,
                                     {{"txtChange", QStringLiteral("changed")}}));
        revisitVersions(*w);
        QCOMPARE(f.env.scalar("SELECT COUNT(*) FROM Changes WHERE [Change] = 'kept'"), QVariant(1));

        // A failed delete keeps the row and the lists.
        w->lstChanges->setCurrentRow(1);
        QVERIFY(RefusedDelete(f.env, "Changes", w->cmdDeleteChange));
        QCOMPARE(f.env.count("Changes"), 2);
        QCOMPARE(Lines(w->lstChanges),
                 (QStringList{QStringLiteral("kept"), QStringLiteral("new")}));
    }

    void addFileStoresPickerDateAndListsColumns()
    {
        Editor f;
        auto w = f.open();

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
        QCOMPARE(f.env.scalar("SELECT [Date] FROM Files WHERE [File] = 'untouched.dll'").toString(),
                 QStringLiteral("1999-08-16"));
        QCOMPARE(f.env.scalar("SELECT ReleaseID FROM Files").toLongLong(), f.v1);

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
        QCOMPARE(f.env.scalar("SELECT [Date] FROM Files WHERE [File] = 'setup.exe'").toString(),
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
        QCOMPARE(f.env.scalar("SELECT [Version] FROM Files WHERE [File] = ?", {twenty}),
                 QVariant(QStringLiteral(" ")));
    }

    void fileNeedsNameAndVersion()
    {
        Editor f;
        auto w = f.open();
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
        QCOMPARE(f.env.msgs.count(), 2);
        QCOMPARE(f.env.msgs.calls.at(0).text, Msg::kFieldsMissing);
        QCOMPARE(f.env.msgs.calls.at(1).text, Msg::kFieldsMissing);
        QCOMPARE(f.env.count("Files"), 0);
    }

    void editThirdFileShowsStoredValues()
    {
        Editor f;
        f.env.addFile(f.v1, QStringLiteral("a.dll"), QStringLiteral("1"), QDate(1998, 1, 1));
        f.env.addFile(f.v1, QStringLiteral("b.dll"), QStringLiteral("2"), QDate(1998, 2, 2));
        const qint64 c = f.env.addFile(f.v1, QStringLiteral("c.dll"), QStringLiteral("3.1"),
                                       QDate(1998, 12, 24));
        auto w = f.open();
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
        QCOMPARE(f.env.scalar("SELECT [Date] FROM Files WHERE FileID = ?", {c}).toString(),
                 QStringLiteral("2001-03-03"));
        QCOMPARE(f.env.scalar("SELECT ReleaseID FROM Files WHERE FileID = ?", {c}).toLongLong(),
                 f.v1);

        // OK without changes stores the same three values.
        w->lstFiles->setCurrentRow(1);
        const QStringList before = Lines(w->lstFiles);
        WorkDialog(w->cmdEditFile, [](QDialog* d) { Click(d, "cmdOK"); });
        QCOMPARE(Lines(w->lstFiles), before);
        QCOMPARE(f.env.scalar("SELECT [Date] FROM Files WHERE [File] = 'b.dll'").toString(),
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
        QCOMPARE(f.env.scalar("SELECT COUNT(*) FROM Files WHERE [File] = 'dropped'"), QVariant(0));
        QCOMPARE(f.env.msgs.count(), 0);
    }

    void editingAFileWithoutDateKeepsItEmpty()
    {
        Editor f;
        const qint64 id = f.env.insert("Files", {"ReleaseID", "File", "Version", "Date"},
                                       {f.v1, "nodate.dll", "1", QVariant()});
        auto w = f.open();
        WorkDialog(w->cmdEditFile, [](QDialog* d) {
            child<QLineEdit>(d, "txtVersion")->setText(QStringLiteral("1.1"));
            Click(d, "cmdOK");
        });
        QCOMPARE(f.env.scalar("SELECT [Version] FROM Files WHERE FileID = ?", {id}),
                 QVariant(QStringLiteral("1.1")));
        QVERIFY(f.env.scalar("SELECT [Date] FROM Files WHERE FileID = ?", {id}).isNull());
    }

    void filesDeletedByKeyAndFirstVersionShownAgain()
    {
        Editor f;
        f.env.addFile(f.v1, QStringLiteral("one.dll"), QStringLiteral("1"), QDate(1999, 1, 1));
        const qint64 keep =
            f.env.addFile(f.v2, QStringLiteral("twin.dll"), QStringLiteral("2"), QDate(2000, 1, 1));
        const qint64 drop =
            f.env.addFile(f.v2, QStringLiteral("twin.dll"), QStringLiteral("2"), QDate(2000, 1, 1));
        auto w = f.open();
        w->lstVersionDate->setCurrentRow(1);
        QCOMPARE(w->lstFiles->item(0)->text(), w->lstFiles->item(1)->text());
        w->lstFiles->setCurrentRow(1);

        w->cmdDeleteFile->click(); // answered No
        QCOMPARE(f.env.count("Files"), 3);
        QCOMPARE(f.env.msgs.lastText(),
                 QStringLiteral("Are you sure you want to delete this needed file?"));

        f.env.msgs.answer(MsgResult::Yes);
        w->cmdDeleteFile->click();
        QCOMPARE(f.env.scalar("SELECT COUNT(*) FROM Files WHERE FileID = ?", {keep}), QVariant(1));
        QCOMPARE(f.env.scalar("SELECT COUNT(*) FROM Files WHERE FileID = ?", {drop}), QVariant(0));
        QCOMPARE(w->lstVersionDate->currentRow(), 0);
        QCOMPARE(Lines(w->lstFiles),
                 QStringList{QStringLiteral("one.dll") + QString(13, ' ') + QStringLiteral("1") +
                             QString(19, ' ') + QStringLiteral("01/01/1999")});
        QCOMPARE(w->lstFiles->currentRow(), 0);
    }

    void failedFileWritesNothingNowOrLater()
    {
        Editor f;
        f.env.addFile(f.v1, QStringLiteral("kept.dll"), QStringLiteral("1"), QDate(1999, 1, 1));
        auto w = f.open();

        QVERIFY(RefusedSaveStaysOpen(
            f.env, "INSERT", "Files", w->cmdAddFile,
            {{"txtFile", QStringLiteral("lost.dll")}, {"txtVersion", QStringLiteral("1")}}));
        QVERIFY(RefusedSaveStaysOpen(f.env, "UPDATE", "Files", w->cmdEditFile,
                                     {{"txtFile", QStringLiteral("renamed.dll")}}));
        revisitVersions(*w);
        QCOMPARE(f.env.count("Files"), 1);
        QCOMPARE(f.env.scalar("SELECT [File] FROM Files"), QVariant(QStringLiteral("kept.dll")));

        QVERIFY(RefusedDelete(f.env, "Files", w->cmdDeleteFile));
        QCOMPARE(f.env.count("Files"), 1);
        QCOMPARE(w->lstFiles->count(), 1);
    }
};

QTEST_MAIN(TestDetails)
#include "tst_details.moc"
