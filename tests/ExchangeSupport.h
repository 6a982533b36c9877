#pragma once

#include "core/data/WorkProgress.h"

#include <QFile>
#include <QStringList>
#include <QtTest>

#include <functional>

// A user who presses Cancel once the work has come this far (advances, after its start).
class CancelAfter final : public WorkProgress {
public:
    explicit CancelAfter(int advances) : m_left(advances) {}
    void begin(const QString& part, qint64) override { parts << part; }
    void advance(qint64) override
    {
        if (m_left-- <= 0)
            throw WorkCancelled();
    }
    QStringList parts;

private:
    int m_left;
};

// Texts that a file format most easily spoils.
inline const QStringList kHardTexts = {
    QString(),
    QStringLiteral(""),
    QStringLiteral(" blanks at both ends "),
    QStringLiteral("quote \" and 'single', comma, semicolon;"),
    QStringLiteral("line\nbreaks\r\nof every\rkind\n"),
    QStringLiteral("tab\tand controls \x01\x1f and \\ backslash"),
    QStringLiteral("Ünïcödé ελληνικά русский 中文 😀 \u200b\u2028\u2029"),
    QStringLiteral("<script>alert(1)</script> &amp; ]]>"),
    QString(100000, QLatin1Char('x')) + QStringLiteral("end"),
};

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The text of the DbError body throws, or an empty text.
inline QString failure(const std::function<void()>& body)
{
    try {
        body();
    } catch (const DbError& e) {
        return e.text();
    }
    return {};
}
