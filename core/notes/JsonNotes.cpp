// Release notes as JSON, written by hand so that the fields keep their order and a field left
// empty (null) stays apart from an empty text.
#include "core/notes/NotesFormat.h"

namespace {
QString jsonString(const QString& text)
{
    QString out = QStringLiteral("\"");
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case u'"':
            out += QLatin1String("\\\"");
            break;
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        default: {
            const bool paired =
                c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
            if (paired) {
                out += c;
                out += text.at(++i);
            } else if (c.unicode() < 0x20 || c.isSurrogate()) {
                // Control characters, and half a pair, which UTF-8 cannot carry, as escapes.
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            } else {
                out += c;
            }
        }
        }
    }
    return out + QLatin1Char('"');
}

QString jsonText(const QVariant& value)
{
    return value.isNull() ? QStringLiteral("null") : jsonString(value.toString());
}

QString jsonDate(const QDate& date)
{
    return date.isValid() ? jsonString(IsoDate(date)) : QStringLiteral("null");
}

void appendChanges(QString& out, const QVariantList& changes)
{
    if (changes.isEmpty()) {
        out += QStringLiteral("      \"changes\": [],\n");
        return;
    }
    out += QStringLiteral("      \"changes\": [\n");
    for (qsizetype i = 0; i < changes.size(); ++i)
        out += QStringLiteral("        ") + jsonText(changes.at(i)) +
               (i + 1 < changes.size() ? QStringLiteral(",\n") : QStringLiteral("\n"));
    out += QStringLiteral("      ],\n");
}

void appendFiles(QString& out, const std::vector<NoteFile>& files)
{
    if (files.empty()) {
        out += QStringLiteral("      \"files\": []\n");
        return;
    }
    out += QStringLiteral("      \"files\": [\n");
    for (size_t i = 0; i < files.size(); ++i) {
        const NoteFile& f = files[i];
        out += QStringLiteral("        {\"file\": %1, \"version\": %2, \"date\": %3}")
                   .arg(jsonText(f.file), jsonText(f.version), jsonDate(f.date));
        out += i + 1 < files.size() ? QStringLiteral(",\n") : QStringLiteral("\n");
    }
    out += QStringLiteral("      ]\n");
}
} // namespace

QString JsonNotes(const ReleaseNotes& notes)
{
    QString out = QStringLiteral("{\n  \"format\": \"vantor-release-notes\",\n"
                                 "  \"formatVersion\": 1,\n  \"title\": %1,\n  \"versions\": [")
                      .arg(jsonString(notes.title));
    for (size_t i = 0; i < notes.versions.size(); ++i) {
        const NoteVersion& v = notes.versions[i];
        out += i ? QStringLiteral(",\n    {\n") : QStringLiteral("\n    {\n");
        out += QStringLiteral("      \"release\": %1,\n      \"date\": %2,\n")
                   .arg(jsonText(v.release), jsonDate(v.date));
        appendChanges(out, v.changes);
        appendFiles(out, v.files);
        out += QStringLiteral("    }");
    }
    out += notes.versions.empty() ? QStringLiteral("]\n}\n") : QStringLiteral("\n  ]\n}\n");
    return out;
}
