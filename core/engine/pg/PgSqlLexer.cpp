#include "core/engine/pg/PgSqlLexer.h"

namespace {
bool isNameStart(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}

bool isNameChar(QChar c)
{
    return isNameStart(c) || (c >= u'0' && c <= u'9');
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

class Lexer {
public:
    explicit Lexer(const QString& text) : m_s(text) {}

    std::vector<PgToken> tokens()
    {
        std::vector<PgToken> out;
        while (skipSpace())
            out.push_back(next());
        return out;
    }

private:
    bool skipSpace()
    {
        while (m_i < m_s.size() && m_s.at(m_i).isSpace())
            ++m_i;
        return m_i < m_s.size();
    }

    PgToken next()
    {
        const QChar c = m_s.at(m_i);
        if (c == u'\'')
            return text();
        if (c == u'[')
            return bracketed();
        if (isNameStart(c))
            return word();
        if (isDigit(c))
            return number();
        if (c == u'?') {
            ++m_i;
            return {PgToken::Param, QStringLiteral("?"), {}};
        }
        return op();
    }

    PgToken text()
    {
        QString value;
        for (++m_i; m_i < m_s.size(); ++m_i) {
            if (m_s.at(m_i) == u'\'') {
                if (m_i + 1 < m_s.size() && m_s.at(m_i + 1) == u'\'') {
                    value += u'\'';
                    ++m_i;
                    continue;
                }
                ++m_i;
                return {PgToken::Text, value, {}};
            }
            value += m_s.at(m_i);
        }
        throw PgRefused(QStringLiteral("a text has no closing quote"), m_s);
    }

    PgToken bracketed()
    {
        const qsizetype end = m_s.indexOf(u']', m_i);
        const QString name = end < 0 ? QString() : m_s.mid(m_i + 1, end - m_i - 1);
        if (name.isEmpty() || !isNameStart(name.at(0)) ||
            !std::all_of(name.begin(), name.end(), isNameChar))
            throw PgRefused(QStringLiteral("a name in brackets is not a plain name"), m_s);
        m_i = end + 1;
        return {PgToken::Name, name, {}};
    }

    PgToken word()
    {
        const qsizetype from = m_i;
        while (m_i < m_s.size() && isNameChar(m_s.at(m_i)))
            ++m_i;
        return {PgToken::Word, m_s.mid(from, m_i - from), {}};
    }

    PgToken number()
    {
        const qsizetype from = m_i;
        while (m_i < m_s.size() && isDigit(m_s.at(m_i)))
            ++m_i;
        bool fraction = false;
        if (m_i + 1 < m_s.size() && m_s.at(m_i) == u'.' && isDigit(m_s.at(m_i + 1))) {
            fraction = true;
            for (++m_i; m_i < m_s.size() && isDigit(m_s.at(m_i));)
                ++m_i;
        }
        if (m_i < m_s.size() && isNameChar(m_s.at(m_i)))
            throw PgRefused(QStringLiteral("a number runs into a name"), m_s);
        const QString digits = m_s.mid(from, m_i - from);
        bool ok = false;
        QVariant value =
            fraction ? QVariant(digits.toDouble(&ok)) : QVariant(digits.toLongLong(&ok));
        if (!ok)
            throw PgRefused(QStringLiteral("a number is too large"), m_s);
        return {PgToken::Number, digits, value};
    }

    PgToken op()
    {
        static const char* const two[] = {"<=", ">=", "<>", "!=", "||"};
        static const QString one = QStringLiteral("=<>(),*+-/.");
        const QString pair = m_s.mid(m_i, 2);
        if (pair == QLatin1String("--") || pair == QLatin1String("/*"))
            throw PgRefused(QStringLiteral("comments are not passed on"), m_s);
        for (const char* t : two) {
            if (pair == QLatin1String(t)) {
                m_i += 2;
                return {PgToken::Op, pair == QLatin1String("!=") ? QStringLiteral("<>") : pair, {}};
            }
        }
        if (one.contains(m_s.at(m_i)))
            return {PgToken::Op, QString(m_s.at(m_i++)), {}};
        throw PgRefused(QStringLiteral("the character %1 is not understood").arg(m_s.at(m_i)), m_s);
    }

    const QString& m_s;
    qsizetype m_i = 0;
};
} // namespace

DbError PgRefused(const QString& why, const QString& text)
{
    return DbError(
        QStringLiteral("Vantor cannot pass this statement to the database server (%1): %2")
            .arg(why, text));
}

std::vector<PgToken> PgTokens(const QString& text)
{
    return Lexer(text).tokens();
}
