#include "core/notes/NotesFormat.h"

const std::vector<NotesFormatInfo>& NotesFormats()
{
    static const std::vector<NotesFormatInfo> formats = {
        {NotesFormat::Markdown, "markdown", "Markdown (Keep a Changelog)", "CHANGELOG.md",
         "Markdown (*.md *.markdown)"},
        {NotesFormat::Html, "html", "HTML page", "release-notes.html", "HTML page (*.html *.htm)"},
        {NotesFormat::AppStream, "appstream", "AppStream releases", "releases.xml",
         "AppStream releases (*.xml)"},
        {NotesFormat::Json, "json", "JSON", "release-notes.json", "JSON (*.json)"},
    };
    return formats;
}

const NotesFormatInfo& InfoOf(NotesFormat format)
{
    for (const NotesFormatInfo& info : NotesFormats()) {
        if (info.format == format)
            return info;
    }
    return NotesFormats().front();
}

bool NotesFormatByName(const QString& name, NotesFormat& format)
{
    if (name.compare(QLatin1String("md"), Qt::CaseInsensitive) == 0) {
        format = NotesFormat::Markdown;
        return true;
    }
    for (const NotesFormatInfo& info : NotesFormats()) {
        if (name.compare(QLatin1String(info.name), Qt::CaseInsensitive) == 0) {
            format = info.format;
            return true;
        }
    }
    return false;
}

QByteArray RenderNotes(const ReleaseNotes& notes, NotesFormat format)
{
    switch (format) {
    case NotesFormat::Markdown:
        return MarkdownNotes(notes).toUtf8();
    case NotesFormat::Html:
        return HtmlNotes(notes).toUtf8();
    case NotesFormat::AppStream:
        return AppStreamReleases(notes).toUtf8();
    case NotesFormat::Json:
        return JsonNotes(notes).toUtf8();
    }
    return {};
}

QString IsoDate(const QDate& date)
{
    return date.toString(Qt::ISODate);
}
