#include "reports/Report.h"

#include "reports/PrintSurface.h"
#include "reports/PrinterSurface.h"
#include "widgets/MsgBox.h"
#include "widgets/TextBoxLines.h"
#include "widgets/WindowHelpers.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <stdexcept>

namespace {
const QString kFace = QStringLiteral("Courier New");

void setStyle(PrintSurface& s, double size, bool underline)
{
    s.setFontName(kFace);
    s.setFontSize(size);
    s.setFontBold(true);
    s.setFontItalic(false);
    s.setFontUnderline(underline);
}
} // namespace

Report::PrintDialogHook Report::s_hook;

void Report::SetPrintDialogHook(PrintDialogHook hook)
{
    s_hook = std::move(hook);
}

Report::Report(const ReportContext& reported) : context(reported) {}

Report::~Report() = default;

std::shared_ptr<PrintSurface> Report::ShowPrintDialog(QWidget* parent)
{
    if (s_hook)
        return s_hook(parent);
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(QStringLiteral("Vantor"));
    // Without a printer the dialog offers printing to a PDF file.
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QDir::home().filePath(QStringLiteral("Vantor.pdf")));
    }
    QPrintDialog dialog(printer.get(), parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    return std::make_shared<PrinterSurface>(std::move(printer));
}

bool Report::Run()
{
    std::shared_ptr<PrintSurface> surface;
    try {
        if (!Printable())
            return false;
        // Every report prints the selected version's block; without one the user is told why
        // nothing is printed, before any dialog.
        if (!context.versionLine) {
            MsgInform(QStringLiteral("You have not selected a version to print."));
            return false;
        }
        if (!Prepare())
            return false;
        surface = ShowPrintDialog(context.parent);
        if (!surface)
            return false;
        QApplication::processEvents();
        SetBusyCursor(true);
        surface->Print(QString());
        Pages(*surface);
        surface->EndDoc();
        SetBusyCursor(false);
        return true;
    } catch (...) {
        // Silent by design: a report that cannot be printed prints nothing.
        if (surface)
            surface->Abort();
        SetBusyCursor(false);
        return false;
    }
}

void Report::Pages(PrintSurface& s)
{
    HeadingBlock(s);
    VersionBlock(s);
    Body(s);
}

void Report::HeadingBlock(PrintSurface& s) const
{
    setStyle(s, 20, false);
    s.setCurrentY(kHeadingTop);
    for (const QString& text : {Name(), context.title}) {
        s.setCurrentX((s.ScaleWidth() - s.TextWidth(text)) / 2);
        s.Print(text);
    }
}

void Report::VersionBlock(PrintSurface& s) const
{
    // The date is the last ten characters of the entry, so a release number that holds a
    // blank or fills its column whole still prints as it is.
    if (!context.versionLine)
        throw std::runtime_error("no version is selected");
    const QString& entry = *context.versionLine;
    constexpr int kDateLength = 10;
    const qsizetype cut = std::max<qsizetype>(0, entry.size() - kDateLength);
    const QString version = entry.left(cut).trimmed();
    const QString date = entry.mid(cut).trimmed();

    s.setCurrentY(kVersionTop);
    setStyle(s, 12, false);
    s.setCurrentX(kLeft);
    s.Print(QStringLiteral("Version:  ") + version);
    s.setCurrentX(kLeft);
    s.Print(QStringLiteral("Date:     ") + date);
}

void Report::SectionLabel(PrintSurface& s, const QString& text, double y)
{
    setStyle(s, 10, true);
    s.setCurrentX(kLeft);
    s.setCurrentY(y);
    s.Print(text);
}

void Report::SectionBody(PrintSurface& s, double y)
{
    setStyle(s, 10, false);
    s.setCurrentX(kLeft);
    s.setCurrentY(y);
}

void Report::PrintBodyLine(PrintSurface& s, const QString& text)
{
    s.setCurrentX(kLeft);
    s.Print(text);
}

void Report::PrintBox(PrintSurface& s, QPlainTextEdit* box, bool whole)
{
    for (const QString& line : GetTextLines(box))
        PrintBodyLine(s, whole ? line : line.left(kMaxTextLineLength));
}
