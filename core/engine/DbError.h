#pragma once

#include <QString>

#include <stdexcept>

// A failure reported by the database; what() and text() carry the database's own words.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString& text() const { return m_text; }

private:
    QString m_text;
};
