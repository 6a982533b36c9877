// Times the real main window on the large database (bench_window.cpp, bench_long.cpp).
// --db=PATH names a database written by gen_vantor_db, or --db=URI the same database copied
// into a PostgreSQL server (bench/run.sh --server).
#include "bench/BenchSupport.h"
#include "core/data/Connection.h"
#include "core/data/WorkProgress.h"
#include "core/settings/Settings.h"
#include "widgets/MsgBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstring>

// The plain-SQL side's own handles on the file: one to read, one to add problems.
bool OpenBaselineHandles()
{
    const QByteArray path = DatabasePath.toUtf8();
    if (sqlite3_open_v2(path.constData(), &g_raw, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
        sqlite3_open_v2(path.constData(), &g_rw, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", path.constData());
        return false;
    }
    sqlite3_busy_timeout(g_rw, 5000);
    return true;
}

int main(int argc, char** argv)
{
    // --db=PATH names the database; everything else goes to the benchmark library.
    std::vector<char*> rest;
    bool withoutIndex = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--db=", 5) == 0)
            g_dbPath = QString::fromLocal8Bit(argv[i] + 5);
        else if (std::strcmp(argv[i], "--without-search-index") == 0)
            withoutIndex = true;
        else
            rest.push_back(argv[i]);
    }
    int restCount = int(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    g_server = IsServerDatabase(g_dbPath);
    if (g_dbPath.isEmpty() || (!g_server && !QFileInfo::exists(g_dbPath))) {
        std::fprintf(stderr, "usage: bench_vantor --db=PATH-OR-URI [benchmark options]\n"
                             "  PATH is a database written by gen_vantor_db, URI a server's "
                             "copy of it\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);

    // A program folder of its own whose settings file names the benchmark's database.
    g_folder = std::make_unique<QTemporaryDir>();
    SetProgramFolder(g_folder->path());
    IniFilePath = g_folder->filePath(QStringLiteral("VANTOR.INI"));
    DatabasePath = g_server ? g_dbPath : QFileInfo(g_dbPath).absoluteFilePath();
    WriteIniSetting(QStringLiteral("Preferences"), QStringLiteral("Database"), DatabasePath);
    SetMsgBoxHook([](const MsgBoxCall& call) {
        if (call.text == QStringLiteral("No matches were found")) {
            ++g_noMatchMessages;
            return MsgResult::OK;
        }
        std::fprintf(stderr, "message: %s\n", qPrintable(call.text));
        std::abort(); // a message means the benchmark measured a failure
        return MsgResult::OK;
    });

    if (!g_server && !OpenBaselineHandles())
        return 1;
    // As the program's start-up does: a database without Find's index gets it first, unless
    // the figures without it are wanted (of a database that has none).
    if (!withoutIndex) {
        QElapsedTimer clock;
        clock.start();
        NoProgress none;
        const QString note = Connection::shared(DatabasePath)->engine().prepareSearch(none);
        std::fprintf(stderr, "search index ready in %lld ms %s\n",
                     static_cast<long long>(clock.elapsed()), qPrintable(note));
    }

    RegisterWindowBenchmarks();
    RegisterLongTextBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_window.reset();
    RemoveLongTexts();
    Connection::closeAll();
    sqlite3_close(g_raw);
    sqlite3_close(g_rw);
    return 0;
}
