#include "core/data/Connection.h"
#include "core/data/RecordSource.h"
#include "core/settings/Settings.h"
#include "core/sql/SqlText.h"
#include "dialogs/EditDialog.h"
#include "tests/TestSupport.h"
#include "widgets/BoundTextBox.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

namespace {
// What a test saw of a record dialog before it was closed.
struct Seen {
    bool opened = false;
    bool openAfterOk = false;
    QString caption;
};

// Clicks the command and works the dialog that opens: sets its text box (when text is given)
// and the release date, runs steps, and presses OK unless told not to.
Seen workDialog(QAbstractButton* command, const char* textBox, const std::optional<QString>& text,
                const std::optional<QDate>& date = {}, bool pressOk = true,
                const std::function<void(QDialog*)>& steps = {})
{
    bool openAfterOk = false;
    const DialogSeen seen = WorkDialog(command, [&](QDialog* dlg) {
        if (text)
            child<QLineEdit>(dlg, textBox)->setText(*text);
        if (date)
            child<QDateEdit>(dlg, "dtpReleaseDate")->setDate(*date);
        if (steps)
            steps(dlg);
        if (pressOk && dlg->isVisible()) {
            Click(dlg, "cmdOK");
            openAfterOk = dlg->isVisible();
        }
    });
    return {seen.opened, openAfterOk, seen.caption};
}

Seen software(QToolButton* command, const std::optional<QString>& title,
              const std::function<void(QDialog*)>& before = {})
{
    return workDialog(command, "txtSoftware", title, {}, true, before);
}

Seen version(QToolButton* command, const std::optional<QString>& number,
             const std::optional<QDate>& date = {},
             const std::function<void(QDialog*)>& before = {})
{
    return workDialog(command, "txtVersion", number, date, true, before);
}

bool detailCommandsEnabled(const MainWindow& w, bool enabled)
{
    for (const QToolButton* b : {w.cmdAddFile, w.cmdEditFile, w.cmdDeleteFile, w.cmdAddChange,
                                 w.cmdEditChange, w.cmdDeleteChange}) {
        if (b->isEnabled() != enabled)
            return false;
    }
    return true;
}

} // namespace

class TestTitles : public QObject {
    Q_OBJECT
private slots:
    void dialogsOpenInTheirModes()
    {
        TestEnv env;
        const qint64 id = env.addTitle(QStringLiteral("Alpha"));
        env.addVersion(id, QStringLiteral("3.1"), QDate(2002, 7, 9));
        auto w = env.openWindow();

        QString text;
        QDate date;
        QSize size;
        EditMode mode = EditMode::Find;
        // Looks at the dialog and cancels it.
        auto look = [&](QToolButton* command) {
            return workDialog(command, "", std::nullopt, {}, false, [&](QDialog* d) {
                size = d->size();
                mode = qobject_cast<EditDialog*>(d)->mode();
                if (auto* t = d->findChild<QLineEdit*>(QStringLiteral("txtSoftware")))
                    text = t->text();
                if (auto* t = d->findChild<QLineEdit*>(QStringLiteral("txtVersion")))
                    text = t->text();
                if (auto* p = d->findChild<QDateEdit*>(QStringLiteral("dtpReleaseDate"))) {
                    date = p->date();
                    QCOMPARE(p->displayFormat(), QStringLiteral("MM/dd/yyyy"));
                }
            });
        };
        Seen s = look(w->cmdAddSoftware);
        QCOMPARE(s.caption, QStringLiteral("Add Software"));
        QCOMPARE(text, QString());
        QCOMPARE(size, QSize(6195 / 15, 1185 / 15));
        QCOMPARE(mode, EditMode::Add);

        SelectTitle(*w, QStringLiteral("Alpha"));
        s = look(w->cmdEditSoftware);
        QCOMPARE(s.caption, QStringLiteral("Edit Software"));
        QCOMPARE(text, QStringLiteral("Alpha"));
        QCOMPARE(mode, EditMode::Edit);

        s = look(w->cmdAddVersion);
        QCOMPARE(s.caption, QStringLiteral("Add Version"));
        QCOMPARE(text, QString());
        QCOMPARE(date, QDate(1999, 8, 16));
        QCOMPARE(size, QSize(2775 / 15, 1545 / 15));

        s = look(w->cmdEditVersion);
        QCOMPARE(s.caption, QStringLiteral("Edit Version"));
        QCOMPARE(text, QStringLiteral("3.1"));
        QCOMPARE(date, QDate(2002, 7, 9));
        QCOMPARE(env.msgs.count(), 0);
        // OK pressed without changes saves the same values and shows nothing.
        s = version(w->cmdEditVersion, std::nullopt);
        QVERIFY(!s.openAfterOk);
        QCOMPARE(env.joined("SELECT ReleaseDate, ReleaseNumber FROM Versions", {}, ""),
                 QStringLiteral("2002-07-093.1"));
        QCOMPARE(env.msgs.count(), 0);
    }

    void addRefusesTitlesEqualIgnoringCase()
    {
        TestEnv env;
        env.addTitle(QStringLiteral("Alpha"));
        env.addTitle(QStringLiteral("Ärger"));
        auto w = env.openWindow();

        for (const QString& dup : {QStringLiteral("ALPHA"), QStringLiteral("alpha"),
                                   QStringLiteral("ÄRGER"), QStringLiteral("ärger")}) {
            env.msgs.clear();
            const Seen s = software(w->cmdAddSoftware, dup);
            QVERIFY2(s.openAfterOk, qPrintable(dup));
            QCOMPARE(env.msgs.lastText(), Msg::kDuplicateTitle);
        }
        QCOMPARE(env.count("Software"), 2);

        // A leading or trailing blank makes another title, kept as typed.
        for (const QString& other : {QStringLiteral("Alpha "), QStringLiteral(" alpha")}) {
            const Seen s = software(w->cmdAddSoftware, other);
            QVERIFY(!s.openAfterOk);
            QCOMPARE(w->cboSoftware->currentText(), other);
        }
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Software WHERE SoftwareTitle IN "
                            "('Alpha ', ' alpha')")
                     .toInt(),
                 2);
    }

    void firstTitleIsAddedAndShownExactlyAsTyped()
    {
        TestEnv env;
        auto w = env.openWindow();
        QCOMPARE(w->cboSoftware->count(), 0);

        const QString odd = QStringLiteral("  O'Brien's \"Tool\" – Ωμέγα 東京  ");
        Seen s = software(w->cmdAddSoftware, odd);
        QVERIFY(s.opened && !s.openAfterOk);
        QCOMPARE(env.scalar("SELECT SoftwareTitle FROM Software").toString(), odd);
        QCOMPARE(Titles(w->cboSoftware), QStringList{odd});
        QCOMPARE(w->cboSoftware->currentText(), odd);
        QVERIFY(env.scalar("SELECT Comments FROM Software").isNull());
        // The new title is selected as if chosen: versions can be added, details cannot yet.
        QVERIFY(w->cmdAddVersion->isEnabled());
        QVERIFY(detailCommandsEnabled(*w, false));
        QCOMPARE(w->dataSoftware->Field("SoftwareTitle").toString(), odd);

        const QString longTitle = QString(3000, QChar(0x00E9)) + QStringLiteral("'end");
        software(w->cmdAddSoftware, longTitle);
        QCOMPARE(w->cboSoftware->currentText(), longTitle);
        QCOMPARE(env.scalar("SELECT SoftwareTitle FROM Software WHERE length(SoftwareTitle) > 100")
                     .toString(),
                 longTitle);

        // A title with quotes can be edited again.
        SelectTitle(*w, odd);
        QString loaded;
        software(w->cmdEditSoftware, std::nullopt, [&](QDialog* d) {
            auto* box = d->findChild<QLineEdit*>(QStringLiteral("txtSoftware"));
            loaded = box->text();
            box->setText(odd + QStringLiteral("2"));
        });
        QCOMPARE(loaded, odd);
        QCOMPARE(w->cboSoftware->currentText(), odd + QStringLiteral("2"));
        QCOMPARE(env.count("Software"), 2);
    }

    void emptyTitleIsRefusedButBlanksAreNot()
    {
        TestEnv env;
        auto w = env.openWindow();
        Seen s = software(w->cmdAddSoftware, QString());
        QVERIFY(s.openAfterOk);
        QCOMPARE(env.msgs.lastText(), Msg::kFieldsMissing);
        QCOMPARE(env.count("Software"), 0);

        s = software(w->cmdAddSoftware, QStringLiteral("   "));
        QVERIFY(!s.openAfterOk);
        QCOMPARE(env.scalar("SELECT SoftwareTitle FROM Software").toString(),
                 QStringLiteral("   "));
    }

    void cancelShowsTheTitleAgain()
    {
        TestEnv env;
        const qint64 alpha = env.addTitle(QStringLiteral("Alpha"), QStringLiteral("alpha notes"));
        env.addVersion(alpha, QStringLiteral("1.0"), QDate(2000, 1, 1));
        env.addVersion(alpha, QStringLiteral("2.0"), QDate(2001, 1, 1));
        env.addTitle(QStringLiteral("Beta"), QStringLiteral("beta notes"));
        auto w = env.openWindow();

        // Cancel with no title shown only closes the dialog.
        Seen s = software(w->cmdAddSoftware, QStringLiteral("Gamma"),
                          [](QDialog* d) { Click(d, "cmdCancel"); });
        QVERIFY(s.opened);
        QCOMPARE(w->cboSoftware->currentIndex(), -1);
        QCOMPARE(env.count("Software"), 2);

        SelectTitle(*w, QStringLiteral("Alpha"));
        w->lstVersionDate->setCurrentRow(1);
        s = software(w->cmdAddSoftware, QStringLiteral("BETA"));
        QVERIFY(s.openAfterOk);
        QCOMPARE(env.msgs.lastText(), Msg::kDuplicateTitle);
        QCOMPARE(w->dataSoftware->recordSource(), Sql::SoftwareByTitle(QStringLiteral("Alpha")));
        QCOMPARE(w->dataSoftware->RecordCount(), 1);
        QCOMPARE(w->dataSoftware->Field("SoftwareTitle").toString(), QStringLiteral("Alpha"));
        QCOMPARE(w->lstVersionDate->currentRow(), 0);
        QCOMPARE(w->txtComments->toPlainText(), QStringLiteral("alpha notes"));

        // Closed by its close box after a refusal, the dialog leaves the shown title's
        // comments bound to the shown title.
        workDialog(w->cmdAddSoftware, "txtSoftware", QStringLiteral("beta"), {}, false,
                   [](QDialog* d) {
                       Click(d, "cmdOK");
                       d->close();
                   });
        QCOMPARE(env.msgs.lastText(), Msg::kDuplicateTitle);
        QCOMPARE(w->dataSoftware->Field("SoftwareTitle").toString(), QStringLiteral("Alpha"));
        typeOver(w->txtComments, QStringLiteral("typed later"));
        SelectTitle(*w, QStringLiteral("Beta"));
        QCOMPARE(
            env.scalar("SELECT Comments FROM Software WHERE SoftwareTitle = 'Alpha'").toString(),
            QStringLiteral("typed later"));
        QCOMPARE(
            env.scalar("SELECT Comments FROM Software WHERE SoftwareTitle = 'Beta'").toString(),
            QStringLiteral("beta notes"));
    }

    void editChecksOnlyTheOtherTitles()
    {
        TestEnv env;
        env.addTitle(QStringLiteral("Alpha"));
        const qint64 beta = env.addTitle(QStringLiteral("Beta"));
        auto w = env.openWindow();

        QVERIFY(!WorkDialog(w->cmdEditSoftware).opened);
        QCOMPARE(env.msgs.lastText(), Msg::kNoRecordToEdit);
        env.msgs.clear();

        SelectTitle(*w, QStringLiteral("Beta"));
        // Unchanged, and another letter case of itself: both saved without a message.
        for (const QString& t : {QStringLiteral("Beta"), QStringLiteral("BETA")}) {
            const Seen s = software(w->cmdEditSoftware, t);
            QVERIFY(!s.openAfterOk);
            QCOMPARE(env.msgs.count(), 0);
            QCOMPARE(w->cboSoftware->currentText(), t);
        }
        QCOMPARE(env.scalar("SELECT SoftwareTitle FROM Software WHERE SoftwareID = ?", {beta})
                     .toString(),
                 QStringLiteral("BETA"));

        // Another title's name, in any letter case, would hide one of the two.
        const Seen s = software(w->cmdEditSoftware, QStringLiteral("alpha"));
        QVERIFY(s.openAfterOk);
        QCOMPARE(env.msgs.lastText(), Msg::kDuplicateTitle);
        QCOMPARE(Titles(w->cboSoftware), (QStringList{"Alpha", "BETA"}));
        QCOMPARE(w->cboSoftware->currentText(), QStringLiteral("BETA"));
        QCOMPARE(w->dataSoftware->Field("SoftwareID").toLongLong(), beta);

        software(w->cmdEditSoftware, QStringLiteral("Gamma"));
        QCOMPARE(Titles(w->cboSoftware), (QStringList{"Alpha", "Gamma"}));
        QCOMPARE(w->cboSoftware->currentText(), QStringLiteral("Gamma"));
        QCOMPARE(env.count("Software"), 2);
    }

    void deleteTitleRemovesAllItsRowsAndShowsNoTitle()
    {
        TestEnv env;
        const qint64 alpha = env.addTitle(QStringLiteral("Alpha"), QStringLiteral("notes"));
        const qint64 a1 = env.addVersion(alpha, QStringLiteral("1.0"), QDate(2000, 1, 1));
        const qint64 a2 = env.addVersion(alpha, QStringLiteral("2.0"), QDate(2001, 1, 1));
        env.addChange(a1, QStringLiteral("fixed"));
        env.addChange(a2, QStringLiteral("faster"));
        env.addFile(a1, QStringLiteral("A.DLL"), QStringLiteral("1"), QDate(2000, 1, 1));
        env.addProblem(alpha, QStringLiteral("crash"), QStringLiteral("reboot"));
        const qint64 beta = env.addTitle(QStringLiteral("Beta"));
        const qint64 b1 = env.addVersion(beta, QStringLiteral("9"), QDate(2003, 1, 1));
        env.addChange(b1, QStringLiteral("beta change"));
        env.addProblem(beta, QStringLiteral("beta problem"), QString());
        auto w = env.openWindow();

        w->cmdDeleteSoftware->click();
        QCOMPARE(env.msgs.lastText(), Msg::kNoRecord);

        SelectTitle(*w, QStringLiteral("Alpha"));
        env.msgs.clear();
        w->cmdDeleteSoftware->click(); // answered No
        QCOMPARE(env.msgs.count(), 1);
        const MsgBoxCall ask = env.msgs.calls.first();
        QCOMPARE(ask.text, Msg::kDeleteTitle);
        QVERIFY(ask.buttons == MsgButtons::YesNo && ask.defaultButton == MsgResult::No);
        QCOMPARE(env.count("Software") + env.count("Versions") + env.count("Changes") +
                     env.count("Files") + env.count("Problems"),
                 2 + 3 + 3 + 1 + 2);
        QCOMPARE(w->cboSoftware->currentText(), QStringLiteral("Alpha"));

        env.msgs.answer(MsgResult::Yes);
        w->cmdDeleteSoftware->click();
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Versions WHERE SoftwareID = ?", {alpha}).toInt(),
                 0);
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Problems WHERE SoftwareID = ?", {alpha}).toInt(),
                 0);
        QCOMPARE(
            env.scalar("SELECT COUNT(*) FROM Changes WHERE ReleaseID IN (?, ?)", {a1, a2}).toInt(),
            0);
        QCOMPARE(
            env.scalar("SELECT COUNT(*) FROM Files WHERE ReleaseID IN (?, ?)", {a1, a2}).toInt(),
            0);
        QCOMPARE(env.count("Software") + env.count("Versions") + env.count("Changes") +
                     env.count("Problems"),
                 4);

        // The window is as after start-up.
        QCOMPARE(Titles(w->cboSoftware), QStringList{"Beta"});
        QCOMPARE(w->cboSoftware->currentIndex(), -1);
        QVERIFY(w->cboSoftware->currentText().isEmpty());
        for (const QListWidget* l : {w->lstVersionDate, w->lstVersionID, w->lstChanges,
                                     w->lstChangeID, w->lstFiles, w->lstFileID})
            QCOMPARE(l->count(), 0);
        for (const BoundTextBox* b : {w->txtComments, w->txtProblem, w->txtSolution}) {
            QVERIFY(b->toPlainText().isEmpty());
            QVERIFY(b->isReadOnly());
        }
        QVERIFY(!w->cmdAddVersion->isEnabled() && !w->cmdEditVersion->isEnabled() &&
                !w->cmdDeleteVersion->isEnabled());
        QVERIFY(detailCommandsEnabled(*w, false));

        // Even reached, adding a version has no title to go to.
        env.msgs.clear();
        QVERIFY(!WorkDialog([&] { w->form->cmdAddVersion_Click(); }).opened);
        QCOMPARE(env.msgs.lastText(), Msg::kNoTitleForVersion);
        QCOMPARE(env.count("Versions"), 1);

        SelectTitle(*w, QStringLiteral("Beta"));
        env.msgs.answer(MsgResult::Yes);
        w->cmdDeleteSoftware->click();
        QCOMPARE(w->cboSoftware->count(), 0);
        QCOMPARE(env.count("Software") + env.count("Versions") + env.count("Changes") +
                     env.count("Problems"),
                 0);
    }

    void databaseFailuresChangeNothing()
    {
        TestEnv env;
        const qint64 alpha = env.addTitle(QStringLiteral("Alpha"));
        const qint64 v = env.addVersion(alpha, QStringLiteral("1.0"), QDate(2000, 1, 1));
        env.addChange(v, QStringLiteral("c"));
        env.addTitle(QStringLiteral("Beta"));
        auto w = env.openWindow(QStringLiteral("Alpha"));

        // A failed add keeps the dialog open; what it tried to write is never written later.
        QVERIFY(RefusedSaveStaysOpen(env, "INSERT", "Software", w->cmdAddSoftware,
                                     {{"txtSoftware", QStringLiteral("Gamma")}}));
        SelectTitle(*w, QStringLiteral("Beta"));
        SelectTitle(*w, QStringLiteral("Alpha"));
        QCOMPARE(env.count("Software"), 2);
        QCOMPARE(Titles(w->cboSoftware), (QStringList{"Alpha", "Beta"}));

        // The same for a rename.
        QVERIFY(RefusedSaveStaysOpen(env, "UPDATE", "Software", w->cmdEditSoftware,
                                     {{"txtSoftware", QStringLiteral("Renamed")}}));
        SelectTitle(*w, QStringLiteral("Beta"));
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Software WHERE SoftwareTitle = 'Alpha'").toInt(),
                 1);
        SelectTitle(*w, QStringLiteral("Alpha"));

        // A failed title delete leaves the title and everything under it shown.
        QVERIFY(RefusedDelete(env, "Software", w->cmdDeleteSoftware));
        QCOMPARE(env.count("Software") + env.count("Versions") + env.count("Changes"), 4);
        QCOMPARE(w->cboSoftware->currentText(), QStringLiteral("Alpha"));
        QCOMPARE(w->dataSoftware->Field("SoftwareTitle").toString(), QStringLiteral("Alpha"));
        QCOMPARE(w->lstVersionDate->count(), 1);
        QVERIFY(w->cmdAddVersion->isEnabled());

        // Versions: a failed add is not written by the next move either.
        QVERIFY(RefusedSaveStaysOpen(env, "INSERT", "Versions", w->cmdAddVersion,
                                     {{"txtVersion", QStringLiteral("2.0")}}));
        SelectTitle(*w, QStringLiteral("Beta"));
        SelectTitle(*w, QStringLiteral("Alpha"));
        QCOMPARE(env.count("Versions"), 1);
        QCOMPARE(Lines(w->lstVersionID), QStringList{QString::number(v)});

        QVERIFY(RefusedSaveStaysOpen(env, "UPDATE", "Versions", w->cmdEditVersion,
                                     {{"txtVersion", QStringLiteral("1.1")}}));
        SelectTitle(*w, QStringLiteral("Beta"));
        QCOMPARE(env.scalar("SELECT ReleaseNumber FROM Versions").toString(),
                 QStringLiteral("1.0"));
        SelectTitle(*w, QStringLiteral("Alpha"));

        QVERIFY(RefusedDelete(env, "Versions", w->cmdDeleteVersion));
        QCOMPARE(env.count("Versions") + env.count("Changes"), 2);
        QCOMPARE(w->lstVersionDate->count(), 1);
        QCOMPARE(w->lstChanges->count(), 1);
    }

    void versionsAreSavedAndTheFirstIsSelected()
    {
        TestEnv env;
        const qint64 alpha = env.addTitle(QStringLiteral("Alpha"));
        env.addTitle(QStringLiteral("Beta"));
        auto w = env.openWindow(QStringLiteral("Alpha"));
        QVERIFY(w->cmdAddVersion->isEnabled());
        QVERIFY(detailCommandsEnabled(*w, false));

        Seen s = version(w->cmdAddVersion, QString());
        QVERIFY(s.openAfterOk);
        QCOMPARE(env.msgs.lastText(), Msg::kFieldsMissing);
        QCOMPARE(env.count("Versions"), 0);

        s = version(w->cmdAddVersion, QStringLiteral("1.0.0"), QDate(2001, 2, 3));
        QVERIFY(!s.openAfterOk);
        QCOMPARE(Lines(w->lstVersionDate),
                 QStringList{QStringLiteral("1.0.0") + QString(15, ' ') + "02/03/2001"});
        QCOMPARE(w->lstVersionDate->currentRow(), 0);
        QCOMPARE(w->lstVersionID->currentRow(), 0);
        QVERIFY(detailCommandsEnabled(*w, true));
        QCOMPARE(env.joined("SELECT SoftwareID, ReleaseDate FROM Versions"),
                 QString::number(alpha) + "|2001-02-03");

        const QString twenty = QStringLiteral("12345678901234567890");
        version(w->cmdAddVersion, twenty, QDate(1601, 1, 1));
        version(w->cmdAddVersion, QStringLiteral("1.0.0"), QDate(2001, 2, 3));
        QCOMPARE(Lines(w->lstVersionDate).value(1), twenty + "01/01/1601");
        QCOMPARE(Lines(w->lstVersionDate).value(2), Lines(w->lstVersionDate).value(0));
        QCOMPARE(w->lstVersionDate->currentRow(), 0);
        QCOMPARE(w->lstVersionID->count(), 3);

        // Editing the second version: the first stays selected, the second line changes.
        const QString odd = QStringLiteral(" 2.0 'beta' Ωμέγα ");
        w->lstVersionDate->setCurrentRow(1);
        const QString editedId = w->lstVersionID->item(1)->text();
        s = version(w->cmdEditVersion, odd, QDate(9999, 12, 31));
        QVERIFY(!s.openAfterOk);
        QCOMPARE(w->lstVersionDate->currentRow(), 0);
        QCOMPARE(Lines(w->lstVersionDate).value(1), odd + QString(2, ' ') + "12/31/9999");
        QCOMPARE(env.joined("SELECT ReleaseNumber, ReleaseDate, SoftwareID FROM Versions "
                            "WHERE ReleaseID = ?",
                            {editedId}),
                 odd + "|9999-12-31|" + QString::number(alpha));

        // Blanks are a release number; a very long one is listed whole.
        const QString longNumber = QString(500, 'x');
        version(w->cmdAddVersion, QStringLiteral("  "));
        version(w->cmdAddVersion, longNumber);
        QCOMPARE(env.count("Versions"), 5);
        QVERIFY(Lines(w->lstVersionDate).value(4).startsWith(longNumber));
        QVERIFY(Lines(w->lstVersionDate).value(4).endsWith("08/16/1999"));
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Versions WHERE ReleaseNumber = '  '").toInt(), 1);

        // Another title's versions are not touched.
        SelectTitle(*w, QStringLiteral("Beta"));
        QCOMPARE(w->lstVersionDate->count(), 0);
        QVERIFY(detailCommandsEnabled(*w, false));
    }

    void deleteVersionGuardsConfirmsAndCascades()
    {
        TestEnv env;
        const qint64 alpha = env.addTitle(QStringLiteral("Alpha"));
        const qint64 v1 = env.addVersion(alpha, QStringLiteral("1.0"), QDate(2000, 1, 1));
        const qint64 v2 = env.addVersion(alpha, QStringLiteral("2.0"), QDate(2001, 1, 1));
        env.addChange(v1, QStringLiteral("one"));
        env.addChange(v2, QStringLiteral("two"));
        env.addFile(v2, QStringLiteral("B.DLL"), QStringLiteral("2"), QDate(2001, 1, 1));
        env.addFile(v1, QStringLiteral("A.DLL"), QStringLiteral("1"), QDate(2000, 1, 1));
        env.addProblem(alpha, QStringLiteral("p"), QStringLiteral("s"));
        env.addTitle(QStringLiteral("Empty"));
        auto w = env.openWindow(QStringLiteral("Empty"));
        QVERIFY(!WorkDialog(w->cmdEditVersion).opened);
        QCOMPARE(env.msgs.lastText(), Msg::kNoRecordToEdit);
        w->cmdDeleteVersion->click();
        QCOMPARE(env.msgs.lastText(), Msg::kNoRecordToDelete);

        SelectTitle(*w, QStringLiteral("Alpha"));
        w->lstVersionDate->setCurrentRow(1);
        env.msgs.clear();
        w->cmdDeleteVersion->click(); // answered No
        QCOMPARE(env.msgs.lastText(), Msg::kDeleteVersion);
        QCOMPARE(env.count("Versions") + env.count("Changes") + env.count("Files"), 6);
        QCOMPARE(w->lstVersionDate->currentRow(), 1);

        env.msgs.answer(MsgResult::Yes);
        w->cmdDeleteVersion->click();
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Versions WHERE ReleaseID = ?", {v2}).toInt(), 0);
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Changes WHERE ReleaseID = ?", {v2}).toInt(), 0);
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Files WHERE ReleaseID = ?", {v2}).toInt(), 0);
        QCOMPARE(env.count("Versions") + env.count("Changes") + env.count("Files") +
                     env.count("Problems"),
                 4);
        QCOMPARE(Lines(w->lstVersionID), QStringList{QString::number(v1)});
        QCOMPARE(w->lstVersionDate->currentRow(), 0);
        QCOMPARE(Lines(w->lstChanges), QStringList{"one"});
        QCOMPARE(w->lstFiles->count(), 1);

        env.msgs.answer(MsgResult::Yes);
        w->cmdDeleteVersion->click();
        QCOMPARE(env.count("Versions") + env.count("Changes") + env.count("Files"), 0);
        QCOMPARE(env.count("Problems"), 1);
        for (const QListWidget* l : {w->lstVersionDate, w->lstVersionID, w->lstChanges,
                                     w->lstChangeID, w->lstFiles, w->lstFileID})
            QCOMPARE(l->count(), 0);
        QVERIFY(detailCommandsEnabled(*w, false));
        QVERIFY(w->cmdAddVersion->isEnabled());
        QCOMPARE(w->txtProblem->toPlainText(), QStringLiteral("p"));

        // Adding the first version again brings the change and file commands back.
        version(w->cmdAddVersion, QStringLiteral("3.0"));
        QCOMPARE(w->lstVersionDate->currentRow(), 0);
        QVERIFY(detailCommandsEnabled(*w, true));
    }
};

QTEST_MAIN(TestTitles)
#include "tst_titles.moc"
