// Any bytes as a changelog: reading either refuses them with a reason or gives versions, and
// those versions written in the Markdown form read back the same.
#include "core/notes/ChangelogParser.h"
#include "core/notes/NotesFormat.h"

#include <cstdint>
#include <cstdlib>

namespace {
bool same(const NoteVersion& a, const NoteVersion& b)
{
    if (a.release.toString() != b.release.toString() || a.date != b.date ||
        a.changes.size() != b.changes.size() || a.files.size() != b.files.size())
        return false;
    for (qsizetype i = 0; i < a.changes.size(); ++i) {
        if (a.changes.at(i).toString() != b.changes.at(i).toString())
            return false;
    }
    for (size_t i = 0; i < a.files.size(); ++i) {
        const NoteFile &x = a.files[i], &y = b.files[i];
        if (x.file.toString() != y.file.toString() ||
            x.version.toString() != y.version.toString() || x.date != y.date)
            return false;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Changelog first;
    try {
        first = ParseChangelog(
            ChangelogText(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))));
    } catch (const NotesError&) {
        return 0;
    }
    ReleaseNotes notes;
    notes.title = QStringLiteral("Fuzzed");
    for (const Changelog::Version& v : first.versions)
        notes.versions.push_back(v.notes);
    const Changelog again = ParseChangelog(MarkdownNotes(notes));
    if (again.versions.size() != first.versions.size())
        abort();
    for (size_t i = 0; i < first.versions.size(); ++i) {
        if (!same(first.versions[i].notes, again.versions[i].notes))
            abort();
    }
    return 0;
}
