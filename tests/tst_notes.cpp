// Release notes out of a database and changelogs into one: the Markdown round trip on either
// engine, changelogs as public projects write them, files that are not changelogs, and the JSON
// form's fields.
#include "core/data/Connection.h"
#include "core/engine/DbError.h"
#include "core/notes/ChangelogParser.h"
#include "core/notes/NotesFormat.h"
#include "core/notes/NotesStore.h"
#include "tests/CoreSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {
// What a version holds, in one comparable text per field.
QStringList described(const ReleaseNotes& notes)
{
    QStringList out;
    for (const NoteVersion& v : notes.versions) {
        out << QStringLiteral("version [%1] %2")
                   .arg(v.release.toString(), v.date.toString(Qt::ISODate));
        for (const QVariant& c : v.changes)
            out << QStringLiteral("  change [%1]").arg(c.toString());
        for (const NoteFile& f : v.files)
            out << QStringLiteral("  file [%1] [%2] %3")
                       .arg(f.file.toString(), f.version.toString(), f.date.toString(Qt::ISODate));
    }
    return out;
}

// Notes as a person enters them: the oldest version first, each with its changes and files.
qint64 store(CoreEnv& env, const QString& title, const ReleaseNotes& notes)
{
    const qint64 software = env.addTitle(title);
    for (auto v = notes.versions.rbegin(); v != notes.versions.rend(); ++v) {
        const qint64 release =
            env.insert("Versions", {"SoftwareID", "ReleaseNumber", "ReleaseDate"},
                       {software, v->release, v->date.isValid() ? QVariant(v->date) : QVariant()});
        for (const QVariant& c : v->changes)
            env.addChange(release, c.toString());
        for (const NoteFile& f : v->files)
            env.insert(
                "Files", {"ReleaseID", "File", "Version", "Date"},
                {release, f.file, f.version, f.date.isValid() ? QVariant(f.date) : QVariant()});
    }
    return software;
}

// Texts that Markdown would take for markup, or lose, in every place a text can stand.
ReleaseNotes awkwardNotes()
{
    ReleaseNotes n;
    n.title = "Title *with* [markup] & <tags>";
    n.versions.push_back(
        {"2.0",
         QDate(2024, 5, 1),
         {"Plain change",
          "Markdown *stars* _under_ snake_case `ticks` [link](x) <b>tag</b> & &amp; | # ~~",
          "# looks like a heading", "1. looks numbered", "- looks like an item", "> quoted",
          "=== underline", "  leading and trailing blanks  ", " ", "two lines\nsecond line",
          "blank line\n\nbetween", "ends with a line break\n", "\nstarts with one",
          "back\\slash at the end\\", "Unicode: Grüße, 日本語, 😀", "tab\there", "---"},
         {{"a|b.dll", "1.0 [x]", QDate(2024, 4, 30)}, {"plain.exe", "", QDate()}}});
    n.versions.push_back({"1.10 beta [rc]", QDate(), {"an undated version keeps its place"}, {}});
    n.versions.push_back({"1.9", QDate(2023, 1, 2), {}, {}});
    n.versions.push_back({"1.8", QDate(2023, 1, 2), {"same date, entered before 1.9"}, {}});
    return n;
}

// The style of a real public project's changelog: several heading shapes, categories, links,
// wrapped and nested items, a paragraph, Unreleased and link references.
const char kPublicChangelog[] = R"(# Changelog
All notable changes to this project will be documented in this file.

The format is based on [Keep a Changelog](https://keepachangelog.com/en/1.1.0/),
and this project adheres to [Semantic Versioning](https://semver.org/spec/v2.0.0.html).

## [Unreleased]

### Added
- Something not released yet.

## [1.1.1] - 2023-03-05

### Added

- Arabic translation (#444).
- v1.1 French translation.

### Fixed

- Improve French translation (#377).
- A fix that wraps
  over two lines.

### Changed

- Upgrade dependencies:
  - Ruby 3.2.1
  - Middleman

<!-- a comment
over lines -->
## [1.1.0](https://github.com/o/r/compare/v1.0.0...v1.1.0) - 2019-02-15

* Plain item without a category

---

## 1.0.0 (2017-06-20)

Initial release with a paragraph
that wraps.

## v0.3.0 - 2015-12-03 [YANKED]
### Removed
+ Old stuff

## 0.0.1

- undated first

[unreleased]: https://github.com/o/r/compare/v1.1.1...HEAD
[1.1.1]: https://github.com/o/r/compare/v1.1.0...v1.1.1
)";

const QStringList kPublicExpected = {
    "version [1.1.1] 2023-03-05",
    "  change [Added: Arabic translation (#444).]",
    "  change [Added: v1.1 French translation.]",
    "  change [Fixed: Improve French translation (#377).]",
    "  change [Fixed: A fix that wraps over two lines.]",
    "  change [Changed: Upgrade dependencies:\n- Ruby 3.2.1\n- Middleman]",
    "version [1.1.0] 2019-02-15",
    "  change [Plain item without a category]",
    "version [1.0.0] 2017-06-20",
    "  change [Initial release with a paragraph that wraps.]",
    "version [v0.3.0] 2015-12-03",
    "  change [Removed: Old stuff]",
    "version [0.0.1] ",
    "  change [undated first]",
};

QString parseError(const QByteArray& bytes)
{
    try {
        ParseChangelog(ChangelogText(bytes));
    } catch (const NotesError& e) {
        return e.text();
    }
    return QStringLiteral("<read without an error>");
}
} // namespace

class TestNotes : public QObject {
    Q_OBJECT
private slots:
    // Notes exported as Markdown and imported into an empty title give the same versions,
    // changes and needed files, texts, dates and order.
    void markdownRoundTripKeepsEverything()
    {
        CoreEnv env;
        const ReleaseNotes original = awkwardNotes();
        const qint64 source = store(env, original.title, original);
        const ReleaseNotes read = ReadTitleNotes(env.db(), source);
        QCOMPARE(read.title, original.title);
        QCOMPARE(described(read), described(original));

        const QString markdown = MarkdownNotes(read);
        const Changelog parsed = ParseChangelog(markdown);
        QVERIFY(parsed.notImported.isEmpty());
        ImportReport report;
        QCOMPARE(env.command([&] { report = ImportChangelog(env.db(), "Copy", parsed); }),
                 QString());
        QVERIFY(report.newTitle);
        QCOMPARE(report.versions, 4);
        const TitleRef copy = FindTitle(env.db(), "copy");
        QCOMPARE(copy.title, QStringLiteral("Copy"));
        const ReleaseNotes back = ReadTitleNotes(env.db(), copy.key);
        QCOMPARE(described(back), described(original));
        // Exported again, it is the same file.
        ReleaseNotes renamed = back;
        renamed.title = original.title;
        QCOMPARE(MarkdownNotes(renamed), markdown);
    }

    // Newest first by date, whatever the order of entry; a version without a date stays where
    // it was entered.
    void newestFirstByDate()
    {
        CoreEnv env;
        const qint64 title = env.addTitle("T");
        env.addVersion(title, "1.0", QDate(2020, 1, 1));
        env.addVersion(title, "3.0", QDate(2022, 1, 1));
        env.insert("Versions", {"SoftwareID", "ReleaseNumber"}, {title, "undated"});
        env.addVersion(title, "2.0", QDate(2021, 1, 1));
        QStringList order;
        for (const NoteVersion& v : ReadTitleNotes(env.db(), title).versions)
            order << v.release.toString();
        QCOMPARE(order, QStringList({"3.0", "undated", "2.0", "1.0"}));
    }

    void readsHeadingsAsProjectsWriteThem_data()
    {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("release");
        QTest::addColumn<QDate>("date");
        const QDate may(2024, 5, 1);
        QTest::newRow("brackets") << "[1.2.3] - 2024-05-01"
                                  << "1.2.3" << may;
        QTest::newRow("plain") << "1.2.3 - 2024-05-01"
                               << "1.2.3" << may;
        QTest::newRow("link") << "[1.2.3](https://x/compare/a...b) - 2024-05-01"
                              << "1.2.3" << may;
        QTest::newRow("reference link") << "[1.2.3][tag] - 2024-05-01"
                                        << "1.2.3" << may;
        QTest::newRow("parentheses") << "1.2.3 (2024-05-01)"
                                     << "1.2.3" << may;
        QTest::newRow("en dash") << "[1.2.3] \u2013 2024-05-01"
                                 << "1.2.3" << may;
        QTest::newRow("blank only") << "v1.2.3 2024-05-01"
                                    << "v1.2.3" << may;
        QTest::newRow("yanked") << "[1.2.3] - 2024-05-01 [YANKED]"
                                << "1.2.3" << may;
        QTest::newRow("closing hashes") << "[1.2.3] - 2024-05-01 ##"
                                        << "1.2.3" << may;
        QTest::newRow("no date") << "[1.2.3]"
                                 << "1.2.3" << QDate();
        QTest::newRow("said so") << "[1.2.3] - no date"
                                 << "1.2.3" << QDate();
        QTest::newRow("escaped") << "[1.0 \\[beta\\]] - 2024-05-01"
                                 << "1.0 [beta]" << may;
        QTest::newRow("with blanks") << "1.0 beta (2024-05-01)"
                                     << "1.0 beta" << may;
    }

    void readsHeadingsAsProjectsWriteThem()
    {
        QFETCH(QString, heading);
        QFETCH(QString, release);
        QFETCH(QDate, date);
        const Changelog log = ParseChangelog("# Changelog\n\n## " + heading + "\n- change\n");
        QCOMPARE(log.versions.size(), size_t(1));
        QCOMPARE(log.versions[0].notes.release.toString(), release);
        QCOMPARE(log.versions[0].notes.date, date);
        QCOMPARE(log.versions[0].notes.changes, QVariantList{"change"});
    }

    void importsAPublicProjectsChangelog()
    {
        const Changelog log = ParseChangelog(QString::fromUtf8(kPublicChangelog));
        QCOMPARE(log.notImported, QStringList{"Unreleased (line 7)"});
        ReleaseNotes asRead;
        for (const auto& v : log.versions)
            asRead.versions.push_back(v.notes);
        QCOMPARE(described(asRead), kPublicExpected);

        // Into a title that has one of the versions already, named in other letter case.
        CoreEnv env;
        const qint64 title = env.addTitle("My Project");
        env.addVersion(title, "1.1.0", QDate(2019, 2, 14));
        ImportReport report;
        QCOMPARE(env.command([&] { report = ImportChangelog(env.db(), "my project", log); }),
                 QString());
        QVERIFY(!report.newTitle);
        QCOMPARE(report.title, QStringLiteral("My Project"));
        QCOMPARE(report.alreadyPresent, QStringList{"1.1.0"});
        QCOMPARE(report.versions, 4);
        QCOMPARE(report.summary(),
                 QStringLiteral("Imported 4 versions with 8 changes and 0 needed files into "
                                "\"My Project\". Already there, so not imported again: "
                                "\"1.1.0\". Skipped: Unreleased (line 7)."));
        QCOMPARE(env.count("Software"), 1);
        QCOMPARE(env.count("Versions"), 5);
        QCOMPARE(env.count("Changes"), 8);
        // A second import finds everything there.
        QCOMPARE(env.command([&] { report = ImportChangelog(env.db(), "My Project", log); }),
                 QString());
        QCOMPARE(report.versions, 0);
        QCOMPARE(env.count("Versions"), 5);
    }

    // Many versions go in many at a time: each change still lands in its own version.
    void manyVersionsKeepTheirChanges()
    {
        QString text = QStringLiteral("# Changelog\n");
        const int count = 1200;
        for (int v = count; v >= 1; --v)
            text += QStringLiteral("## [%1] - %2\n- change of %1\n- second of %1\n")
                        .arg(v)
                        .arg(QDate(2000, 1, 1).addDays(v).toString(Qt::ISODate));
        CoreEnv env;
        QCOMPARE(env.command([&] { ImportChangelog(env.db(), "Many", ParseChangelog(text)); }),
                 QString());
        const ReleaseNotes notes = ReadTitleNotes(env.db(), FindTitle(env.db(), "Many").key);
        QCOMPARE(notes.versions.size(), size_t(count));
        for (const NoteVersion& v : notes.versions) {
            const QString release = v.release.toString();
            QCOMPARE(v.changes, QVariantList({"change of " + release, "second of " + release}));
        }
        QCOMPARE(notes.versions.front().release.toString(), QString::number(count));
    }

    // A file that is not a changelog, or one that goes wrong on a line, says what was expected
    // and where.
    void refusesWhatIsNotAChangelog_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("said");
        QTest::newRow("empty") << QByteArray() << "The file is empty";
        QTest::newRow("binary") << QByteArray("\x7f"
                                              "ELF\x02\x01\x01\0\0\0\0",
                                              12)
                                << "Line 1: expected text, found a NUL byte";
        QTest::newRow("not UTF-8") << QByteArray("## [1.0] - 2024-01-01\n- Gr\xfc\xdf"
                                                 "e\n")
                                   << "Line 2: expected UTF-8 text";
        QTest::newRow("no version") << QByteArray("# Changelog\n\nJust text.\n- an item\n")
                                    << "No line of the file is a version heading";
        QTest::newRow("only unreleased")
            << QByteArray("## [Unreleased]\n- x\n")
            << "The file holds no released version, only Unreleased (line 1)";
        QTest::newRow("bad date") << QByteArray(
                                         "## [1.0] - 2024-01-01\n- a\n\n## [0.9] - yesterday\n")
                                  << "Line 4: expected the release date as YYYY-MM-DD";
        QTest::newRow("no such day")
            << QByteArray("## [1.0] - 2024-02-30\n") << "Line 1: \"2024-02-30\" is not a date";
        QTest::newRow("open bracket")
            << QByteArray("## [1.0 - 2024-01-01\n") << "Line 1: expected \"]\"";
        QTest::newRow("short table row")
            << QByteArray("## [1.0] - 2024-01-01\n### Needed files\n\n| File | Version | Date "
                          "|\n| --- | --- | --- |\n| a | b |\n")
            << "Line 6: expected three cells";
    }

    void refusesWhatIsNotAChangelog()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, said);
        const QString text = parseError(bytes);
        QVERIFY2(text.startsWith(said), qPrintable(text));
    }

    // A file that cannot be opened says so.
    void refusesFilesItCannotOpen()
    {
        QTemporaryDir dir;
        const auto refusal = [](const QString& path) {
            try {
                ReadChangelogFile(path);
            } catch (const NotesError& e) {
                return e.text();
            }
            return QString();
        };
        QVERIFY(refusal(dir.filePath("missing.md")).startsWith("There is no file"));
        QVERIFY(refusal(dir.path()).contains("is a folder"));
    }

    // The database refuses a change half-way: nothing of the changelog stays, not even the new
    // title.
    void anImportIsAllOrNothing()
    {
        CoreEnv env;
        const Changelog log = ParseChangelog(QString::fromUtf8(kPublicChangelog));
        env.addTitle("Another"); // the tables are there to refuse writes
        FailingWrites refusing(env, "INSERT", "Changes");
        const QString failure = env.command([&] { ImportChangelog(env.db(), "New Title", log); });
        QVERIFY2(failure.contains(FailingWrites::kReason), qPrintable(failure));
        QCOMPARE(env.count("Software"), 1);
        QCOMPARE(env.count("Versions"), 0);
    }

    // The JSON form keeps what Markdown cannot: a field left empty apart from an empty text.
    void jsonKeepsEmptyApartFromMissing()
    {
        ReleaseNotes notes;
        notes.title = "T \"quoted\"";
        notes.versions.push_back({QVariant(),
                                  QDate(),
                                  {"a\nb \u00e9 😀", "", QVariant()},
                                  {{"f", QVariant(), QDate(2020, 2, 29)}, {"", "", QDate()}}});
        notes.versions.push_back({"1.0", QDate(2020, 1, 1), {}, {}});
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(JsonNotes(notes).toUtf8(), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonObject root = doc.object();
        QCOMPARE(root.value("format").toString(), QStringLiteral("vantor-release-notes"));
        QCOMPARE(root.value("formatVersion").toInt(), 1);
        QCOMPARE(root.value("title").toString(), notes.title);
        const QJsonArray versions = root.value("versions").toArray();
        QCOMPARE(versions.size(), 2);
        const QJsonObject first = versions.at(0).toObject();
        QVERIFY(first.value("release").isNull());
        QVERIFY(first.value("date").isNull());
        const QJsonArray changes = first.value("changes").toArray();
        QCOMPARE(changes.at(0).toString(), QStringLiteral("a\nb \u00e9 😀"));
        QVERIFY(changes.at(1).isString() && changes.at(1).toString().isEmpty());
        QVERIFY(changes.at(2).isNull());
        const QJsonArray files = first.value("files").toArray();
        QCOMPARE(files.at(0).toObject().value("date").toString(), QStringLiteral("2020-02-29"));
        QVERIFY(files.at(0).toObject().value("version").isNull());
        QVERIFY(files.at(1).toObject().value("version").isString());
        QVERIFY(files.at(1).toObject().value("date").isNull());
        QCOMPARE(versions.at(1).toObject().value("changes").toArray().size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestNotes)
#include "tst_notes.moc"
