#pragma once

#include <QString>

// A text box bound to a field of a record source's current row.
class BoundField {
public:
    virtual ~BoundField() = default;
    virtual QString boundText() const = 0;
    // Shows a value; afterwards the box counts as unmodified unless told otherwise.
    virtual void showValue(const QString& text, bool modified) = 0;
    // True when the user typed since the value was shown.
    virtual bool isBoundModified() const = 0;
    virtual void setBoundModified(bool modified) = 0;
    // Typing is accepted only while the source has a current row.
    virtual void setBoundEditable(bool editable) = 0;
};
