#include "core/notes/NotesStore.h"

#include "core/data/Connection.h"
#include "core/engine/DbError.h"
#include "core/engine/Engine.h"
#include "core/text/TextFormat.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {
const QString kSoftware = QStringLiteral("Software");
const QString kVersions = QStringLiteral("Versions");
const QString kChanges = QStringLiteral("Changes");
const QString kFiles = QStringLiteral("Files");

QString keyEquals(const char* field, qint64 key)
{
    return QStringLiteral("[%1] = %2").arg(QLatin1String(field)).arg(key);
}

QVariant dateValue(const QDate& date)
{
    return date.isValid() ? QVariant(date) : QVariant();
}

QString titleOf(Engine& engine, qint64 softwareId)
{
    QVariant title;
    bool found = false;
    engine.readFields(kSoftware, {QStringLiteral("SoftwareTitle")}, &softwareId, 1,
                      [&](int, const QVariant* v) {
                          title = v[0];
                          found = true;
                      });
    if (!found)
        throw NotesError(QStringLiteral("The title is no longer in the database."));
    return title.toString();
}

using Entered = std::vector<std::pair<qint64, NoteVersion>>;

// The changes and needed files of the versions, each in the order they were entered: of all
// the title's versions in one read of each table, of some of them version by version.
void readDetails(Engine& engine, qint64 softwareId, bool allOfTitle, Entered& versions)
{
    QHash<qint64, NoteVersion*> byKey;
    for (auto& [key, version] : versions)
        byKey.insert(key, &version);
    const auto read = [&](const QString& where) {
        engine.scanFields(kChanges, where, {QStringLiteral("ReleaseID"), QStringLiteral("Change")},
                          [&](const QVariant* v) {
                              if (NoteVersion* to = byKey.value(v[0].toLongLong()))
                                  to->changes << v[1];
                          });
        engine.scanFields(kFiles, where,
                          {QStringLiteral("ReleaseID"), QStringLiteral("File"),
                           QStringLiteral("Version"), QStringLiteral("Date")},
                          [&](const QVariant* v) {
                              if (NoteVersion* to = byKey.value(v[0].toLongLong()))
                                  to->files.push_back({v[1], v[2], StoredDate(v[3])});
                          });
    };
    if (allOfTitle) {
        read(QStringLiteral("[ReleaseID] IN (SELECT [ReleaseID] FROM [Versions] WHERE "
                            "[SoftwareID] = %1)")
                 .arg(softwareId));
        return;
    }
    for (const auto& entry : versions)
        read(keyEquals("ReleaseID", entry.first));
}

// The title's versions in the order they were entered, with their keys; only those that
// keep() accepts.
template <typename Keep>
Entered readVersions(Engine& engine, qint64 softwareId, Keep&& keep, bool& all)
{
    std::vector<NoteVersion> versions;
    const std::vector<qint64> keys = engine.scanFields(
        kVersions, keyEquals("SoftwareID", softwareId),
        {QStringLiteral("ReleaseNumber"), QStringLiteral("ReleaseDate")}, [&](const QVariant* v) {
            versions.push_back({v[0], StoredDate(v[1]), {}, {}});
        });
    Entered kept;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keep(keys[i], versions[i]))
            kept.emplace_back(keys[i], std::move(versions[i]));
    }
    all = kept.size() == keys.size();
    return kept;
}

// Newest first: the dated versions by date, the last entered first among equal dates; a version
// without a date keeps its place in the order of entry, where nothing tells where else it goes.
std::vector<NoteVersion> newestFirst(Entered entered)
{
    std::vector<NoteVersion> out;
    out.reserve(entered.size());
    for (auto it = entered.rbegin(); it != entered.rend(); ++it)
        out.push_back(std::move(it->second));
    std::vector<size_t> places;
    std::vector<NoteVersion> dated;
    for (size_t i = 0; i < out.size(); ++i) {
        if (out[i].date.isValid()) {
            places.push_back(i);
            dated.push_back(std::move(out[i]));
        }
    }
    std::stable_sort(dated.begin(), dated.end(),
                     [](const NoteVersion& a, const NoteVersion& b) { return a.date > b.date; });
    for (size_t i = 0; i < places.size(); ++i)
        out[places[i]] = std::move(dated[i]);
    return out;
}

template <typename Keep>
ReleaseNotes readNotes(Connection& connection, qint64 softwareId, Keep&& keep)
{
    Transaction t(connection);
    Engine& engine = connection.engine();
    ReleaseNotes notes;
    notes.title = titleOf(engine, softwareId);
    bool all = false;
    Entered versions = readVersions(engine, softwareId, keep, all);
    readDetails(engine, softwareId, all, versions);
    notes.versions = newestFirst(std::move(versions));
    t.commit();
    return notes;
}

QString quotedList(const QStringList& items)
{
    QStringList quoted;
    for (const QString& item : items)
        quoted << QStringLiteral("\"%1\"").arg(item);
    return quoted.join(QStringLiteral(", "));
}

QString counted(int n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}
} // namespace

ReleaseNotes ReadTitleNotes(Connection& connection, qint64 softwareId)
{
    return readNotes(connection, softwareId, [](qint64, const NoteVersion&) { return true; });
}

ReleaseNotes ReadVersionNotes(Connection& connection, qint64 softwareId, qint64 releaseId)
{
    ReleaseNotes notes = readNotes(
        connection, softwareId, [&](qint64 key, const NoteVersion&) { return key == releaseId; });
    if (notes.versions.empty())
        throw NotesError(QStringLiteral("The version is no longer in the database."));
    return notes;
}

ReleaseNotes ReadReleaseNotes(Connection& connection, qint64 softwareId, const QString& release)
{
    ReleaseNotes notes = readNotes(connection, softwareId, [&](qint64, const NoteVersion& v) {
        return v.release.toString() == release;
    });
    if (notes.versions.empty())
        throw NotesError(
            QStringLiteral("The title \"%1\" has no version \"%2\".").arg(notes.title, release));
    return notes;
}

QString ImportReport::summary() const
{
    const QString into = newTitle ? QStringLiteral("the new title \"%1\"").arg(title)
                                  : QStringLiteral("\"%1\"").arg(title);
    QString text = versions == 0 ? QStringLiteral("Nothing new to import into %1.").arg(into)
                                 : QStringLiteral("Imported %1 with %2 and %3 into %4.")
                                       .arg(counted(versions, "version", "versions"),
                                            counted(changes, "change", "changes"),
                                            counted(files, "needed file", "needed files"), into);
    if (!alreadyPresent.isEmpty())
        text += QStringLiteral(" Already there, so not imported again: %1.")
                    .arg(quotedList(alreadyPresent));
    if (!notImported.isEmpty())
        text += QStringLiteral(" Skipped: %1.").arg(notImported.join(QStringLiteral(", ")));
    return text;
}

ImportReport ImportChangelog(Connection& connection, const QString& title, const Changelog& log)
{
    Transaction t(connection);
    Engine& engine = connection.engine();
    ImportReport report;
    report.notImported = log.notImported;
    TitleRef target = FindTitle(connection, title);
    report.newTitle = !target.found();
    if (report.newTitle)
        target = {engine.insert(kSoftware, {QStringLiteral("SoftwareTitle")}, {title}), title};
    report.title = target.title;

    QSet<QString> present;
    engine.scanFields(kVersions, keyEquals("SoftwareID", target.key),
                      {QStringLiteral("ReleaseNumber")},
                      [&](const QVariant* v) { present.insert(v[0].toString()); });
    const QStringList versionFields = {QStringLiteral("SoftwareID"),
                                       QStringLiteral("ReleaseNumber"),
                                       QStringLiteral("ReleaseDate")};
    const QStringList changeFields = {QStringLiteral("ReleaseID"), QStringLiteral("Change")};
    const QStringList fileFields = {QStringLiteral("ReleaseID"), QStringLiteral("File"),
                                    QStringLiteral("Version"), QStringLiteral("Date")};
    // The file lists the newest first; the title lists versions in the order they were entered.
    std::vector<const NoteVersion*> added;
    std::vector<QVariantList> versions;
    for (auto it = log.versions.rbegin(); it != log.versions.rend(); ++it) {
        const NoteVersion& v = it->notes;
        const QString release = v.release.toString();
        if (present.contains(release)) {
            report.alreadyPresent.prepend(release);
            continue;
        }
        added.push_back(&v);
        versions.push_back({target.key, v.release, dateValue(v.date)});
    }
    const std::vector<qint64> keys = engine.insertRows(kVersions, versionFields, versions);
    std::vector<QVariantList> changes, files;
    for (size_t i = 0; i < added.size(); ++i) {
        for (const QVariant& change : added[i]->changes)
            changes.push_back({keys[i], change});
        for (const NoteFile& f : added[i]->files)
            files.push_back({keys[i], f.file, f.version, dateValue(f.date)});
    }
    engine.insertRows(kChanges, changeFields, changes);
    engine.insertRows(kFiles, fileFields, files);
    report.versions = int(added.size());
    report.changes = int(changes.size());
    report.files = int(files.size());
    t.commit();
    return report;
}
