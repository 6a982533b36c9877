#include "tests/ReportSupport.h"

#include "reports/Report.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

void CursorSurface::EndDoc()
{
    busyAtEnd =
        QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    RecordingSurface::EndDoc();
}

PrintRecorder::PrintRecorder()
{
    Report::SetPrintDialogHook([this](QWidget*) -> std::shared_ptr<PrintSurface> {
        ++dialogs;
        if (cancel)
            return nullptr;
        surface = std::make_shared<CursorSurface>();
        return surface;
    });
}

PrintRecorder::~PrintRecorder()
{
    Report::SetPrintDialogHook({});
}

QList<PrintedLine> PrintRecorder::lines() const
{
    return surface ? surface->lines() : QList<PrintedLine>();
}

QStringList PrintRecorder::texts() const
{
    return surface ? surface->texts() : QStringList();
}

PrintFont style(double size, bool underline)
{
    PrintFont f;
    f.size = size;
    f.bold = true;
    f.underline = underline;
    return f;
}

namespace {
// A surface measuring in the font, as the reports' surfaces do.
RecordingSurface measuring(const PrintFont& f)
{
    RecordingSurface s;
    s.setFontName(f.name);
    s.setFontSize(f.size);
    s.setFontBold(f.bold);
    s.setFontUnderline(f.underline);
    return s;
}
} // namespace

double lineHeight(const PrintFont& f)
{
    return measuring(f).LineHeight();
}
double textWidth(const PrintFont& f, const QString& text)
{
    return measuring(f).TextWidth(text);
}

void checkLine(const PrintedLine& l, const QString& text, const PrintFont& font, double x, double y)
{
    QCOMPARE(l.text, text);
    QVERIFY2(l.font == font, qPrintable(QStringLiteral("font of \"%1\"").arg(text)));
    QVERIFY2(qAbs(l.x - x) < 0.01,
             qPrintable(QStringLiteral("x of \"%1\": %2 instead of %3").arg(text).arg(l.x).arg(x)));
    QVERIFY2(qAbs(l.y - y) < 0.01,
             qPrintable(QStringLiteral("y of \"%1\": %2 instead of %3").arg(text).arg(l.y).arg(y)));
}

void checkFrame(const QList<PrintedLine>& lines, int from, const QString& name,
                const QString& title, const QString& version, const QString& date)
{
    QVERIFY(lines.size() >= from + 4);
    const double width = RecordingSurface().ScaleWidth();
    checkLine(lines[from], name, kHeading, (width - textWidth(kHeading, name)) / 2, 720);
    checkLine(lines[from + 1], title, kHeading, (width - textWidth(kHeading, title)) / 2,
              720 + lineHeight(kHeading));
    checkLine(lines[from + 2], QStringLiteral("Version:  ") + version, kVersion, 720, 2160);
    checkLine(lines[from + 3], QStringLiteral("Date:     ") + date, kVersion, 720,
              2160 + lineHeight(kVersion));
}

QString words(int count, const QString& stem)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << stem + QString::number(i);
    return out.join(QLatin1Char(' '));
}

QStringList shownLines(QPlainTextEdit* box)
{
    QStringList out;
    for (QTextBlock b = box->document()->begin(); b.isValid(); b = b.next()) {
        box->document()->documentLayout()->blockBoundingRect(b);
        const QTextLayout* l = b.layout();
        for (int i = 0; i < l->lineCount(); ++i)
            out << b.text().mid(l->lineAt(i).textStart(), l->lineAt(i).textLength());
    }
    return out;
}
