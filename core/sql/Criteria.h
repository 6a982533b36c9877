#pragma once

#include <QString>
#include <QVariant>

#include <optional>

// A find criterion: a field, "=", and a value that is a number or a quoted text.
struct Criterion {
    QString field;
    QVariant value; // qint64 or QString
};

// The criterion in text, or nothing when the text is not of that form.
std::optional<Criterion> ParseCriterion(const QString& text);
