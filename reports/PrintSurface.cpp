#include "reports/PrintSurface.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPaintDevice>

namespace {
constexpr double kTwipsPerInch = 1440;
}

QFont PrintFont::toQFont() const
{
    QFont f(name);
    f.setPointSizeF(size);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    return f;
}

PrintSurface::~PrintSurface() = default;

double PrintSurface::TextWidth(const QString& text) const
{
    QPaintDevice* d = device();
    return QFontMetricsF(m_font.toQFont(), d).horizontalAdvance(text) * kTwipsPerInch /
           d->logicalDpiX();
}

double PrintSurface::LineHeight() const
{
    QPaintDevice* d = device();
    return QFontMetricsF(m_font.toQFont(), d).lineSpacing() * kTwipsPerInch / d->logicalDpiY();
}

void PrintSurface::Print(const QString& text)
{
    const double height = LineHeight();
    // Lines are never clipped: one that would not fit goes on to a new page, in the same
    // style. A line already at the top of a page is printed there whatever its height.
    if (m_y + height > ScaleHeight() && m_y > kContinuationY) {
        pageBreak();
        m_y = kContinuationY;
    }
    drawLine({text, m_font, m_x, m_y});
    m_x = 0;
    m_y += height;
}

void PrintSurface::NewPage()
{
    pageBreak();
    m_x = 0;
    m_y = 0;
}
