#pragma once

// What the report tests share: a surface that records what is printed, the print dialog
// answered with it, the fonts and places of the frame every report prints, and a title to print.
#include "reports/PrintSurface.h"
#include "tests/RecordingSurface.h"
#include "tests/TestSupport.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QPlainTextEdit;

// Notes whether the hourglass was showing when the document ended.
class CursorSurface : public RecordingSurface {
public:
    void EndDoc() override;
    bool busyAtEnd = false;
};

// Answers the print dialog with a recording surface, or cancels it.
struct PrintRecorder {
    PrintRecorder();
    ~PrintRecorder();
    QList<PrintedLine> lines() const;
    QStringList texts() const;

    std::shared_ptr<CursorSurface> surface;
    int dialogs = 0;
    bool cancel = false;
};

// The styles of the reports: the heading, the version block, section labels and body text.
PrintFont style(double size, bool underline = false);
inline const PrintFont kHeading = style(20);
inline const PrintFont kVersion = style(12);
inline const PrintFont kLabel = style(10, true);
inline const PrintFont kBody = style(10);

// Measured as the reports' surfaces measure.
double lineHeight(const PrintFont& f);
double textWidth(const PrintFont& f, const QString& text);

void checkLine(const PrintedLine& l, const QString& text, const PrintFont& font, double x,
               double y);
// The heading block and the version block, from line number from.
void checkFrame(const QList<PrintedLine>& lines, int from, const QString& name,
                const QString& title, const QString& version, const QString& date);

// count words, stem0 stem1 ..., on one line.
QString words(int count, const QString& stem);
// The display lines of a box as the box itself shows them once it is on screen.
QStringList shownLines(QPlainTextEdit* box);

// The title "Alpha" with the version 1.0 of 01/01/2000, which every report prints in its
// version block.
struct Alpha : TitleFixture {
    explicit Alpha(const QVariant& comments = {}) : TitleFixture(QStringLiteral("Alpha"), comments)
    {
    }
    const qint64 release = addVersion(QStringLiteral("1.0"), QDate(2000, 1, 1));
};
