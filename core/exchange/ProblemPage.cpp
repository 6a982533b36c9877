#include "core/exchange/ProblemPage.h"

#include "core/data/WorkProgress.h"
#include "core/engine/DbError.h"
#include "core/exchange/FoldTable.h"
#include "core/exchange/Json.h"
#include "core/exchange/PageAssets.h"
#include "core/exchange/ProblemReader.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

namespace {
constexpr qint64 kAdvanceRows = 256;
constexpr qsizetype kWriteBytes = 1 << 20;
const char kGenerator[] = "<meta name=\"generator\" content=\"Vantor\">";

// Writes a page in pieces and keeps the count of problems for the progress.
class PageWriter {
public:
    PageWriter(QIODevice& out, WorkProgress& progress, qint64& done)
        : m_out(out), m_progress(progress), m_done(done)
    {
    }
    QByteArray& buffer() { return m_buffer; }
    void problemWritten()
    {
        if (m_buffer.size() >= kWriteBytes)
            flush();
        if (++m_done % kAdvanceRows == 0)
            m_progress.advance(m_done);
    }
    void flush()
    {
        if (m_out.write(m_buffer) != m_buffer.size())
            throw DbError(
                QStringLiteral("The page could not be written: %1.").arg(m_out.errorString()));
        m_buffer.clear();
    }

private:
    QIODevice& m_out;
    WorkProgress& m_progress;
    qint64& m_done;
    QByteArray m_buffer;
};

QByteArray head(const QString& title, bool inlineAssets)
{
    QByteArray out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                     "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    out += kGenerator;
    out += "\n<title>" + HtmlEscaped(title) + " \xE2\x80\x93 Problems and Solutions</title>\n";
    if (inlineAssets)
        out += "<style>\n" + PageStyleSheet() + "</style>\n";
    else
        out += "<link rel=\"stylesheet\" href=\"vantor.css\">\n";
    return out + "</head>\n";
}

QByteArray searchForm()
{
    return "<form class=\"search\" role=\"search\" onsubmit=\"return false\">\n"
           "<label for=\"problem\">Problem</label><input id=\"problem\" type=\"search\" "
           "autocomplete=\"off\" spellcheck=\"false\">\n"
           "<label for=\"solution\">Solution</label><input id=\"solution\" type=\"search\" "
           "autocomplete=\"off\" spellcheck=\"false\">\n"
           "<p class=\"hint\">Each box is matched against the whole text: * stands for any run "
           "of characters, _ for one character; capitals and accents do not count.</p>\n"
           "<p id=\"status\" role=\"status\" aria-live=\"polite\"></p>\n</form>\n";
}

QByteArray scripts(bool inlineAssets)
{
    if (!inlineAssets)
        return "<script src=\"vantor.js\"></script>\n";
    return "<script>window.VANTOR_FOLDS=" + FoldTableScript() + ";</script>\n<script>\n" +
           PageScript() + "</script>\n";
}

// A text of the page's data: JSON, with "<" written as an escape so that no text can end the
// script element that holds the data (nor begin a comment in it).
void appendData(QByteArray& out, const QVariant& value)
{
    QByteArray json;
    AppendJsonValue(json, value);
    json.replace('<', "\\u003c");
    out += json;
}

QString plural(qint64 n)
{
    return n == 1 ? QStringLiteral("1 problem") : QStringLiteral("%1 problems").arg(n);
}

void writeTitlePage(QIODevice& out, ProblemReader& reader, const TitleRow& title, bool inlineAssets,
                    WorkProgress& progress, qint64& done)
{
    PageWriter page(out, progress, done);
    QByteArray& b = page.buffer();
    b += head(title.title, inlineAssets);
    b += "<body>\n<header>\n";
    if (!inlineAssets)
        b += "<nav class=\"back\"><a href=\"index.html\">All titles</a></nav>\n";
    b += "<h1 id=\"title\">" + HtmlEscaped(title.title) + "</h1>\n";
    b += "<p class=\"count\">" + plural(reader.problemCount(title.id)).toUtf8() + "</p>\n";
    b += searchForm() + "</header>\n";
    b += "<section id=\"linked\" aria-label=\"The problem linked to\" hidden></section>\n"
         "<main id=\"problems\"><noscript>This page shows its problems with JavaScript; allow it "
         "for this page.</noscript></main>\n";
    // The problems as data, one a line: the script lists them, fifty at a time, and
    // searches them; a page of 100,000 problems as elements would take minutes to open.
    b += "<script type=\"application/json\" id=\"vantor-problems\">[";
    bool first = true;
    reader.problems(title.id, [&](qint64 id, const QVariant& problem, const QVariant& solution) {
        b += first ? "\n[" : ",\n[";
        first = false;
        b += QByteArray::number(id) + ", ";
        appendData(b, problem);
        b += ", ";
        appendData(b, solution);
        b += ']';
        page.problemWritten();
    });
    b += "]</script>\n";
    b += scripts(inlineAssets) + "</body>\n</html>\n";
    page.flush();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw DbError(
            QStringLiteral("The file %1 could not be written: %2.").arg(path, f.errorString()));
}

QByteArray indexPage(const std::vector<TitleRow>& titles, const std::vector<qint64>& counts)
{
    QByteArray b = head(QStringLiteral("All titles"), false);
    b += "<body>\n<header>\n<h1>Problems and Solutions</h1>\n<p class=\"count\">" +
         (titles.size() == 1 ? QByteArray("1 title")
                             : QByteArray::number(qint64(titles.size())) + " titles") +
         "</p>\n</header>\n<main>\n<ul class=\"titles\">\n";
    for (size_t i = 0; i < titles.size(); ++i) {
        const QByteArray key = QByteArray::number(titles[i].id);
        b += "<li id=\"t" + key + "\"><a href=\"t" + key + ".html\">" +
             HtmlEscaped(titles[i].title) + "</a> (" + plural(counts[i]).toUtf8() + ")</li>\n";
    }
    return b + "</ul>\n</main>\n</body>\n</html>\n";
}

// A folder the export may take the place of: none, an empty one, or an earlier export.
void checkFolderTarget(const QString& target)
{
    const QFileInfo info(target);
    if (!info.exists())
        return;
    if (!info.isDir())
        throw DbError(QStringLiteral("%1 is a file; the problems of every title go into a "
                                     "folder.")
                          .arg(target));
    const QDir dir(target);
    if (dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        return;
    QFile index(dir.filePath(QStringLiteral("index.html")));
    if (index.open(QIODevice::ReadOnly) && index.read(4096).contains(kGenerator))
        return;
    throw DbError(QStringLiteral("The folder %1 holds other files; choose an empty folder, or "
                                 "one Vantor exported to before.")
                      .arg(target));
}

// The finished folder takes the target's name; an earlier export there goes only then.
void putInPlace(QTemporaryDir& made, const QString& target)
{
    const QString old = target + QStringLiteral(".old-") + QFileInfo(made.path()).fileName();
    const bool replacing = QFileInfo::exists(target);
    if (replacing && !QDir().rename(target, old))
        throw DbError(QStringLiteral("The folder %1 could not be replaced.").arg(target));
    if (!QDir().rename(made.path(), target)) {
        if (replacing)
            QDir().rename(old, target);
        throw DbError(QStringLiteral("The folder %1 could not be written.").arg(target));
    }
    made.setAutoRemove(false);
    if (replacing)
        QDir(old).removeRecursively();
}

qint64 writeFolder(ProblemReader& reader, const QString& target, WorkProgress& progress)
{
    checkFolderTarget(target);
    const QFileInfo info(target);
    QTemporaryDir made(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                       QStringLiteral("-XXXXXX"));
    if (!made.isValid())
        throw DbError(
            QStringLiteral("The folder %1 cannot be written: %2.").arg(target, made.errorString()));
    // Readable by whoever the folder is sent to, as a folder made by hand would be.
    QFile::setPermissions(made.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                           QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                           QFileDevice::ExeOther);
    const QDir dir(made.path());
    writeFile(dir.filePath(QStringLiteral("vantor.css")), PageStyleSheet());
    writeFile(dir.filePath(QStringLiteral("vantor.js")),
              "window.VANTOR_FOLDS=" + FoldTableScript() + ";\n" + PageScript());
    qint64 done = 0;
    std::vector<qint64> counts;
    for (const TitleRow& title : reader.titles()) {
        QSaveFile page(dir.filePath(QStringLiteral("t%1.html").arg(title.id)));
        if (!page.open(QIODevice::WriteOnly))
            throw DbError(QStringLiteral("The folder %1 cannot be written: %2.")
                              .arg(target, page.errorString()));
        const qint64 before = done;
        writeTitlePage(page, reader, title, false, progress, done);
        if (!page.commit())
            throw DbError(QStringLiteral("The folder %1 could not be written: %2.")
                              .arg(target, page.errorString()));
        counts.push_back(done - before);
    }
    writeFile(dir.filePath(QStringLiteral("index.html")), indexPage(reader.titles(), counts));
    putInPlace(made, target);
    return done;
}
} // namespace

QByteArray HtmlEscaped(QStringView text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + utf8.size() / 16);
    for (const char ch : utf8) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        case '\n':
        case '\t':
            out += ch;
            break;
        case 0:
            // No page can hold a NUL: it shows as the replacement character.
            out += "&#xFFFD;";
            break;
        default:
            if (c < 0x20)
                out += "&#" + QByteArray::number(int(c)) + ';';
            else
                out += ch;
        }
    }
    return out;
}

qint64 WriteProblemPages(ProblemReader& reader, const QString& target, WorkProgress& progress)
{
    progress.begin(QStringLiteral("Problems"), reader.problemCount());
    qint64 done = 0;
    if (!reader.everyTitle()) {
        QSaveFile page(target);
        if (!page.open(QIODevice::WriteOnly))
            throw DbError(QStringLiteral("The file %1 cannot be written: %2.")
                              .arg(target, page.errorString()));
        writeTitlePage(page, reader, reader.titles().front(), true, progress, done);
        if (!page.commit())
            throw DbError(QStringLiteral("The file %1 could not be written: %2.")
                              .arg(target, page.errorString()));
    } else {
        done = writeFolder(reader, target, progress);
    }
    progress.advance(done);
    return done;
}
