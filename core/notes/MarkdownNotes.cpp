// Release notes in Keep a Changelog's form, read back by ChangelogParser.
#include "core/notes/ChangelogParser.h"
#include "core/notes/MarkdownText.h"
#include "core/notes/NotesFormat.h"

namespace {
// Item text starts after "- ", and its further lines are indented as far.
constexpr int kItemIndent = 2;

QString dateOrNone(const QDate& date)
{
    return date.isValid() ? IsoDate(date) : QString::fromLatin1(kNoDateText);
}

void appendChanges(QString& out, const QVariantList& changes)
{
    if (changes.isEmpty())
        return;
    out += QStringLiteral("### Changes\n\n");
    for (const QVariant& change : changes)
        out +=
            QStringLiteral("- ") + MarkdownItem(change.toString(), kItemIndent) + QLatin1Char('\n');
    out += QLatin1Char('\n');
}

void appendFiles(QString& out, const std::vector<NoteFile>& files)
{
    if (files.empty())
        return;
    out += QStringLiteral("### %1\n\n| File | Version | Date |\n| --- | --- | --- |\n")
               .arg(QLatin1String(kNeededFilesHeading));
    for (const NoteFile& f : files)
        out += QStringLiteral("| %1 | %2 | %3 |\n")
                   .arg(MarkdownInline(f.file.toString()), MarkdownInline(f.version.toString()),
                        dateOrNone(f.date));
    out += QLatin1Char('\n');
}
} // namespace

QString MarkdownNotes(const ReleaseNotes& notes)
{
    QString out;
    out += QStringLiteral("# Changelog\n\nRelease notes of %1, newest first.\n\n")
               .arg(MarkdownInline(notes.title));
    if (notes.versions.empty())
        out += QStringLiteral("No versions have been recorded.\n");
    for (const NoteVersion& v : notes.versions) {
        out += QStringLiteral("## [%1] - %2\n\n")
                   .arg(MarkdownInline(v.release.toString()), dateOrNone(v.date));
        appendChanges(out, v.changes);
        appendFiles(out, v.files);
    }
    // One line feed at the end, not the blank line the last block left.
    while (out.endsWith(QLatin1String("\n\n")))
        out.chop(1);
    return out;
}
