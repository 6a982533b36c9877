#include "tests/FaultSupport.h"

#include "core/data/Connection.h"

#include <QFile>
#include <QListWidget>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

namespace {
QString oneMegabyte()
{
    // Words of several scripts, so that the text is not one repeated character.
    const QString piece = QStringLiteral("line of text 'q' \"d\" % _ * [x] Ärger 日本\n");
    QString t;
    t.reserve(1024 * 1024 + piece.size());
    while (t.size() < 1024 * 1024)
        t += piece;
    return t;
}
} // namespace

QList<BadText> badTexts()
{
    QString controls = QStringLiteral("tab\tbell\abs\bnul");
    controls += QChar(0);
    controls += QStringLiteral("esc\x1b[0m del\x7f unit\x1f cr\rlf\nend");
    return {
        {"empty", QString()},
        {"blanks", QStringLiteral("   ")},
        {"other spaces",
         QStringLiteral(" \u00A0no-break\u2007figure\u3000wide\u2028line\u200Bzero\uFEFF\t")},
        {"single quotes", QStringLiteral("O'Brien's 'tool'")},
        {"double quotes", QStringLiteral("say \"hi\" \"")},
        {"percent", QStringLiteral("%")},
        {"underscore", QStringLiteral("_")},
        {"star", QStringLiteral("*")},
        {"open bracket", QStringLiteral("[")},
        {"close bracket", QStringLiteral("]")},
        {"injection", QStringLiteral("x'; DROP TABLE Software; --")},
        {"non-Latin", QStringLiteral("Ελληνικά Русский 日本語 한국어 हिन्दी")},
        {"right-to-left", QStringLiteral("עברית العربية \u202Eabc\u202C")},
        {"emoji", QStringLiteral("🚀👍🏽👨‍👩‍👧 🇩🇪")},
        {"combining marks", QStringLiteral("e\u0301 a\u0308\u0323 Z\u0351\u0352\u0353 क्ष")},
        {"control characters", controls},
        {"1 MB", oneMegabyte()},
    };
}

Rows snapshot(Connection& db)
{
    Rows rows;
    for (const char* table : {"Software", "Versions", "Changes", "Files", "Problems"}) {
        QSqlQuery q = db.run(
            QStringLiteral("SELECT rowid, * FROM [%1] ORDER BY rowid").arg(QLatin1String(table)));
        while (q.next()) {
            QVariantList values;
            for (int i = 1; i < q.record().count(); ++i)
                values << q.value(i);
            rows.insert(QStringLiteral("%1:%2").arg(QLatin1String(table), q.value(0).toString()),
                        values);
        }
    }
    return rows;
}

QStringList unasked(const Rows& before, const Rows& after, const QStringList& asked)
{
    QStringList out;
    for (auto it = before.begin(); it != before.end(); ++it) {
        if (!asked.contains(it.key()) && after.value(it.key()) != it.value())
            out << it.key();
    }
    for (auto it = after.begin(); it != after.end(); ++it) {
        if (!asked.contains(it.key()) && !before.contains(it.key()))
            out << it.key();
    }
    g_rowsHarmed += int(out.size());
    return out;
}

QString newestKey(TestEnv& env, const char* table)
{
    return QStringLiteral("%1:%2").arg(
        QLatin1String(table),
        env.scalar(QStringLiteral("SELECT max(rowid) FROM [%1]").arg(QLatin1String(table)))
            .toString());
}

void deleteChecked(TestEnv& env, QAbstractButton* command, const QString& key,
                   const QByteArray& what)
{
    const Rows before = snapshot(env.db());
    env.msgs.clear();
    env.msgs.answer(MsgResult::Yes);
    command->click();
    QVERIFY2(env.msgs.count() == 1, what + " " + env.msgs.lastText().toUtf8());
    env.msgs.clear();
    const Rows after = snapshot(env.db());
    QVERIFY2(!after.contains(key), what + " not deleted");
    QVERIFY2(unasked(before, after, {key}).isEmpty(), what);
}

bool huge(const QString& text)
{
    return text.size() > 64 * 1024;
}

int rowOfKey(const QListWidget* keys, qint64 key)
{
    for (int i = 0; i < keys->count(); ++i) {
        if (keys->item(i)->text() == QString::number(key))
            return i;
    }
    return -1;
}

QString asShown(const QString& text)
{
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    f.write(bytes);
}

bool isDatabaseMessage(const MsgBoxCall& call, const QString& reason)
{
    return call.icon == MsgIcon::Critical && call.text.contains(reason, Qt::CaseInsensitive);
}

FaultFixture::FaultFixture()
{
    title = env.addTitle(QStringLiteral("Editor"), QStringLiteral("old comments"));
    other = env.addTitle(QStringLiteral("Other"), QStringLiteral("other comments"));
    release = env.addVersion(title, QStringLiteral("1.0"), QDate(2001, 3, 3));
    env.addChange(release, QStringLiteral("first change"));
    env.addFile(release, QStringLiteral("core.dll"), QStringLiteral("1.0.0"), QDate(2001, 3, 1));
    env.addProblem(title, QStringLiteral("crash on start"), QStringLiteral("reinstall"));
    env.addVersion(other, QStringLiteral("9.9"), QDate(2009, 9, 9));
    w = env.openWindow(QStringLiteral("Editor"));
}
