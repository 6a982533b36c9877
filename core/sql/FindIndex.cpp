#include "core/sql/FindIndex.h"

#include "core/sql/Like.h"

#include <QChar>
#include <QRegularExpression>

namespace {
// A character a run may hold: the folded text never holds the others (FoldedText).
bool indexable(char32_t c)
{
    return c != 0 && c != 0xFFFD && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

// The runs of a pattern's tokens, and whether they are one run between two "%".
QStringList runsOf(const std::vector<LikeToken>& tokens, bool* exact)
{
    QStringList runs;
    std::u32string run;
    bool allValid = true;
    auto close = [&] {
        if (run.size() >= 3)
            runs << QString::fromStdU32String(run);
        run.clear();
    };
    for (const LikeToken& t : tokens) {
        if (t.kind == LikeToken::Literal && indexable(t.c)) {
            run += t.c;
        } else {
            allValid = allValid && t.kind != LikeToken::Literal;
            close();
        }
    }
    close();
    if (exact) {
        *exact = allValid && runs.size() == 1 && tokens.size() >= 5 &&
                 tokens.front().kind == LikeToken::Any && tokens.back().kind == LikeToken::Any &&
                 size_t(runs.front().toStdU32String().size()) + 2 == tokens.size();
    }
    return runs;
}

// The WHERE text cut at its ANDs, or nothing when it holds anything but ANDs of plain
// conditions: an OR, a NOT or parentheses could make a LIKE's row count without meeting it.
std::optional<QStringList> conjuncts(const QString& where)
{
    QStringList parts;
    QString part;
    bool quoted = false;
    for (qsizetype i = 0; i < where.size(); ++i) {
        const QChar c = where.at(i);
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted) {
            if (c == QLatin1Char('(') || c == QLatin1Char(')') || c == QLatin1Char(';'))
                return std::nullopt;
            static const QRegularExpression word(QStringLiteral("\\G\\s(AND|OR|NOT)\\s"),
                                                 QRegularExpression::CaseInsensitiveOption);
            const QRegularExpressionMatch m = word.match(where, i);
            if (m.hasMatch()) {
                if (m.captured(1).compare(QLatin1String("AND"), Qt::CaseInsensitive) != 0)
                    return std::nullopt;
                parts << part;
                part.clear();
                i += m.capturedLength() - 1;
                continue;
            }
        }
        part += c;
    }
    if (quoted)
        return std::nullopt;
    parts << part;
    return parts;
}
} // namespace

QStringList LikeRuns(const QString& pattern)
{
    const QByteArray utf8 = pattern.toUtf8();
    return runsOf(LikeTokens(utf8.constData(), int(utf8.size())), nullptr);
}

std::optional<FindPlan> PlanFind(const QString& table, const QString& where)
{
    if (table.compare(QLatin1String("Problems"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const std::optional<QStringList> parts = conjuncts(where);
    if (!parts)
        return std::nullopt;
    static const QRegularExpression likeTerm(
        QStringLiteral("^\\s*\\[?(Problem|Solution)\\]?\\s+LIKE\\s+'((?:[^']|'')*)'\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    FindPlan plan;
    for (const QString& part : *parts) {
        const QRegularExpressionMatch m = likeTerm.match(part);
        if (m.hasMatch()) {
            IndexedLike like{part.trimmed(),
                             m.captured(1).at(0) == QLatin1Char('P') ||
                                     m.captured(1).at(0) == QLatin1Char('p')
                                 ? QStringLiteral("Problem")
                                 : QStringLiteral("Solution"),
                             m.captured(2).replace(QLatin1String("''"), QLatin1String("'")),
                             {},
                             false};
            const QByteArray utf8 = like.pattern.toUtf8();
            like.runs = runsOf(LikeTokens(utf8.constData(), int(utf8.size())), &like.exact);
            if (!like.runs.isEmpty()) {
                plan.likes.push_back(like);
                continue;
            }
        }
        plan.rest << part.trimmed();
    }
    if (plan.likes.empty())
        return std::nullopt;
    return plan;
}

QString FindPlan::checkedWhere() const
{
    QStringList all = rest;
    for (const IndexedLike& like : likes) {
        if (!like.exact)
            all << like.term;
    }
    return all.join(QStringLiteral(" AND "));
}

bool FindPlan::exactOnly() const
{
    for (const IndexedLike& like : likes) {
        if (!like.exact)
            return false;
    }
    return true;
}

QByteArray FoldVersion()
{
    return "unicode " + QByteArray::number(int(QChar::currentUnicodeVersion())) + ", fold 1";
}
