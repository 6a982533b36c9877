#include "reports/PrinterSurface.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <stdexcept>

namespace {
constexpr double kTwipsPerInch = 1440;
constexpr double kTwipsPerPoint = 20;
} // namespace

PrinterSurface::PrinterSurface(std::unique_ptr<QPrinter> printer)
    : m_printer(std::move(printer)), m_pages(1)
{
}

PrinterSurface::~PrinterSurface() = default;

std::unique_ptr<PrinterSurface> PrinterSurface::ForPdfFile(const QString& path)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    return std::make_unique<PrinterSurface>(std::move(printer));
}

QPaintDevice* PrinterSurface::device() const
{
    return m_printer.get();
}

double PrinterSurface::ScaleWidth() const
{
    return m_printer->pageRect(QPrinter::Point).width() * kTwipsPerPoint;
}

double PrinterSurface::ScaleHeight() const
{
    return m_printer->pageRect(QPrinter::Point).height() * kTwipsPerPoint;
}

void PrinterSurface::drawLine(const PrintedLine& line)
{
    m_pages.last().append(line);
}

void PrinterSurface::pageBreak()
{
    m_pages.append(QList<PrintedLine>());
}

void PrinterSurface::EndDoc()
{
    // The page break after the last page of a report opens no empty page.
    while (m_pages.size() > 1 && m_pages.last().isEmpty())
        m_pages.removeLast();
    QPainter painter;
    if (!painter.begin(m_printer.get()))
        throw std::runtime_error("the printer cannot be opened");
    const double dpiX = m_printer->logicalDpiX();
    const double dpiY = m_printer->logicalDpiY();
    for (qsizetype page = 0; page < m_pages.size(); ++page) {
        if (page > 0 && !m_printer->newPage()) {
            m_printer->abort();
            painter.end();
            throw std::runtime_error("the printer cannot start a page");
        }
        for (const PrintedLine& line : m_pages[page]) {
            if (line.text.isEmpty())
                continue;
            const QFont font = line.font.toQFont();
            painter.setFont(font);
            // The position is the line's top; text is drawn on its baseline.
            const double ascent = QFontMetricsF(font, m_printer.get()).ascent();
            painter.drawText(
                QPointF(line.x * dpiX / kTwipsPerInch, line.y * dpiY / kTwipsPerInch + ascent),
                line.text);
        }
    }
    m_pages = {QList<PrintedLine>()};
    if (!painter.end())
        throw std::runtime_error("the document could not be finished");
}

void PrinterSurface::Abort()
{
    m_pages = {QList<PrintedLine>()};
}
