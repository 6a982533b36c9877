#include "ui/main/BoundTextBox.h"

BoundTextBox::BoundTextBox(QWidget* parent) : QPlainTextEdit(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setTabChangesFocus(true);
}

void BoundTextBox::showValue(const QString& text, bool modified)
{
    if (toPlainText() != text)
        setPlainText(text);
    document()->setModified(modified);
}
