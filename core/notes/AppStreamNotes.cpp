// Release notes as the <releases> block of an AppStream metainfo file.
#include "core/notes/NotesFormat.h"

namespace {
// Whether XML 1.0 lets a document hold the character at all, even as a reference.
bool xmlCharacter(char16_t c)
{
    return c == u'\t' || c == u'\n' || c == u'\r' || (c >= 0x20 && c != 0xfffe && c != 0xffff);
}

QString escaped(const QString& text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'"':
            out += QLatin1String("&quot;");
            break;
        case u'\r':
            out += QLatin1String("&#13;");
            break;
        default:
            if (c.isSurrogate()) {
                // A pair is one character; half of one is none.
                const bool paired =
                    c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
                if (paired)
                    out += c, out += text.at(++i);
                else
                    out += QChar(0xfffd);
            } else {
                out += xmlCharacter(c.unicode()) ? c : QChar(0xfffd);
            }
        }
    }
    return out;
}

// A comment may not hold "--".
QString commentText(const QString& text)
{
    QString out = escaped(text);
    while (out.contains(QLatin1String("--")))
        out.replace(QLatin1String("--"), QLatin1String("- -"));
    return out;
}
} // namespace

QString AppStreamReleases(const ReleaseNotes& notes)
{
    QString out = QStringLiteral("<releases>\n");
    for (const NoteVersion& v : notes.versions) {
        const QString release = v.release.toString();
        if (!v.date.isValid()) {
            out += QStringLiteral("  <!-- Version %1 has no release date, which an AppStream "
                                  "release needs: left out. -->\n")
                       .arg(commentText(release));
            continue;
        }
        out += QStringLiteral("  <release version=\"%1\" date=\"%2\"")
                   .arg(escaped(release), IsoDate(v.date));
        // An item of blanks says nothing, and AppStream refuses an empty one.
        QString items;
        for (const QVariant& change : v.changes) {
            if (!change.toString().trimmed().isEmpty())
                items += QStringLiteral("        <li>%1</li>\n").arg(escaped(change.toString()));
        }
        if (items.isEmpty())
            out += QStringLiteral("/>\n");
        else
            out += QStringLiteral(">\n    <description>\n      <ul>\n") + items +
                   QStringLiteral("      </ul>\n    </description>\n  </release>\n");
    }
    out += QStringLiteral("</releases>\n");
    return out;
}
