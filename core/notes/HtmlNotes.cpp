// Release notes as one page for the screen and for print: its style inline, no script, and a
// policy that lets the browser load nothing else, so no stored text can run or fetch anything.
#include "core/notes/NotesFormat.h"

namespace {
const char kHead[] = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'">
<meta name="viewport" content="width=device-width, initial-scale=1">
<meta name="generator" content="Vantor">
<title>%1: release notes</title>
<style>
body { font-family: "Liberation Sans", Arial, Helvetica, sans-serif; line-height: 1.45;
       color: #1c1c1c; background: #fff; max-width: 50em; margin: 2em auto; padding: 0 1.2em; }
h1 { font-size: 1.8em; margin-bottom: .2em; }
.lead { color: #555; margin-top: 0; }
section.version { border-top: 1px solid #ccc; padding-top: .4em; margin-top: 1.6em; }
h2 { font-size: 1.35em; margin: .3em 0; }
h2 time, h2 .undated { font-weight: normal; color: #555; font-size: .8em; margin-left: .6em; }
h3 { font-size: 1em; margin: .9em 0 .3em; }
ul.changes { margin: 0; padding-left: 1.4em; }
ul.changes li { white-space: pre-wrap; margin: .15em 0; }
table { border-collapse: collapse; }
th, td { border: 1px solid #bbb; padding: .2em .7em; text-align: left; white-space: pre-wrap; }
th { background: #f0f0f0; }
.none { color: #555; font-style: italic; }
@media print {
  body { max-width: none; margin: 0; padding: 0; font-size: 10.5pt; }
  section.version { break-inside: avoid-page; }
  h2, h3 { break-after: avoid-page; }
}
</style>
</head>
<body>
<h1>%1</h1>
<p class="lead">Release notes, newest first.</p>
)";

// The text as the page shows it: markup characters as references, and characters no page
// may hold as the replacement character.
QString escaped(const QString& text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
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
        case u'\'':
            out += QLatin1String("&#39;");
            break;
        case u'\r':
            break;
        default:
            out += c.unicode() < 0x20 && c != u'\n' && c != u'\t' ? QChar(0xfffd) : c;
        }
    }
    return out;
}

QString dateElement(const QDate& date)
{
    if (!date.isValid())
        return QStringLiteral("<span class=\"undated\">no date</span>");
    return QStringLiteral("<time datetime=\"%1\">%1</time>").arg(IsoDate(date));
}

void appendVersion(QString& out, const NoteVersion& v)
{
    out += QStringLiteral("<section class=\"version\">\n<h2><span class=\"release\">%1</span> "
                          "%2</h2>\n")
               .arg(escaped(v.release.toString()), dateElement(v.date));
    if (!v.changes.isEmpty()) {
        out += QStringLiteral("<h3>Changes</h3>\n<ul class=\"changes\">\n");
        for (const QVariant& change : v.changes)
            out += QStringLiteral("<li>%1</li>\n").arg(escaped(change.toString()));
        out += QStringLiteral("</ul>\n");
    }
    if (!v.files.empty()) {
        out += QStringLiteral("<h3>Needed files</h3>\n<table>\n<thead><tr><th>File</th>"
                              "<th>Version</th><th>Date</th></tr></thead>\n<tbody>\n");
        for (const NoteFile& f : v.files)
            out += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td></tr>\n")
                       .arg(escaped(f.file.toString()), escaped(f.version.toString()),
                            dateElement(f.date));
        out += QStringLiteral("</tbody>\n</table>\n");
    }
    if (v.changes.isEmpty() && v.files.empty())
        out += QStringLiteral("<p class=\"none\">No changes or needed files recorded.</p>\n");
    out += QStringLiteral("</section>\n");
}
} // namespace

QString HtmlNotes(const ReleaseNotes& notes)
{
    QString out = QString::fromUtf8(kHead).arg(escaped(notes.title));
    if (notes.versions.empty())
        out += QStringLiteral("<p class=\"none\">No versions have been recorded.</p>\n");
    for (const NoteVersion& v : notes.versions)
        appendVersion(out, v);
    out += QStringLiteral("</body>\n</html>\n");
    return out;
}
