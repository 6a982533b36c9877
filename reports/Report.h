#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class Connection;
class PrintSurface;
class QPlainTextEdit;
class QWidget;
class RecordSource;

// What the reports print, as the main window shows it when a report is chosen.
struct ReportContext {
    QWidget* parent = nullptr; // of the print dialog
    QString title;             // the title shown
    // The selected line of the version list; none when no version is selected.
    std::optional<QString> versionLine;
    QStringList files, changes; // the lines of the needed-file and change lists
    // The problems as the window walks them (all of the title's, or a search's), bound to
    // the problem and solution boxes.
    RecordSource* problems = nullptr;
    Connection* connection = nullptr;
    // The boxes whose display lines are printed.
    QPlainTextEdit* problem = nullptr;
    QPlainTextEdit* solution = nullptr;
    QPlainTextEdit* comments = nullptr;
};

// The frame every report shares: the print dialog, the busy cursor, the heading block, the
// version block, the report's pages and the end of the document. Whatever fails on the way
// ends the report silently: the job is dropped and the normal cursor comes back.
class Report {
public:
    // Shows the print dialog; returns the surface of the chosen printer, or null when the
    // user cancelled. Tests put their own surface here instead of a dialog.
    using PrintDialogHook = std::function<std::shared_ptr<PrintSurface>(QWidget* parent)>;
    static void SetPrintDialogHook(PrintDialogHook hook);

    explicit Report(const ReportContext& context);
    virtual ~Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    // Prints the whole report; false when it did not (cancelled, refused or failed).
    bool Run();

    // Positions and sizes shared by the reports (twips and points).
    static constexpr double kLeft = 720;
    static constexpr double kHeadingTop = 720;
    static constexpr double kVersionTop = 2160;
    static constexpr double kFirstSectionTop = 3600;

protected:
    // Whether the report has anything to print, asked before the selected version; false,
    // after telling the user why, ends the report there.
    virtual bool Printable() { return true; }
    // Runs before the print dialog; false ends the report there.
    virtual bool Prepare() { return true; }
    // The report name of the heading block.
    virtual QString Name() const = 0;
    // The pages after the empty opening line: by default one page with the heading block,
    // the version block and the body.
    virtual void Pages(PrintSurface& s);
    virtual void Body(PrintSurface& s) = 0;

    void HeadingBlock(PrintSurface& s) const;
    // Fails when no version is selected.
    void VersionBlock(PrintSurface& s) const;
    static void SectionLabel(PrintSurface& s, const QString& text, double y);
    // Sets the body style and y; the lines follow with PrintBodyLine.
    static void SectionBody(PrintSurface& s, double y);
    static void PrintBodyLine(PrintSurface& s, const QString& text);
    // Every display line of the box as one body line, cut to 80 characters unless whole.
    static void PrintBox(PrintSurface& s, QPlainTextEdit* box, bool whole = false);

    const ReportContext context;

private:
    static std::shared_ptr<PrintSurface> ShowPrintDialog(QWidget* parent);
    static PrintDialogHook s_hook;
};
