#include "tests/RecordingSurface.h"

#include <QStringList>

namespace {
constexpr double kInchesPerMeter = 1 / 0.0254;
}

RecordingSurface::RecordingSurface(double scaleWidth, double scaleHeight)
    : m_width(scaleWidth), m_height(scaleHeight), m_device(1, 1, QImage::Format_RGB32)
{
    m_device.setDotsPerMeterX(qRound(kDpi * kInchesPerMeter));
    m_device.setDotsPerMeterY(qRound(kDpi * kInchesPerMeter));
}

QPaintDevice* RecordingSurface::device() const
{
    return &m_device;
}

void RecordingSurface::drawLine(const PrintedLine& line)
{
    m_entries.append({Kind::Line, line, m_page});
}

void RecordingSurface::pageBreak()
{
    m_entries.append({Kind::NewPage, {}, m_page});
    ++m_page;
}

void RecordingSurface::EndDoc()
{
    m_entries.append({Kind::EndDoc, {}, m_page});
    m_ended = true;
}

void RecordingSurface::Abort()
{
    m_entries.append({Kind::Abort, {}, m_page});
    m_aborted = true;
}

QList<PrintedLine> RecordingSurface::lines() const
{
    QList<PrintedLine> out;
    for (const Entry& e : m_entries) {
        if (e.kind == Kind::Line)
            out << e.line;
    }
    return out;
}

QStringList RecordingSurface::texts() const
{
    QStringList out;
    for (const Entry& e : m_entries) {
        if (e.kind == Kind::Line)
            out << e.line.text;
    }
    return out;
}
