// Writes a large database for the benchmark: thousands of titles, one title with years of
// history, and titles of 1,000 and 10,000 problems to show how the timings grow. The same
// seed gives the same file, byte for byte.
#include "core/data/Connection.h"
#include "core/data/DbError.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDriver>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/BenchData.h"

namespace {

// xoshiro-style generators differ between standard libraries' distributions; this one is ours
// so that a seed means the same rows everywhere.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [lo, hi].
    int between(int lo, int hi) { return lo + int(next() % std::uint64_t(hi - lo + 1)); }

private:
    std::uint64_t m_state;
};

const char* const kWords[] = {
    "the",        "a",           "an",          "and",         "or",           "not",
    "when",       "after",       "before",      "while",       "with",         "without",
    "from",       "into",        "on",          "in",          "at",           "for",
    "of",         "to",          "is",          "was",         "are",          "were",
    "be",         "has",         "have",        "does",        "do",           "can",
    "cannot",     "will",        "should",      "must",        "may",          "then",
    "again",      "user",        "users",       "customer",    "program",      "setup",
    "installer",  "install",     "uninstall",   "update",      "upgrade",      "version",
    "release",    "build",       "patch",       "driver",      "drivers",      "printer",
    "screen",     "display",     "window",      "dialog",      "button",       "menu",
    "toolbar",    "list",        "box",         "field",       "record",       "table",
    "database",   "file",        "files",       "folder",      "path",         "disk",
    "drive",      "network",     "server",      "client",      "port",         "socket",
    "connection", "timeout",     "error",       "message",     "warning",      "crash",
    "hang",       "freeze",      "slow",        "fast",        "memory",       "leak",
    "buffer",     "overflow",    "stack",       "heap",        "pointer",      "null",
    "value",      "setting",     "settings",    "option",      "options",      "registry",
    "key",        "keys",        "font",        "fonts",       "color",        "colour",
    "page",       "pages",       "report",      "reports",     "print",        "preview",
    "margin",     "paper",       "letter",      "size",        "scale",        "zoom",
    "mouse",      "keyboard",    "shortcut",    "focus",       "click",        "double",
    "right",      "left",        "top",         "bottom",      "start",        "stop",
    "restart",    "reboot",      "boot",        "service",     "process",      "thread",
    "lock",       "locked",      "access",      "denied",      "permission",   "administrator",
    "account",    "password",    "login",       "logout",      "session",      "date",
    "time",       "zone",        "format",      "locale",      "language",     "text",
    "character",  "encoding",    "import",      "export",      "copy",         "paste",
    "cut",        "undo",        "redo",        "save",        "open",         "close",
    "delete",     "rename",      "move",        "search",      "find",         "replace",
    "sort",       "filter",      "column",      "row",         "cell",         "sheet",
    "chart",      "graph",       "image",       "picture",     "icon",         "sound",
    "audio",      "video",       "card",        "modem",       "serial",       "parallel",
    "usb",        "cable",       "device",      "hardware",    "software",     "firmware",
    "bios",       "chipset",     "graphics",    "resolution",  "colour depth", "monitor",
    "laptop",     "desktop",     "workstation", "domain",      "proxy",        "firewall",
    "antivirus",  "scanner",     "mail",        "attachment",  "workaround",   "fix",
    "fixed",      "solved",      "reinstall",   "replace the", "download",     "newer",
    "older",      "latest",      "previous",    "next",        "first",        "last",
    "only",       "always",      "never",       "sometimes",   "often",        "rarely",
    "randomly",   "immediately", "slowly",      "correctly",   "wrongly",      "missing",
    "corrupt",    "damaged",     "empty",       "full",        "large",        "small",
    "wide",       "narrow",      "checked",     "unchecked",   "enabled",      "disabled",
    "visible",    "hidden",      "shown",       "blank",
};
constexpr int kWordCount = int(sizeof(kWords) / sizeof(kWords[0]));

// Words from the vocabulary, with a line break every few words, between minLen and maxLen
// characters long.
std::string words(Rng& rng, int minLen, int maxLen)
{
    const int target = rng.between(minLen, maxLen);
    std::string s;
    s.reserve(size_t(target) + 16);
    int untilBreak = rng.between(6, 18);
    while (int(s.size()) < target) {
        if (!s.empty()) {
            if (--untilBreak == 0) {
                s += '\n';
                untilBreak = rng.between(6, 18);
            } else {
                s += ' ';
            }
        }
        s += kWords[rng.between(0, kWordCount - 1)];
    }
    s.resize(size_t(target));
    // A text does not end in a blank or a break.
    while (!s.empty() && (s.back() == ' ' || s.back() == '\n'))
        s.back() = '.';
    if (s.front() >= 'a' && s.front() <= 'z')
        s.front() = char(s.front() - 32);
    return s;
}

std::string isoDate(Rng& rng)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", rng.between(1995, 2026), rng.between(1, 12),
                  rng.between(1, 28));
    return buf;
}

class Writer {
public:
    Writer(sqlite3* db, std::uint64_t seed) : m_db(db), m_rng(seed)
    {
        m_software = prepare("INSERT INTO [Software] ([SoftwareTitle], [Comments]) VALUES (?, ?)");
        m_version = prepare("INSERT INTO [Versions] ([SoftwareID], [ReleaseNumber], [ReleaseDate])"
                            " VALUES (?, ?, ?)");
        m_change = prepare("INSERT INTO [Changes] ([ReleaseID], [Change]) VALUES (?, ?)");
        m_file = prepare("INSERT INTO [Files] ([ReleaseID], [File], [Version], [Date])"
                         " VALUES (?, ?, ?, ?)");
        m_problem = prepare("INSERT INTO [Problems] ([SoftwareID], [Problem], [Solution])"
                            " VALUES (?, ?, ?)");
    }
    ~Writer()
    {
        for (sqlite3_stmt* s : {m_software, m_version, m_change, m_file, m_problem})
            sqlite3_finalize(s);
    }

    void exec(const char* sql)
    {
        char* error = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK)
            fail(error ? error : sql);
    }

    // A title with `versions` versions (the first with `bigFiles` files and `bigChanges`
    // changes, the others with a few) and `problems` problems.
    void title(const std::string& name, int versions, int bigFiles, int bigChanges, int problems)
    {
        std::string comments;
        const bool hasComments = m_rng.between(0, 2) > 0;
        if (hasComments)
            comments = words(m_rng, 20, 400);
        bindText(m_software, 1, name);
        if (hasComments)
            bindText(m_software, 2, comments);
        else
            sqlite3_bind_null(m_software, 2);
        const sqlite3_int64 softwareId = step(m_software);

        for (int v = 0; v < versions; ++v) {
            char number[32];
            std::snprintf(number, sizeof number, "%d.%d.%d", v / 100 + 1, (v / 10) % 10, v % 10);
            sqlite3_bind_int64(m_version, 1, softwareId);
            bindText(m_version, 2, number);
            bindText(m_version, 3, isoDate(m_rng));
            const sqlite3_int64 releaseId = step(m_version);
            const int files = v == 0 ? bigFiles : m_rng.between(0, 4);
            const int changes = v == 0 ? bigChanges : m_rng.between(0, 4);
            for (int c = 0; c < changes; ++c) {
                sqlite3_bind_int64(m_change, 1, releaseId);
                bindText(m_change, 2, words(m_rng, 20, 160));
                step(m_change);
            }
            for (int f = 0; f < files; ++f) {
                char file[32], version[32];
                std::snprintf(file, sizeof file, "%s%d.%s", kWords[m_rng.between(37, 120)], f,
                              f % 3 == 0   ? "DLL"
                              : f % 3 == 1 ? "OCX"
                                           : "EXE");
                std::snprintf(version, sizeof version, "%d.%d.%d.%d", m_rng.between(1, 9),
                              m_rng.between(0, 20), m_rng.between(0, 99), m_rng.between(0, 9999));
                sqlite3_bind_int64(m_file, 1, releaseId);
                bindText(m_file, 2, file);
                bindText(m_file, 3, version);
                bindText(m_file, 4, isoDate(m_rng));
                step(m_file);
            }
        }
        for (int p = 0; p < problems; ++p) {
            sqlite3_bind_int64(m_problem, 1, softwareId);
            bindText(m_problem, 2, words(m_rng, 100, 1500));
            bindText(m_problem, 3, words(m_rng, 100, 1500));
            step(m_problem);
        }
    }

    Rng& rng() { return m_rng; }

private:
    [[noreturn]] void fail(const char* what)
    {
        std::fprintf(stderr, "gen_vantor_db: %s (%s)\n", what, sqlite3_errmsg(m_db));
        std::exit(1);
    }
    sqlite3_stmt* prepare(const char* sql)
    {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &s, nullptr) != SQLITE_OK)
            fail(sql);
        return s;
    }
    static void bindText(sqlite3_stmt* s, int i, const std::string& text)
    {
        sqlite3_bind_text(s, i, text.data(), int(text.size()), SQLITE_TRANSIENT);
    }
    sqlite3_int64 step(sqlite3_stmt* s)
    {
        if (sqlite3_step(s) != SQLITE_DONE)
            fail("insert failed");
        sqlite3_reset(s);
        return sqlite3_last_insert_rowid(m_db);
    }

    sqlite3* m_db;
    Rng m_rng;
    sqlite3_stmt *m_software, *m_version, *m_change, *m_file, *m_problem;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: gen_vantor_db FILE [SEED]\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20261207ull;
    if (QFile::exists(path) && !QFile::remove(path)) {
        std::fprintf(stderr, "gen_vantor_db: cannot replace %s\n", argv[1]);
        return 1;
    }
    try {
        // The program's own connection creates the file, so it has exactly Vantor's tables.
        auto connection = Connection::open(path);
        sqlite3* db = *static_cast<sqlite3* const*>(connection->db().driver()->handle().data());
        Writer w(db, seed);
        w.exec("PRAGMA synchronous = OFF");
        w.exec("PRAGMA journal_mode = MEMORY");
        w.exec("PRAGMA cache_size = -65536");
        w.exec("BEGIN");
        using namespace BenchData;
        // The titles the benchmark measures come first; the rest are spread among the others
        // in the list, which is sorted by name.
        w.title(kLargeTitle, kLargeVersions, kLargeFiles, kLargeChanges, kLargeProblems);
        w.title(kGrowth1000Title, kLargeVersions, kLargeFiles, kLargeChanges, 1000);
        w.title(kGrowth10000Title, kLargeVersions, kLargeFiles, kLargeChanges, 10000);
        for (int i = 1; i <= kMediumTitles; ++i)
            w.title(MediumTitle(i), 12, 20, 20, kMediumProblems);
        const int small = kTitles - 3 - kMediumTitles;
        for (int i = 1; i <= small; ++i) {
            char name[96];
            std::snprintf(name, sizeof name, "%c%s %s %05d",
                          kWords[w.rng().between(37, kWordCount - 1)][0] & ~0x20,
                          kWords[w.rng().between(37, kWordCount - 1)] + 1,
                          kWords[w.rng().between(37, kWordCount - 1)], i);
            w.title(name, w.rng().between(0, 5), 3, 3, w.rng().between(0, 3));
        }
        w.exec("COMMIT");
    } catch (const DbError& e) {
        std::fprintf(stderr, "gen_vantor_db: %s\n", qPrintable(e.text()));
        return 1;
    }
    Connection::closeAll();
    return 0;
}
