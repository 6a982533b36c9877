#include "widgets/TextBox.h"

#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextDocument>

#include <algorithm>

namespace {
// Word wrap lays out a run without a break opportunity in time that grows with the square of
// its length: each display line of the run first looks for a break up to the run's end, and
// only then breaks anywhere. 20,000 characters take about 30 ms, 100,000 near a second, a
// million over a minute. Wrapping anywhere is linear: a million characters in 0.15 s. A
// paragraph wraps anywhere once its runs would cost word wrap more than one run of this
// length does.
constexpr qint64 kLongestWordWrappedRun = 20000;

// Runs are measured between the places where the layout itself may break a line, so a long
// path or a text in a script written without spaces does not count as one run.
bool tooSlowForWordWrap(const QTextBlock& block)
{
    // The squares of the runs add up to no more than the square of the whole length.
    if (block.length() - 1 <= kLongestWordWrappedRun)
        return false;
    constexpr qint64 budget = kLongestWordWrappedRun * kLongestWordWrappedRun;
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, block.text());
    qint64 cost = 0;
    qsizetype from = 0;
    for (qsizetype at = breaks.toNextBoundary(); at != -1; at = breaks.toNextBoundary()) {
        cost += qint64(at - from) * (at - from);
        if (cost > budget)
            return true;
        from = at;
    }
    return false;
}
} // namespace

// The box's document layout. Qt lays a paragraph out when a change within it is reported
// (documentChanged) or when it is first needed (blockBoundingRect of a paragraph without
// lines), in the wrap mode of the document's text option at that moment. Both are overridden
// to set the mode the paragraph needs for just that long.
class TextBox::WrapGuard : public QPlainTextDocumentLayout {
public:
    WrapGuard(QTextDocument* document, TextBox* box)
        : QPlainTextDocumentLayout(document), m_box(box)
    {
    }
    void detach() { m_box = nullptr; }

    QRectF blockBoundingRect(const QTextBlock& block) const override
    {
        if (!block.isValid() || block.layout()->lineCount() > 0)
            return QPlainTextDocumentLayout::blockBoundingRect(block);
        const ModeFor mode(const_cast<WrapGuard*>(this), block);
        return QPlainTextDocumentLayout::blockBoundingRect(block);
    }

protected:
    void documentChanged(int from, int removed, int added) override
    {
        // The option set for laying one paragraph out: the text did not change, and the
        // paragraph is laid out by whoever set it.
        if (m_settingMode)
            return;
        // A change within one paragraph has it laid out at once; others are cleared and laid
        // out when needed.
        QTextDocument* doc = document();
        const QTextBlock first = doc->findBlock(from);
        const bool oneParagraph = first == doc->findBlock(std::max(0, from + removed + added - 1));
        const ModeFor mode(this, oneParagraph ? first : QTextBlock());
        QPlainTextDocumentLayout::documentChanged(from, removed, added);
    }

private:
    // Puts the mode a paragraph needs into the document's text option while it lives, and
    // the option as it was back after.
    class ModeFor {
    public:
        ModeFor(WrapGuard* guard, const QTextBlock& block)
            : m_guard(guard), m_saved(guard->document()->defaultTextOption())
        {
            if (!block.isValid() || !guard->m_box ||
                guard->m_box->lineWrapMode() != QPlainTextEdit::WidgetWidth)
                return;
            QTextOption option = m_saved;
            option.setWrapMode(tooSlowForWordWrap(block) ? QTextOption::WrapAnywhere
                                                         : guard->m_box->wordWrapMode());
            m_changed = option.wrapMode() != m_saved.wrapMode();
            if (m_changed)
                guard->setOption(option);
        }
        ~ModeFor()
        {
            if (m_changed)
                m_guard->setOption(m_saved);
        }
        ModeFor(const ModeFor&) = delete;
        ModeFor& operator=(const ModeFor&) = delete;

    private:
        WrapGuard* m_guard;
        QTextOption m_saved;
        bool m_changed = false;
    };

    void setOption(const QTextOption& option)
    {
        const QScopedValueRollback<bool> setting(m_settingMode, true);
        document()->setDefaultTextOption(option);
    }

    TextBox* m_box;
    bool m_settingMode = false;
};

TextBox::TextBox(QWidget* parent) : QPlainTextEdit(parent)
{
    auto* doc = new QTextDocument(this);
    m_guard = new WrapGuard(doc, this);
    doc->setDocumentLayout(m_guard);
    doc->setDefaultFont(font());
    m_guard->setPaintDevice(viewport());
    // setDocument lays the text out at the viewport's width, which until the box is first
    // shown is a default and not the box's own. At a width of 0 the box does not wrap until
    // then, as with the document it was made with.
    viewport()->resize(0, viewport()->height());
    setDocument(doc);

    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setTabChangesFocus(true);
}

TextBox::~TextBox()
{
    // The document outlives this part of the box: it is deleted with the box's children.
    m_guard->detach();
}

void TextBox::keyPressEvent(QKeyEvent* event)
{
    // Tab and Shift+Tab reach here only when no other control can take the focus; they still
    // type nothing. A tab character pasted or stored stays as it is.
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tab && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}
