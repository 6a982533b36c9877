#pragma once

#include "reports/PrintSurface.h"

#include <QImage>
#include <QList>

// A surface that keeps every line, page break, end and abort instead of printing, and
// measures text at a fixed resolution on a page of a fixed printable size.
class RecordingSurface : public PrintSurface {
public:
    static constexpr int kDpi = 1200;

    enum class Kind { Line, NewPage, EndDoc, Abort };
    struct Entry {
        Kind kind;
        PrintedLine line; // for Kind::Line
        int page;         // counted from 0
    };

    // The printable area of a Letter page with default margins.
    explicit RecordingSurface(double scaleWidth = 11840, double scaleHeight = 15440);

    double ScaleWidth() const override { return m_width; }
    double ScaleHeight() const override { return m_height; }
    void EndDoc() override;
    void Abort() override;

    const QList<Entry>& entries() const { return m_entries; }
    // The printed lines only, in order.
    QList<PrintedLine> lines() const;
    QStringList texts() const;
    int pageCount() const { return m_page + 1; }
    bool ended() const { return m_ended; }
    bool aborted() const { return m_aborted; }

protected:
    QPaintDevice* device() const override;
    void drawLine(const PrintedLine& line) override;
    void pageBreak() override;

private:
    double m_width;
    double m_height;
    mutable QImage m_device;
    QList<Entry> m_entries;
    int m_page = 0;
    bool m_ended = false;
    bool m_aborted = false;
};
