// A second process for the fault tests.
//   faults_helper lock DATABASE   holds a write lock until its input closes, then commits
//   faults_helper burst DATABASE  saves problems one command at a time, printing each saved one
#include "core/data/Connection.h"
#include "core/data/RecordSource.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"

#include <QCoreApplication>

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int holdLock(const char* path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return 2;
    char* error = nullptr;
    if (sqlite3_exec(db,
                     "BEGIN IMMEDIATE; INSERT INTO Software (SoftwareTitle) VALUES "
                     "('written by another program')",
                     nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", error ? error : "?");
        return 3;
    }
    std::printf("locked\n");
    std::fflush(stdout);
    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
    }
    sqlite3_busy_timeout(db, 10000);
    const int rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return rc == SQLITE_OK ? 0 : 4;
}

// Each command adds a problem and notes its number in the title's comments; a number is
// printed only once its command has returned.
int burst(const char* path)
{
    SetMsgBoxHook([](const MsgBoxCall& call) {
        std::fprintf(stderr, "%s\n", qPrintable(call.text));
        return MsgResult::OK;
    });
    RecordSource problems(QStringLiteral("dataProblems"));
    RecordSource software(QStringLiteral("dataSoftware"));
    try {
        problems.setConnectionString(ConnectionText(QString::fromLocal8Bit(path)));
        software.setConnectionString(ConnectionText(QString::fromLocal8Bit(path)));
        problems.setRecordSource(QStringLiteral("SELECT * FROM [Problems] WHERE [SoftwareID] = 1"));
        problems.Refresh();
        software.setRecordSource(QStringLiteral("SELECT * FROM [Software] WHERE [SoftwareID] = 1"));
        software.Refresh();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    const QString filler(3000, QLatin1Char('x'));
    for (int i = 0;; ++i) {
        const bool ok = RunCommand(problems.connection(), [&] {
            problems.AddNew();
            problems.setField(QStringLiteral("SoftwareID"), 1);
            problems.setField(QStringLiteral("Problem"), QStringLiteral("burst %1").arg(i));
            problems.setField(QStringLiteral("Solution"), filler.repeated(1 + i % 7));
            problems.Update();
            software.setField(QStringLiteral("Comments"), QStringLiteral("after %1").arg(i));
            software.Update();
        });
        if (!ok)
            return 3;
        std::printf("%d\n", i);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 1;
    if (std::strcmp(argv[1], "lock") == 0)
        return holdLock(argv[2]);
    if (std::strcmp(argv[1], "burst") == 0)
        return burst(argv[2]);
    return 1;
}
