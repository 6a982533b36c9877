// The exported problem page in a real browser: headless Chromium loads it from the disk, types
// the shared table's searches into its boxes and reads what it lists, which must be what the
// window's Find finds (tst_problemfiles answers the same table). A stored script never runs; the
// page fits a phone's width and prints. Screenshots and the print stay in page-shots.
#include "core/data/Connection.h"
#include "tests/CoreSupport.h"
#include "tests/FindTable.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

namespace {
const QString kShots = QStringLiteral(VANTOR_SHOTS);

int run(const QString& program, const QStringList& arguments, QString* errors = nullptr)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(300000))
        return -1;
    if (errors)
        *errors = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// Types every search of the table into the page and compares what it lists with the table.
void checkPage(const QString& page, const QMap<QString, qint64>& keys, const FindTable& table,
               const QString& shots)
{
    const QString out = shots + "/answers.json";
    QString errors;
    QCOMPARE(run(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(VANTOR_TESTS_DIR "/browser_page.py"), "search", page,
                  QStringLiteral(VANTOR_TEST_DATA "/find_table.json"), out, shots},
                 &errors),
             0);
    QFile f(out);
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(errors));
    const QJsonObject answers = QJsonDocument::fromJson(f.readAll()).object();
    const QJsonArray searches = answers.value("searches").toArray();
    QCOMPARE(searches.size(), table.searches.size());
    for (qsizetype i = 0; i < searches.size(); ++i) {
        const FindTable::Search& s = table.searches.at(i);
        QStringList found;
        for (const QJsonValue& id : searches.at(i).toObject().value("found").toArray())
            found << keys.key(id.toString().toLongLong());
        const QString status = searches.at(i).toObject().value("status").toString();
        QVERIFY2(found == s.finds, qPrintable(QStringLiteral("%1 | %2: the page listed %3")
                                                  .arg(s.problem, s.solution, found.join(","))));
        QVERIFY2(s.finds.isEmpty() == (status == "No matches were found"), qPrintable(status));
    }
    // Neither the stored <script> nor the <img onerror> ran, on the page or in its results.
    QCOMPARE(answers.value("injected").toArray(), QJsonArray({"undefined", "undefined"}));
    QVERIFY(answers.value("phoneWidth").toInt() <= 390);
    QFile pdf(shots + "/print.pdf");
    QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
}
} // namespace

class TestWebPage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("chromium").isEmpty())
            QFAIL("chromium is not installed (scripts/setup.sh installs it)");
    }

    // One title as one file, written by the program's command line.
    void pageOfOneTitleFindsWhatFindFinds()
    {
        CoreEnv env(CoreEnv::File);
        const FindTable table = FindTable::load();
        const qint64 title = env.addTitle("Support <Desk>");
        const QMap<QString, qint64> keys = table.fill(env, title);
        Connection::closeAll();
        const QString page = env.folder() + "/page.html";
        QString errors;
        QCOMPARE(run(QStringLiteral(VANTOR_PROGRAM),
                     {"--database", env.dbPath(), "--export-problems", "html", "--title",
                      "Support <Desk>", page},
                     &errors),
                 0);
        const QString shots = kShots + "/one-title";
        QDir().mkpath(shots);
        checkPage(page, keys, table, shots);
    }

    // Every title as a folder: the title's page there, with the style sheet and the script it
    // shares with the others, finds the same.
    void pageInAFolderFindsTheSame()
    {
        CoreEnv env(CoreEnv::File);
        const FindTable table = FindTable::load();
        env.addTitle("Another title");
        const qint64 title = env.addTitle("Support Desk");
        const QMap<QString, qint64> keys = table.fill(env, title);
        Connection::closeAll();
        const QString site = env.folder() + "/site";
        QCOMPARE(run(QStringLiteral(VANTOR_PROGRAM),
                     {"--database", env.dbPath(), "--export-problems", "html", site}),
                 0);
        const QString shots = kShots + "/folder";
        QDir().mkpath(shots);
        checkPage(site + QStringLiteral("/t%1.html").arg(title), keys, table, shots);
    }
};

QTEST_GUILESS_MAIN(TestWebPage)
#include "tst_webpage.moc"
