// The published forms where they are read: the Markdown form rendered by a CommonMark renderer
// (cmark), the HTML page in a real browser (headless Chromium), shown, printed and with a
// stored script that must not run, and the AppStream block inside a metainfo file, as
// appstreamcli validates it. The browser's screenshot and print are kept in
// notes-shots for a person to look at.
#include "core/notes/NotesFormat.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {
const QString kScript =
    QStringLiteral("<script>document.body.setAttribute('data-ran', 'script')</script>");
const QString kImage =
    QStringLiteral("<img src=x onerror=\"document.body.setAttribute('data-ran', 'img')\">");

ReleaseNotes sampleNotes()
{
    ReleaseNotes n;
    n.title = "Vantor & Friends <Beta>";
    n.versions.push_back({"2.0",
                          QDate(2024, 5, 1),
                          {kScript, kImage, "Grüße aus Köln 😀", "two lines\nsecond line", " "},
                          {{"app.dll", "2.0.1", QDate(2024, 4, 30)}, {"readme.txt", "", QDate()}}});
    n.versions.push_back({"1.10 beta", QDate(), {"an undated version"}, {}});
    n.versions.push_back({"1.9", QDate(2023, 1, 2), {}, {}});
    n.versions.push_back({"1.8", QDate(2023, 1, 2), {"same date as 1.9"}, {}});
    return n;
}

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString& program, const QStringList& arguments, const QByteArray& input = {})
{
    QProcess p;
    p.start(program, arguments);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000))
        p.kill();
    p.waitForFinished();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

// Headless Chromium on a page of its own profile; the sandbox needs an unprivileged user.
Run chromium(const QTemporaryDir& dir, const QStringList& arguments)
{
    const QString browser = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (browser.isEmpty())
        return {-1, {}, "chromium is not installed (scripts/setup.sh installs it)"};
    QStringList all{"--headless", "--disable-gpu", "--no-first-run",
                    "--user-data-dir=" + dir.filePath("profile")};
    if (::geteuid() == 0)
        all << QStringLiteral("--no-sandbox");
    return run(browser, all + arguments);
}

int count(const QString& text, const QString& what)
{
    return int(text.count(what));
}

// The text an element of cmark's HTML shows.
QString shownText(QString html)
{
    html.replace("<br />\n", "\n");
    html.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"");
    return html.replace("&amp;", "&");
}
} // namespace

class TestNotesPublish : public QObject {
    Q_OBJECT
private slots:
    // Rendered, the Markdown form shows every stored text as it was typed.
    void markdownRendersAsTyped()
    {
        const QVariantList typed = {
            "Markdown *stars* _under_ snake_case `ticks` [link](x) ![image](y) <b>tag</b>",
            "& &amp; &#65; | # ~~gone~~ \\* \\",
            "# not a heading",
            "1. not numbered",
            "2) nor this",
            "- not an item",
            "+ nor this",
            "> not quoted",
            "=== no underline",
            "---",
            "    not code",
            "  blanks at both ends  ",
            " ",
            "\u00a0no-break\u00a0",
            "two lines\nsecond line",
            "blank line\n\nbetween",
            "ends with a line break\n",
            "\nstarts with one",
            "back\\slash at the end\\",
            "<!-- not a comment -->",
            "[1.0]: https://not.a/reference",
            "Grüße 😀",
            "tab\there"};
        ReleaseNotes notes;
        notes.title = "Title *with* [markup] & <tags>";
        notes.versions.push_back({"1.0 [rc]", QDate(2024, 5, 1), typed, {}});
        const Run html = run(QStringLiteral("cmark"), {}, MarkdownNotes(notes).toUtf8());
        QVERIFY2(html.status == 0, "cmark did not run (scripts/setup.sh installs it)");
        const QString page = QString::fromUtf8(html.out);
        QVERIFY2(page.contains("<p>Release notes of Title *with* [markup] &amp; &lt;tags&gt;, "
                               "newest first.</p>"),
                 qPrintable(page));
        QVERIFY(page.contains("<h2>[1.0 [rc]] - 2024-05-01</h2>"));
        QVariantList shown;
        const QRegularExpression item(QStringLiteral("<li>(.*?)</li>"),
                                      QRegularExpression::DotMatchesEverythingOption);
        for (auto it = item.globalMatch(page); it.hasNext();)
            shown << shownText(it.next().captured(1));
        QCOMPARE(shown, typed);
    }

    void htmlPageInABrowser()
    {
        QTemporaryDir dir;
        const QString page = dir.filePath("release-notes.html");
        QFile f(page);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(HtmlNotes(sampleNotes()).toUtf8());
        f.close();
        const QString url = QUrl::fromLocalFile(page).toString();

        const Run dom = chromium(dir, {"--dump-dom", url});
        QVERIFY2(dom.status == 0, dom.err.constData());
        const QString shown = QString::fromUtf8(dom.out);
        // Every stored text is text: the script and the image are shown, neither ran.
        QVERIFY2(shown.contains("\n<body>\n"), qPrintable(shown));
        QVERIFY(!shown.contains("<script") && !shown.contains("<img"));
        QVERIFY(shown.contains("<li>&lt;script&gt;document.body.setAttribute('data-ran', "
                               "'script')&lt;/script&gt;</li>"));
        QVERIFY(shown.contains("<h1>Vantor &amp; Friends &lt;Beta&gt;</h1>"));
        QVERIFY(shown.contains("<li>Grüße aus Köln 😀</li>"));
        QVERIFY(shown.contains("<li>two lines\nsecond line</li>"));
        QCOMPARE(count(shown, "<section class=\"version\">"), 4);
        QCOMPARE(count(shown, "<li>"), 7);
        QVERIFY(shown.contains("<span class=\"release\">1.10 beta</span> <span "
                               "class=\"undated\">no date</span>"));
        QVERIFY(shown.contains("<td>readme.txt</td><td></td><td><span class=\"undated\">no "
                               "date</span></td>"));

        // Seen and printed, for a person to look at; the print holds the texts.
        const QString shots = QStringLiteral(VANTOR_NOTES_SHOTS);
        QDir().mkpath(shots);
        const QString shot = shots + "/release-notes.png";
        const QString pdf = shots + "/release-notes.pdf";
        QFile::remove(shot);
        QFile::remove(pdf);
        QVERIFY(chromium(dir, {"--screenshot=" + shot, "--window-size=1024,900", url}).status == 0);
        const QImage image(shot);
        QCOMPARE(image.size(), QSize(1024, 900));
        int dark = 0;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3)
                dark += qGray(image.pixel(x, y)) < 100;
        QVERIFY2(dark > 200, "the page looks empty");
        QVERIFY(chromium(dir, {"--print-to-pdf=" + pdf, "--no-pdf-header-footer", url}).status ==
                0);
        const Run text = run(QStringLiteral("pdftotext"), {"-enc", "UTF-8", pdf, "-"});
        QCOMPARE(text.status, 0);
        const QString printed = QString::fromUtf8(text.out).simplified();
        QVERIFY2(printed.contains("Vantor & Friends <Beta>") &&
                     printed.contains("<script>document.body.setAttribute") &&
                     printed.contains("app.dll 2.0.1 2024-04-30"),
                 qPrintable(printed));
    }

    // The block in place of the program's own releases, in its own metainfo file.
    void appStreamBlockValidates()
    {
        QFile own(QStringLiteral(VANTOR_SOURCE_DIR "/packaging/com.korvel.vantor.metainfo.xml"));
        QVERIFY(own.open(QIODevice::ReadOnly));
        QString metainfo = QString::fromUtf8(own.readAll());
        const QString block = AppStreamReleases(sampleNotes());
        QVERIFY(block.contains("<!-- Version 1.10 beta has no release date"));
        QVERIFY(block.contains("<release version=\"1.9\" date=\"2023-01-02\"/>"));
        const QRegularExpression releases(QStringLiteral("  <releases>.*</releases>\\n"),
                                          QRegularExpression::DotMatchesEverythingOption);
        QVERIFY(metainfo.contains(releases));
        metainfo.replace(releases, block);

        QTemporaryDir dir;
        const QString file = dir.filePath("com.korvel.vantor.metainfo.xml");
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(metainfo.toUtf8());
        out.close();
        const Run validated = run(QStringLiteral("appstreamcli"), {"validate", "--no-net", file});
        QVERIFY2(validated.status == 0, (validated.out + validated.err).constData());
    }
};

QTEST_MAIN(TestNotesPublish)
#include "tst_notespublish.moc"
