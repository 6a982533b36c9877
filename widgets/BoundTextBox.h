#pragma once

#include "core/data/BoundField.h"
#include "widgets/TextBox.h"

// A multi-line box bound to a field of a record source.
class BoundTextBox : public TextBox, public BoundField {
    Q_OBJECT
public:
    explicit BoundTextBox(QWidget* parent = nullptr);

    // What a multi-line box holds, as typed: toPlainText() would turn no-break spaces into
    // blanks and line separators into line breaks.
    static QString TextOf(const QPlainTextEdit* box);

    QString boundText() const override { return TextOf(this); }
    void showValue(const QString& text, bool modified) override;
    bool isBoundModified() const override { return document()->isModified(); }
    void setBoundModified(bool modified) override { document()->setModified(modified); }
    void setBoundEditable(bool editable) override { setReadOnly(!editable); }
};
