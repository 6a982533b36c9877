#include "widgets/BoundTextBox.h"

#include <QTextDocument>

BoundTextBox::BoundTextBox(QWidget* parent) : TextBox(parent) {}

void BoundTextBox::showValue(const QString& text, bool modified)
{
    if (TextOf(this) != text)
        setPlainText(text);
    document()->setModified(modified);
}

QString BoundTextBox::TextOf(const QPlainTextEdit* box)
{
    QString text = box->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}
