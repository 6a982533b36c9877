#pragma once

#include "reports/PrintSurface.h"

#include <QList>

#include <memory>

class QPrinter;

// Prints on a printer (or a PDF file). The pages are kept until EndDoc and only then painted,
// so a report that fails or is aborted leaves nothing half-printed in the printer's queue.
class PrinterSurface : public PrintSurface {
public:
    explicit PrinterSurface(std::unique_ptr<QPrinter> printer);
    ~PrinterSurface() override;

    // A surface that writes a PDF file through the printer path.
    static std::unique_ptr<PrinterSurface> ForPdfFile(const QString& path);

    QPrinter* printer() const { return m_printer.get(); }

    double ScaleWidth() const override;
    double ScaleHeight() const override;
    void EndDoc() override;
    void Abort() override;

protected:
    QPaintDevice* device() const override;
    void drawLine(const PrintedLine& line) override;
    void pageBreak() override;

private:
    std::unique_ptr<QPrinter> m_printer;
    QList<QList<PrintedLine>> m_pages;
};
