#include "core/engine/pg/PgSql.h"

#include "core/engine/DbError.h"
#include "core/engine/pg/PgSchema.h"
#include "core/engine/pg/PgSqlLexer.h"
#include "core/sql/Like.h"
#include "core/sql/PgLike.h"

#include <QSet>
#include <QVariant>

#include <algorithm>
#include <vector>

namespace {
// Longer LIKE patterns are checked by the program: the server's regular expression for one grows
// with every character, and a few thousand characters take it seconds to compile.
constexpr qsizetype kServerLikeLength = 1000;

const QSet<QString>& keywords()
{
    static const QSet<QString> words = {
        "SELECT", "FROM",   "WHERE",  "AND",    "OR",     "NOT",     "ORDER",
        "BY",     "ASC",    "DESC",   "INSERT", "INTO",   "VALUES",  "UPDATE",
        "SET",    "DELETE", "IS",     "NULL",   "IN",     "BETWEEN", "DISTINCT",
        "AS",     "LIMIT",  "OFFSET", "GROUP",  "HAVING", "DEFAULT"};
    return words;
}

const QSet<QString>& functions()
{
    static const QSet<QString> names = {"COUNT", "MAX", "MIN", "SUM", "LENGTH", "COALESCE"};
    return names;
}

class Translator {
public:
    Translator(const QString& text, const QVariantList& values, const PgTable* table, int first,
               bool clientLikes)
        : m_text(text), m_tokens(PgTokens(text)), m_values(values), m_table(table), m_next(first),
          m_clientLikes(clientLikes && onlyAnds())
    {
    }

    PgStatement run()
    {
        while (m_i < m_tokens.size())
            step();
        if (m_depth != 0)
            throw PgRefused(QStringLiteral("the brackets do not pair up"), m_text);
        if (m_used != m_values.size())
            throw PgRefused(
                QStringLiteral("%1 values for %2 question marks").arg(m_values.size()).arg(m_used),
                m_text);
        return {m_out.trimmed(), m_params, m_likes};
    }

private:
    // Whether the condition holds nothing but ANDs: a LIKE left out of it then only widens
    // the rows the server gives.
    bool onlyAnds() const
    {
        for (size_t i = 0; i < m_tokens.size(); ++i) {
            const PgToken& t = m_tokens[i];
            if (t.kind != PgToken::Word)
                continue;
            const QString upper = t.text.toUpper();
            const bool notLike = upper == QLatin1String("NOT") && i + 1 < m_tokens.size() &&
                                 m_tokens[i + 1].text.toUpper() == QLatin1String("LIKE");
            if ((upper == QLatin1String("NOT") && !notLike) || upper == QLatin1String("OR") ||
                upper == QLatin1String("SELECT"))
                return false;
        }
        return true;
    }

    // The table the statement reads, for a rowid named before its FROM.
    const PgTable* tableAhead() const
    {
        for (size_t i = m_i; i + 1 < m_tokens.size(); ++i) {
            const PgToken& t = m_tokens[i];
            if (t.kind == PgToken::Word && t.text.toUpper() == QLatin1String("FROM"))
                return FindPgTable(m_tokens[i + 1].text);
        }
        return nullptr;
    }

    const PgToken* peek(size_t ahead = 0) const
    {
        return m_i + ahead < m_tokens.size() ? &m_tokens[m_i + ahead] : nullptr;
    }
    bool peekIs(PgToken::Kind kind, const char* text, size_t ahead = 0) const
    {
        const PgToken* t = peek(ahead);
        return t && t->kind == kind &&
               t->text.compare(QLatin1String(text), Qt::CaseInsensitive) == 0;
    }

    void put(const QByteArray& text, bool column = false)
    {
        m_out += ' ';
        m_out += text;
        m_lastColumn = column;
        m_lastOperand = column;
    }
    void putParam(const QVariant& value)
    {
        m_params << value;
        put('$' + QByteArray::number(m_next++));
        m_lastOperand = true;
    }
    void putName(const QString& name)
    {
        // The program's names are plain words; quoted, none can be taken for a key word.
        m_lastName = name.toLower().toUtf8();
        m_lastNameAt = m_out.size();
        put('"' + m_lastName + '"', true);
        m_lastNameEnd = m_out.size();
    }

    void step()
    {
        const PgToken& t = m_tokens[m_i];
        switch (t.kind) {
        case PgToken::Text:
            putParam(textExpression());
            return;
        case PgToken::Number:
            ++m_i;
            putParam(t.value);
            return;
        case PgToken::Param:
            ++m_i;
            putParam(nextValue());
            return;
        case PgToken::Name:
            ++m_i;
            noteTable(t.text);
            putName(t.text);
            return;
        case PgToken::Word:
            word(t.text);
            return;
        case PgToken::Op:
            op(t.text);
            return;
        }
    }

    QVariant nextValue()
    {
        if (m_used >= m_values.size())
            throw PgRefused(QStringLiteral("more question marks than values"), m_text);
        return m_values[m_used++];
    }

    // A text, or texts joined by || with char(0) between them, as the program writes a text
    // that holds a NUL.
    QString textExpression()
    {
        QString value = m_tokens[m_i++].text;
        while (peekIs(PgToken::Op, "||")) {
            ++m_i;
            if (peek() && peek()->kind == PgToken::Text) {
                value += m_tokens[m_i++].text;
            } else if (peekIs(PgToken::Word, "char") && peekIs(PgToken::Op, "(", 1) && peek(2) &&
                       peek(2)->kind == PgToken::Number && peekIs(PgToken::Op, ")", 3)) {
                value += QChar(char16_t(m_tokens[m_i + 2].value.toLongLong()));
                m_i += 4;
            } else {
                throw PgRefused(QStringLiteral("|| joins only texts"), m_text);
            }
        }
        return value;
    }

    void noteTable(const QString& name)
    {
        if (m_tableNext) {
            m_table = FindPgTable(name);
            m_tableNext = false;
        }
    }

    void word(const QString& text)
    {
        const QString upper = text.toUpper();
        ++m_i;
        if (upper == QLatin1String("LIKE") ||
            (upper == QLatin1String("NOT") && peekIs(PgToken::Word, "LIKE"))) {
            like(upper == QLatin1String("NOT"));
            return;
        }
        if (upper == QLatin1String("ROWID")) {
            if (!m_table)
                m_table = tableAhead();
            if (!m_table)
                throw PgRefused(QStringLiteral("rowid names no table's key"), m_text);
            put('"' + m_table->key() + '"', true);
            return;
        }
        if (keywords().contains(upper)) {
            put(upper.toLatin1());
            m_tableNext = upper == QLatin1String("FROM") || upper == QLatin1String("INTO") ||
                          upper == QLatin1String("UPDATE");
            return;
        }
        if (functions().contains(upper) && peekIs(PgToken::Op, "(")) {
            put(upper.toLatin1());
            return;
        }
        if (upper == QLatin1String("CHAR") || peekIs(PgToken::Op, "("))
            throw PgRefused(QStringLiteral("the function %1 is not passed on").arg(text), m_text);
        noteTable(text);
        putName(text);
    }

    void like(bool negated)
    {
        if (negated)
            ++m_i; // LIKE
        if (!m_lastColumn)
            throw PgRefused(QStringLiteral("LIKE follows a field's name only"), m_text);
        QString pattern;
        if (peek() && peek()->kind == PgToken::Text) {
            pattern = textExpression();
        } else if (peek() && peek()->kind == PgToken::Param) {
            ++m_i;
            pattern = nextValue().toString();
        } else {
            throw PgRefused(QStringLiteral("LIKE takes a text"), m_text);
        }
        if (peekIs(PgToken::Word, "ESCAPE"))
            throw PgRefused(QStringLiteral("LIKE has no escape character here"), m_text);
        // Only a field named just before can be read back for the program's check.
        if (m_clientLikes && m_depth == 0 && m_lastNameEnd == m_out.size() &&
            pattern.size() > kServerLikeLength) {
            m_likes.push_back({m_lastName, pattern, negated});
            m_out.truncate(m_lastNameAt);
            put("TRUE");
            return;
        }
        // Compared as code points, whatever collation someone gave the column.
        put(negated ? "COLLATE \"C\" !~" : "COLLATE \"C\" ~");
        putParam(QString::fromLatin1(PgLikeRegex(pattern)));
    }

    void op(const QString& text)
    {
        ++m_i;
        if (text == QLatin1String("||"))
            throw PgRefused(QStringLiteral("|| joins only texts"), m_text);
        if (text == QLatin1String("-") && !m_lastOperand && peek() &&
            peek()->kind == PgToken::Number) {
            const QVariant v = m_tokens[m_i++].value;
            putParam(v.typeId() == QMetaType::Double ? QVariant(-v.toDouble())
                                                     : QVariant(-v.toLongLong()));
            return;
        }
        if (text == QLatin1String("("))
            ++m_depth;
        if (text == QLatin1String(")") && --m_depth < 0)
            throw PgRefused(QStringLiteral("the brackets do not pair up"), m_text);
        put(text.toLatin1());
        m_lastOperand = text == QLatin1String(")");
    }

    const QString& m_text;
    std::vector<PgToken> m_tokens;
    const QVariantList& m_values;
    const PgTable* m_table;
    int m_next;
    size_t m_i = 0;
    qsizetype m_used = 0;
    int m_depth = 0;
    bool m_lastColumn = false;
    bool m_lastOperand = false;
    bool m_tableNext = false;
    bool m_clientLikes;
    QByteArray m_lastName;
    qsizetype m_lastNameAt = 0;
    qsizetype m_lastNameEnd = -1;
    QByteArray m_out;
    QVariantList m_params;
    std::vector<PgClientLike> m_likes;
};
} // namespace

PgStatement TranslateSql(const QString& text, const QVariantList& values, const PgTable* table,
                         int firstParam, bool clientLikes)
{
    return Translator(text, values, table, firstParam, clientLikes).run();
}

bool MeetsClientLikes(const std::vector<PgClientLike>& likes, const QVariant* values)
{
    for (size_t i = 0; i < likes.size(); ++i) {
        if (values[i].isNull())
            return false;
        const bool match = LikeMatch(likes[i].pattern.toUtf8(), values[i].toString().toUtf8());
        if (match == likes[i].negated)
            return false;
    }
    return true;
}
