#include "widgets/TextBoxLines.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QTextBlock>
#include <QTextLayout>

namespace {
// A box that has not been shown since it was created or resized has never been told its
// width and does not wrap at all. Give it its size and lay the text out again at that width.
void layOutAtOwnWidth(QPlainTextEdit* box)
{
    static const char* const kLaidOutSize = "vantorLaidOutSize";
    if (box->isVisible() || box->property(kLaidOutSize).toSize() == box->size())
        return;
    box->ensurePolished();
    QResizeEvent resize(box->size(), QSize(-1, -1));
    QCoreApplication::sendEvent(box, &resize);
    const auto mode = box->lineWrapMode();
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setLineWrapMode(mode);
    box->setProperty(kLaidOutSize, box->size());
}

// Lays out a block far down the text, which the box leaves until it is scrolled to.
const QTextLayout* blockLayout(QPlainTextEdit* box, const QTextBlock& block)
{
    box->document()->documentLayout()->blockBoundingRect(block);
    return block.layout();
}

int linesOf(QPlainTextEdit* box, const QTextBlock& block)
{
    const QTextLayout* layout = blockLayout(box, block);
    return layout && layout->lineCount() > 0 ? layout->lineCount() : 1;
}

// Display line i of a block whose text is text; a block the box has not laid out is one line.
QString lineOf(const QTextLayout* layout, const QString& text, int i)
{
    if (!layout || layout->lineCount() == 0)
        return text;
    const QTextLine l = layout->lineAt(i);
    return text.mid(l.textStart(), l.textLength());
}
} // namespace

int GetTextLineCount(QPlainTextEdit* box)
{
    layOutAtOwnWidth(box);
    int count = 0;
    for (QTextBlock b = box->document()->begin(); b.isValid(); b = b.next())
        count += linesOf(box, b);
    return std::max(count, 1);
}

QString GetWholeTextLine(int line, QPlainTextEdit* box)
{
    if (line < 0)
        return {};
    layOutAtOwnWidth(box);
    for (QTextBlock b = box->document()->begin(); b.isValid(); b = b.next()) {
        const int n = linesOf(box, b);
        if (line >= n) {
            line -= n;
            continue;
        }
        return lineOf(b.layout(), b.text(), line);
    }
    return {};
}

QStringList GetTextLines(QPlainTextEdit* box)
{
    layOutAtOwnWidth(box);
    QStringList lines;
    for (QTextBlock b = box->document()->begin(); b.isValid(); b = b.next()) {
        const int n = linesOf(box, b);
        const QString text = b.text();
        for (int i = 0; i < n; ++i)
            lines << lineOf(b.layout(), text, i);
    }
    return lines;
}

QString GetTextLine(int line, QPlainTextEdit* box)
{
    return GetWholeTextLine(line, box).left(kMaxTextLineLength);
}
