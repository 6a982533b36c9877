#include "app/NotesCommand.h"

#include "core/data/Connection.h"
#include "core/engine/DbError.h"
#include "core/notes/ChangelogParser.h"
#include "core/notes/NotesStore.h"
#include "core/settings/Settings.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

namespace {
const QString kExport = QStringLiteral("export-notes");
const QString kImport = QStringLiteral("import-changelog");
const QString kTitle = QStringLiteral("title");
const QString kVersion = QStringLiteral("version");

QString formatNames()
{
    QStringList names;
    for (const NotesFormatInfo& info : NotesFormats())
        names << QLatin1String(info.name);
    return names.join(QStringLiteral(", "));
}

// A reason on one line, as a script's log keeps it.
QString oneLine(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text.simplified();
}

int fail(const QString& what, const QString& why)
{
    std::fprintf(stderr, "vantor: %s: %s\n", what.toLocal8Bit().constData(),
                 oneLine(why).toLocal8Bit().constData());
    return 1;
}

// The database of this run: the one named on the command line, else the settings file's.
QString databaseOfThisRun(const QString& databasePath, bool makeFolders)
{
    SetDatabaseOverride(databasePath);
    const DataLocation where = CurrentDataLocation();
    IniFilePath = where.settingsFile();
    DatabasePath = where.defaultDatabase();
    if (makeFolders && databasePath.isEmpty())
        CreateDataFolders(where);
    return ConfiguredDatabasePath();
}

void writeOut(const QByteArray& bytes, const QString& file)
{
    if (file.isEmpty()) {
        if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) !=
                size_t(bytes.size()) ||
            std::fflush(stdout) != 0)
            throw NotesError(QStringLiteral("Standard output could not be written."));
        return;
    }
    // Written beside the file and put in its place whole: a failure leaves the old one.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        throw NotesError(QStringLiteral("%1 cannot be written: %2").arg(file, out.errorString()));
}

int exportNotes(const NotesRequest& r, const QString& database)
{
    const QString what = QStringLiteral("cannot export the release notes of \"%1\"").arg(r.title);
    try {
        const auto connection = Connection::open(database, OpenMode::ExistingOnly);
        Transaction t(*connection);
        const TitleRef title = FindTitle(*connection, r.title);
        if (!title.found())
            throw NotesError(QStringLiteral("There is no title \"%1\" in %2.")
                                 .arg(r.title, ShownDatabase(database)));
        const ReleaseNotes notes = r.oneRelease
                                       ? ReadReleaseNotes(*connection, title.key, r.release)
                                       : ReadTitleNotes(*connection, title.key);
        t.commit();
        writeOut(RenderNotes(notes, r.format), r.file);
        return 0;
    } catch (const DbError& e) {
        return fail(what, e.text());
    } catch (const NotesError& e) {
        return fail(what, e.text());
    }
}

int importChangelog(const NotesRequest& r, const QString& database)
{
    const QString what = QStringLiteral("cannot import %1").arg(r.file);
    try {
        // The whole file is read before the database is touched.
        const Changelog log = ReadChangelogFile(r.file);
        const auto connection = Connection::open(database, OpenMode::CreateIfNew);
        Transaction t(*connection);
        const ImportReport report = ImportChangelog(*connection, r.title, log);
        t.commit();
        std::fprintf(stdout, "%s\n", report.summary().toLocal8Bit().constData());
        return 0;
    } catch (const DbError& e) {
        return fail(what, e.text() + QStringLiteral(" Nothing was imported."));
    } catch (const NotesError& e) {
        return fail(what, e.text() + QStringLiteral(" Nothing was imported."));
    }
}
} // namespace

bool AsksForNotesExport(const QStringList& arguments)
{
    for (const QString& a : arguments) {
        if (a == QLatin1String("--"))
            return false;
        if (a == QLatin1String("--export-notes") || a.startsWith(QLatin1String("--export-notes=")))
            return true;
    }
    return false;
}

void AddNotesOptions(QCommandLineParser& parser, bool forExport)
{
    parser.addOption({kExport,
                      QStringLiteral("Write the release notes of the title --title names, all its "
                                     "versions newest first, or only the one --version RELEASE "
                                     "names, as FORMAT (%1) to OUT, or to standard output without "
                                     "it, and end; no window.")
                          .arg(formatNames()),
                      QStringLiteral("FORMAT")});
    parser.addOption({kImport,
                      QStringLiteral("Import the changelog FILE (Markdown as Keep a Changelog "
                                     "writes it) into the title --title names, made when there is "
                                     "none, and end; no window. Versions the title has already "
                                     "are skipped; nothing is imported from a file that cannot "
                                     "be read."),
                      QStringLiteral("FILE")});
    if (forExport)
        parser.addOption(
            {kVersion, QStringLiteral("The version to export."), QStringLiteral("RELEASE")});
}

QString NotesUsage(const QString& program)
{
    return QStringLiteral("       %1 --export-notes FORMAT --title TITLE [--version RELEASE] "
                          "[OUT]\n       %1 --import-changelog FILE --title TITLE\n")
        .arg(program);
}

QString ReadNotesOptions(const QCommandLineParser& parser, const QStringList& positional,
                         NotesRequest& request)
{
    const bool exporting = parser.isSet(kExport);
    const bool importing = parser.isSet(kImport);
    // Without them, -title is Qt's, for the window.
    if (!exporting && !importing)
        return {};
    if (exporting && importing)
        return QStringLiteral("Use --export-notes or --import-changelog, not both.");
    request.title = parser.value(kTitle);
    if (request.title.isEmpty())
        return QStringLiteral("The option --%1 needs --title TITLE.")
            .arg(exporting ? kExport : kImport);
    if (importing) {
        request.kind = NotesRequest::Kind::Import;
        request.file = parser.value(kImport);
        return request.file.isEmpty() ? QStringLiteral("The option --import-changelog needs a "
                                                       "file.")
                                      : QString();
    }
    request.kind = NotesRequest::Kind::Export;
    if (!NotesFormatByName(parser.value(kExport), request.format))
        return QStringLiteral("Unknown format '%1'; use one of %2.")
            .arg(parser.value(kExport), formatNames());
    request.oneRelease = parser.isSet(kVersion);
    request.release = parser.value(kVersion);
    if (request.oneRelease && request.release.isEmpty())
        return QStringLiteral("The option --version needs a release number.");
    request.file = positional.value(0);
    return {};
}

int RunNotesCommand(const NotesRequest& request, const QString& databasePath)
{
    const bool importing = request.kind == NotesRequest::Kind::Import;
    const QString database = databaseOfThisRun(databasePath, importing);
    return importing ? importChangelog(request, database) : exportNotes(request, database);
}
