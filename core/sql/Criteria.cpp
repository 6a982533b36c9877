#include "core/sql/Criteria.h"

std::optional<Criterion> ParseCriterion(const QString& text)
{
    const QString t = text.trimmed();
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return std::nullopt;
    QString field = t.left(eq).trimmed();
    if (field.startsWith(QLatin1Char('[')) && field.endsWith(QLatin1Char(']')) && field.size() > 2)
        field = field.mid(1, field.size() - 2);
    if (field.isEmpty())
        return std::nullopt;
    for (QChar c : field) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('_'))
            return std::nullopt;
    }
    const QString raw = t.mid(eq + 1).trimmed();
    if (raw.startsWith(QLatin1Char('\''))) {
        // A quoted text ends at the last quote; doubled quotes inside stand for one.
        if (raw.size() < 2 || !raw.endsWith(QLatin1Char('\'')))
            return std::nullopt;
        QString inner = raw.mid(1, raw.size() - 2);
        QString value;
        for (qsizetype i = 0; i < inner.size(); ++i) {
            if (inner.at(i) == QLatin1Char('\'')) {
                if (i + 1 >= inner.size() || inner.at(i + 1) != QLatin1Char('\''))
                    return std::nullopt;
                ++i;
            }
            value += inner.at(i);
        }
        return Criterion{field, value};
    }
    bool ok = false;
    const qint64 n = raw.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return Criterion{field, n};
}
