// Two people on one database, on a file or on the server: the second is a process of its own
// (second_user). No save or delete of this window passes over a change the other made since
// this window read the row.
#include "core/engine/DbError.h"
#include "tests/ProblemSupport.h"

#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QtTest>

namespace {
const QString kRefused =
    QStringLiteral("The database could not carry out the command; nothing was changed.\n\n");
const QString kChanged = RowConflict(RowConflict::Changed, false).text();
const QString kNotDeleted = RowConflict(RowConflict::Changed, true).text();

// A title with two problems and a version with a change, and a second title; the window is open
// on the first.
struct Shared {
    Shared()
    {
        title = db.addTitle("Shared", "our comments");
        gone = db.addTitle("Gone");
        first = db.addProblem(title, "first problem", "first solution");
        second = db.addProblem(title, "second problem", "second solution");
        release = db.addVersion(title, "1.0", QDate(2020, 1, 1));
        change = db.addChange(release, "our change");
        w = env.openWindow("Shared");
        w->tabGeneral->setCurrentIndex(1);
    }
    // One committed command of the other user; what it printed.
    QString other(const QStringList& command)
    {
        QProcess p;
        p.start(QStringLiteral(VANTOR_SECOND_USER), QStringList{env.dbPath()} + command);
        const bool done = p.waitForFinished(60000);
        const QByteArray err = p.readAllStandardError();
        [&] { QVERIFY2(done && p.exitCode() == 0, err.constData()); }();
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    QVariant stored(const char* table, const char* field, qint64 key)
    {
        return db.scalar(QStringLiteral("SELECT [%2] FROM [%1] WHERE rowid = ?")
                             .arg(QLatin1String(table), QLatin1String(field)),
                         {key});
    }
    // The last message, which must be the database's refusal; its reason.
    QString refusal()
    {
        const MsgBoxCall last = env.msgs.calls.value(env.msgs.count() - 1);
        env.msgs.clear();
        if (last.icon != MsgIcon::Critical || !last.text.startsWith(kRefused))
            return QStringLiteral("(no refusal: %1)").arg(last.text);
        return last.text.mid(kRefused.size());
    }
    void deleteWith(QAbstractButton* command)
    {
        env.msgs.answer(MsgResult::Yes);
        command->click();
    }

    TestEnv env;
    CoreEnv& db = env;
    qint64 title = 0, gone = 0, first = 0, second = 0, release = 0, change = 0;
    std::unique_ptr<MainWindow> w;
};
} // namespace

class TestConflicts : public QObject {
    Q_OBJECT
private slots:
    // Saves and deletes of a row the other changed are refused; told, the user saves again.
    void saveAndDeleteOverAnotherUsersChange()
    {
        Shared t;
        t.other({"set", "Problems", QString::number(t.first), "Solution", "their solution"});
        typeOver(t.w->txtProblem, "my problem");
        t.w->cmdNext->click();
        QCOMPARE(t.refusal(), kChanged);
        QCOMPARE(t.stored("Problems", "Problem", t.first), "first problem");
        t.w->cmdNext->click();
        QCOMPARE(t.env.msgs.count(), 0);
        QCOMPARE(t.stored("Problems", "Problem", t.first), "my problem");
        QCOMPARE(t.stored("Problems", "Solution", t.first), "their solution");

        t.other({"set", "Problems", QString::number(t.second), "Solution", "theirs"});
        t.deleteWith(t.w->cmdDeleteProblem);
        QCOMPARE(t.refusal(), kNotDeleted);
        QCOMPARE(t.db.count("Problems"), 2);
    }

    // A command that fails for another reason reads the rows again; the typing kept through it
    // still rests on the row as first read, so the next save is refused.
    void saveAfterARolledBackCommand()
    {
        Shared t;
        typeOver(t.w->txtProblem, "my problem");
        t.other({"set", "Problems", QString::number(t.first), "Solution", "their solution"});
        t.other({"delete", "Software", QString::number(t.gone)});
        SelectTitle(*t.w, "Gone");
        QVERIFY(t.refusal().startsWith("The title \"Gone\""));
        QCOMPARE(shown(*t.w), "my problem");
        t.w->cmdNext->click();
        QCOMPARE(t.refusal(), kChanged);
        QCOMPARE(t.stored("Problems", "Problem", t.first), "first problem");
        QCOMPARE(t.stored("Problems", "Solution", t.first), "their solution");
    }

    // The same for the title's comments, after a change the other deleted failed to open.
    void commentsAfterARolledBackCommand()
    {
        Shared t;
        t.w->tabGeneral->setCurrentIndex(2);
        typeOver(t.w->txtComments, "my comments");
        t.other({"set", "Software", QString::number(t.title), "Comments", "their comments"});
        t.other({"delete", "Changes", QString::number(t.change)});
        t.w->lstChanges->setCurrentRow(0);
        QVERIFY(!WorkDialog(t.w->cmdEditChange).opened);
        QVERIFY(t.refusal().startsWith("The change/reason is no longer"));
        SelectTitle(*t.w, "Shared");
        QCOMPARE(t.refusal(), kChanged);
        QCOMPARE(t.stored("Software", "Comments", t.title), "their comments");
    }

    // A line of a list, and a version with what the other changed under it, are not deleted;
    // deleting again once told removes them.
    void deleteFromAListOverAnotherUsersChange()
    {
        Shared t;
        // Added by the other user, the file is known here only from the list.
        const QString file = t.other({"add", "Files", "ReleaseID", QString::number(t.release),
                                      "File", "A.DLL", "Version", "1.0"});
        SelectTitle(*t.w, "Shared");
        t.w->lstFiles->setCurrentRow(0);
        t.other({"set", "Files", file, "File", "B.DLL"});
        t.deleteWith(t.w->cmdDeleteFile);
        QCOMPARE(t.refusal(), kNotDeleted);
        QCOMPARE(t.stored("Files", "File", file.toLongLong()), "B.DLL");

        t.w->lstVersionDate->setCurrentRow(0);
        t.other({"set", "Changes", QString::number(t.change), "Change", "their change"});
        t.deleteWith(t.w->cmdDeleteVersion);
        QCOMPARE(t.refusal(), kNotDeleted);
        QCOMPARE(t.db.count("Versions") + t.db.count("Changes") + t.db.count("Files"), 3);

        // A change they added after the version's lines were read would go with it unseen.
        t.w->lstVersionDate->setCurrentRow(0);
        t.other({"add", "Changes", "ReleaseID", QString::number(t.release), "Change", "new"});
        t.deleteWith(t.w->cmdDeleteVersion);
        QCOMPARE(t.refusal(), kNotDeleted);
        QCOMPARE(t.db.count("Changes"), 2);

        t.w->lstVersionDate->setCurrentRow(0);
        t.deleteWith(t.w->cmdDeleteVersion);
        QCOMPARE(t.env.msgs.count(), 1); // the question alone
        QCOMPARE(t.db.count("Versions") + t.db.count("Changes") + t.db.count("Files"), 0);
    }

    // A problem added after the title's problems were read would go with the title unseen.
    void deleteTitleOverAProblemAddedSince()
    {
        Shared t;
        t.other({"add", "Problems", "SoftwareID", QString::number(t.title), "Problem", "theirs"});
        t.deleteWith(t.w->cmdDeleteSoftware);
        QCOMPARE(t.refusal(), kNotDeleted);
        QCOMPARE(t.db.count("Problems"), 3);
    }

    // A change added to a version the other user deleted meanwhile is refused in plain words.
    void addUnderADeletedVersion()
    {
        Shared t;
        SelectTitle(*t.w, "Shared");
        t.w->lstVersionDate->setCurrentRow(0);
        t.other({"delete", "Versions", QString::number(t.release)});
        WorkDialog(t.w->cmdAddChange, [](QDialog* d) {
            child<QLineEdit>(d, "txtChange")->setText("mine");
            Click(d, "cmdOK");
            if (d->isVisible())
                Click(d, "cmdCancel");
        });
        const QString refusal = t.refusal();
        QVERIFY2(refusal.startsWith("The record this one belongs to is no longer in the database"),
                 qPrintable(refusal));
        QCOMPARE(t.db.count("Changes"), 0);
    }

    // Typing in a problem of the title the user deletes is no one else's change.
    void deleteOwnTitleWithTypingInItsProblem()
    {
        Shared t;
        typeOver(t.w->txtProblem, "typed before the delete");
        t.deleteWith(t.w->cmdDeleteSoftware);
        QCOMPARE(t.env.msgs.count(), 1); // the question alone
        QCOMPARE(t.db.count("Software"), 1);
        QCOMPARE(t.db.count("Problems"), 0);
        QVERIFY(shown(*t.w).isEmpty());
    }

    // A change the other user is adding to the version is not yet committed when this one
    // deletes the version: the delete waits for it and is refused instead of taking it along.
    void deleteWhileAChildIsBeingAdded()
    {
        Shared t;
        if (!t.db.onServer())
            QSKIP("A file's write lock is taken as each command begins.");
        SelectTitle(*t.w, "Shared");
        t.w->lstVersionDate->setCurrentRow(0);
        QProcess other;
        other.start(QStringLiteral(VANTOR_SECOND_USER),
                    {t.env.dbPath(), "add-held", "Changes", "ReleaseID", QString::number(t.release),
                     "Change", "theirs"});
        QVERIFY(other.waitForReadyRead(60000));
        t.deleteWith(t.w->cmdDeleteVersion);
        QVERIFY(other.waitForFinished(60000) && other.exitCode() == 0);
        QCOMPARE(t.refusal(), kNotDeleted);
        QCOMPARE(t.db.count("Changes"), 2);
    }

    // The other user's insert of the same title is not yet committed when this one is checked:
    // the check waits for it, and one of the two is refused.
    void sameTitleAddedAtOnce()
    {
        Shared t;
        if (!t.db.onServer())
            QSKIP("A file's write lock is taken as each command begins.");
        QProcess other;
        other.start(QStringLiteral(VANTOR_SECOND_USER),
                    {t.env.dbPath(), "add-held", "Software", "SoftwareTitle", "Delta"});
        QVERIFY(other.waitForReadyRead(60000));
        WorkDialog(t.w->cmdAddSoftware, [](QDialog* dlg) {
            child<QLineEdit>(dlg, "txtSoftware")->setText("Delta");
            Click(dlg, "cmdOK");
            if (dlg->isVisible())
                Click(dlg, "cmdCancel");
        });
        other.waitForFinished(60000);
        QVERIFY2(other.state() == QProcess::NotRunning && other.exitCode() == 0,
                 other.readAllStandardError().constData());
        QCOMPARE(t.db.scalar("SELECT COUNT(*) FROM Software WHERE SoftwareTitle = 'Delta'").toInt(),
                 1);
        QCOMPARE(t.env.msgs.lastText(), "You cannot have two software records with the same name.");
    }
};

QTEST_MAIN(TestConflicts)
#include "tst_conflicts.moc"
