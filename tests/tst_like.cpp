// The search texts and the LIKE that runs them: letter case and accents of every script, the
// wildcards, and agreement with plain matching on random texts.
#include "core/sql/Like.h"
#include "core/sql/SqlText.h"
#include "tests/CoreSupport.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {
// Folding of the few characters the random texts use: é and É are e, the combining acute
// accent is nothing, ASCII letters lose their case.
std::u32string refFold(const QString& s)
{
    std::u32string out;
    for (QChar c : s) {
        if (c == QChar(0x301))
            continue;
        if (c == QChar(0xE9) || c == QChar(0xC9))
            out += U'e';
        else
            out += char32_t(c.toLower().unicode());
    }
    return out;
}

bool refMatch(const std::u32string& p, size_t i, const std::u32string& t, size_t j)
{
    if (i == p.size())
        return j == t.size();
    if (p[i] == U'%')
        return refMatch(p, i + 1, t, j) || (j < t.size() && refMatch(p, i, t, j + 1));
    if (j == t.size())
        return false;
    return (p[i] == U'_' || p[i] == t[j]) && refMatch(p, i + 1, t, j + 1);
}

bool like(const QString& pattern, const QString& text)
{
    return LikeMatch(pattern.toUtf8(), text.toUtf8());
}

// A pattern, a text, and whether the text matches it.
struct LikeCase {
    const char* pattern;
    const char* text;
    bool matches;
};

void expectLike(std::initializer_list<LikeCase> cases)
{
    for (const LikeCase& c : cases) {
        QVERIFY2(like(QString::fromUtf8(c.pattern), QString::fromUtf8(c.text)) == c.matches,
                 qPrintable(QStringLiteral("'%1' LIKE '%2'").arg(c.text, c.pattern)));
    }
}
} // namespace

class TestLike : public QObject {
    Q_OBJECT
private slots:
    void searchTextIsBuiltFromBothBoxes()
    {
        const QString base = "SELECT * FROM [Problems] WHERE [SoftwareID] = 12";
        QCOMPARE(Sql::ProblemSearch(12, "", ""), base);
        QCOMPARE(Sql::ProblemSearch(12, "print*", ""), base + " AND [Problem] LIKE 'print%'");
        QCOMPARE(Sql::ProblemSearch(12, "", "*driver*"), base + " AND [Solution] LIKE '%driver%'");
        QCOMPARE(Sql::ProblemSearch(12, "print*", "*driver*"),
                 base + " AND [Problem] LIKE 'print%' AND [Solution] LIKE '%driver%'");
        // Blanks and line breaks are texts like any other, not an empty box.
        QCOMPARE(Sql::ProblemSearch(12, " ", "\n"),
                 base + " AND [Problem] LIKE ' ' AND [Solution] LIKE '\n'");
        QCOMPARE(Sql::ProblemSearch(12, "it's", ""), base + " AND [Problem] LIKE 'it''s'");
    }
    void likeIgnoresCaseInEveryScript()
    {
        expectLike({
            {"%ärger%", "Großer Ärger", true},
            {"%ΣΦΑΛΜΑ%", "ένα σφάλμα εδώ", true},
            {"ОШИБКА", "ошибка", true},
            {"%ς", "ΛΟΓΟΣ", true}, // final sigma
            {"ärger", "Ärgernis", false},
            // Different syllables that share their first sound are different texts.
            {"가", "각", false},
            {"%각%", "가각", true},
            {"%각%", "가가", false},
            // Accents are ignored, vowel signs that are letters are not.
            {"cafe", "CAFÉ", true},
            {"caf\u00e9", "cafe\u0301", true},
            {"كتب", "كَتَبَ", true},
            {"कल", "कुल", false},
            {"กน", "กิน", false},
        });
    }
    void likeWildcards()
    {
        expectLike({
            {"abc", "ABC", true},
            {"abc", "xabc", false},
            {"abc", "abcd", false},
            {"a%b%c", "a-big-c", true},
            {"a%b%c", "a-big-d", false},
            {"a_c", "abc", true},
            {"a_c", "ac", false},
            {"a_c", "aéc", true}, // one character, not one byte
            {"a?c", "a?c", true},
            {"a?c", "abc", false},
            {" ", " ", true},
            {" ", "  ", false},
            {" ", "", false},
            {"%", "", true},
            {"", "", true},
            {"", "a", false},
            {"line1\nline2", "LINE1\nLINE2", true},
            {"%it's%", "So it's broken", true},
        });
        // Patterns that would backtrack badly still finish and are right.
        QVERIFY(!like(QString(200, 'a').replace(QRegularExpression("a"), "%a") + "b",
                      QString(5000, 'a')));
    }

    void likeFoldsCaseAndAccents()
    {
        expectLike({
            {"%driver%", "The new DRIVER fails", true},
            {"%Ärger%", "viel ärger heute", true},
            {"%resume%", "my Résumé", true},
            {"%cafe", "cafe\u0301", true},
            {"%driver%", "xx dr\u0301iver", true},
            {"%éclair%", "an ECLAIR", true},
            {"%driver%", "drive r", false},
            {"driver", "driver ", false},
            {"d_iver", "dXiver", true},
            {"%", "", true},
            {"_", "", false},
            {"%a%b%c", "xxaxxbxxc", true},
            {"%a%b%c", "xxaxxbxxcx", false},
        });
        // The literal after "%" found at every place of an eight-byte step, also at the end.
        for (int at = 0; at < 20; ++at) {
            QString text(at, QLatin1Char('x'));
            QVERIFY(like("%Dr%", text + "dR"));
            QVERIFY(like("%dr%", text + "Dr" + QString(at, QLatin1Char('y'))));
            QVERIFY(!like("%dr%", text + "d" + QString(at, QLatin1Char('y'))));
        }
        // A NUL is an ordinary character, in the pattern and in the text.
        const QByteArray withNul("a\0b", 3);
        QVERIFY(LikeMatch(withNul, withNul));
        QVERIFY(!LikeMatch(withNul, QByteArray("ab")));
        QVERIFY(LikeMatch(QByteArray("%\0%", 3), withNul));
        QVERIFY(LikeMatch(QByteArray("%a!%b%"), QByteArray("xa%b"), U'!'));
        QVERIFY(!LikeMatch(QByteArray("%a!%b%"), QByteArray("xab"), U'!'));
    }

    void likeAgreesWithPlainMatchingOnRandomTexts()
    {
        const QString alphabet[] = {"d", "D", "r", "x", "é", "É", "e", "e\u0301", " "};
        const QString patternAlphabet[] = {"d", "r", "e", "É", "%", "_", "x"};
        QRandomGenerator rng(7);
        for (int n = 0; n < 4000; ++n) {
            QString text, pattern;
            const int tl = rng.bounded(14), pl = 1 + rng.bounded(6);
            for (int i = 0; i < tl; ++i)
                text += alphabet[rng.bounded(int(std::size(alphabet)))];
            for (int i = 0; i < pl; ++i)
                pattern += patternAlphabet[rng.bounded(int(std::size(patternAlphabet)))];
            const bool expected = refMatch(refFold(pattern), 0, refFold(text), 0);
            QVERIFY2(like(pattern, text) == expected,
                     qPrintable(QStringLiteral("'%1' LIKE '%2'").arg(text, pattern)));
        }
    }

    void likeInSqlKeepsNullAndFollowsChangingPatterns()
    {
        CoreEnv env;
        const qint64 id = env.addTitle("T");
        env.addProblem(id, "Printer DRIVER", "none");
        env.addProblem(id, QVariant(), "x");
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Problems WHERE Problem LIKE '%driver%'").toInt(),
                 1);
        QVERIFY(env.scalar("SELECT NULL LIKE 'a'").isNull());
        // A pattern taken from each row in turn is compiled afresh for each.
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Problems p, (SELECT '%river' AS pat UNION ALL "
                            "SELECT 'print%' UNION ALL SELECT '%none%') q "
                            "WHERE p.Problem LIKE q.pat")
                     .toInt(),
                 2);
    }
};

QTEST_GUILESS_MAIN(TestLike)
#include "tst_like.moc"
