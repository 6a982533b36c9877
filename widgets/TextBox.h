#pragma once

#include <QPlainTextEdit>

// A multi-line box of the program's windows: wraps at its width with the vertical scroll bar
// always shown, so that the wrap width never changes, and Tab leaves it.
//
// Paragraphs wrap at word boundaries, except a paragraph whose unbreakable runs (a pasted
// base64 blob, a minified log line) are so long that word wrap would freeze the window laying
// it out: that paragraph wraps anywhere. The box decides as it lays each paragraph out, which
// every way of changing the text goes through (showing a record, typing, pasting, undo). The
// text itself is never changed, and the display lines stay the lines the box shows.
class TextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);
    ~TextBox() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    class WrapGuard;
    WrapGuard* m_guard;
};
