#include "core/jet/JetSource.h"

#include "core/engine/DbError.h"
#include "core/jet/JetFileReader.h"

#include <QDate>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace {
enum class Role { Key, Parent, Text, Date };

struct FieldSpec {
    const char* name;
    Role role;
};

struct TableSpec {
    const char* name;
    int parent; // index in kTables, -1 for none
    const char* one;
    const char* many;
    std::vector<FieldSpec> fields; // the key first
};

// Parents before their children, as the copy asks for them.
const TableSpec kTables[] = {
    {"Software",
     -1,
     "title",
     "titles",
     {{"SoftwareID", Role::Key}, {"SoftwareTitle", Role::Text}, {"Comments", Role::Text}}},
    {"Versions",
     0,
     "version",
     "versions",
     {{"ReleaseID", Role::Key},
      {"SoftwareID", Role::Parent},
      {"ReleaseNumber", Role::Text},
      {"ReleaseDate", Role::Date}}},
    {"Changes",
     1,
     "change",
     "changes",
     {{"ChangeID", Role::Key}, {"ReleaseID", Role::Parent}, {"Change", Role::Text}}},
    {"Files",
     1,
     "needed file",
     "needed files",
     {{"FileID", Role::Key},
      {"ReleaseID", Role::Parent},
      {"File", Role::Text},
      {"Version", Role::Text},
      {"Date", Role::Date}}},
    {"Problems",
     0,
     "problem",
     "problems",
     {{"ProblemID", Role::Key},
      {"SoftwareID", Role::Parent},
      {"Problem", Role::Text},
      {"Solution", Role::Text}}},
};
// Problems had no key that the earlier Vantor used: a file without one is the usual case.
constexpr int kProblems = 4;

// The dates Access keeps: 1 January 100 to 31 December 9999.
constexpr double kFirstDay = -657434;
constexpr double kLastDay = 2958465;
const QDate kDayZero(1899, 12, 30);

QString latin(const char* s)
{
    return QString::fromLatin1(s);
}

QString counted(qint64 n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(latin(n == 1 ? one : many));
}

bool fits(Role role, JetKind kind)
{
    switch (role) {
    case Role::Key:
    case Role::Parent:
        return kind == JetKind::Integer;
    case Role::Text:
        return kind == JetKind::Text || kind == JetKind::Memo;
    case Role::Date:
        return kind == JetKind::DateTime;
    }
    return false;
}

const char* needs(Role role)
{
    switch (role) {
    case Role::Key:
    case Role::Parent:
        return "a whole number";
    case Role::Text:
        return "a text";
    case Role::Date:
        return "a date";
    }
    return "";
}

// The name in names that is name without regard to letter case; empty for none.
QString findName(const QStringList& names, const QString& name)
{
    for (const QString& n : names) {
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return n;
    }
    return QString();
}
} // namespace

struct JetSource::Table {
    const TableSpec* spec = nullptr;
    QString jetName;         // empty when the file lacks the table
    std::vector<int> column; // per field, the file's column; -1 when it lacks it
    bool loaded = false;
    std::vector<QVariantList> rows;
    QSet<qint64> keys; // of the rows copied, for the rows below to refer to

    QString name() const { return latin(spec->name); }
    QString field(size_t f) const { return latin(spec->fields[f].name); }
};

JetSource::JetSource(std::unique_ptr<JetTables> file) : m_file(std::move(file))
{
    const QStringList present = m_file->tables();
    QStringList mapped, missing, extraColumns;
    for (const TableSpec& spec : kTables) {
        Table t;
        t.spec = &spec;
        t.jetName = findName(present, latin(spec.name));
        t.column.assign(spec.fields.size(), -1);
        if (t.jetName.isEmpty()) {
            missing << t.name();
            m_tables.push_back(std::move(t));
            continue;
        }
        mapped << t.jetName;
        const QList<JetColumn> columns = m_file->columns(t.jetName);
        QStringList names;
        for (const JetColumn& c : columns)
            names << c.name;
        for (size_t f = 0; f < spec.fields.size(); ++f) {
            const QString found = findName(names, t.field(f));
            if (found.isEmpty())
                continue;
            const JetColumn& c = columns[names.indexOf(found)];
            if (!fits(spec.fields[f].role, c.kind))
                throw DbError(QStringLiteral("The column %1.%2 of the Access file holds %3 values, "
                                             "and Vantor's field %4 needs %5; nothing was copied.")
                                  .arg(t.jetName, c.name, c.typeName, t.field(f),
                                       latin(needs(spec.fields[f].role))));
            t.column[f] = int(names.indexOf(found));
        }
        for (const QString& n : names) {
            if (std::none_of(spec.fields.begin(), spec.fields.end(), [&](const FieldSpec& f) {
                    return n.compare(latin(f.name), Qt::CaseInsensitive) == 0;
                }))
                extraColumns << t.jetName + QLatin1Char('.') + n;
        }
        for (size_t f = 0; f < spec.fields.size(); ++f) {
            if (t.column[f] >= 0)
                continue;
            const bool key = spec.fields[f].role == Role::Key;
            if (key && (&spec == &kTables[0] || &spec == &kTables[1]))
                throw DbError(QStringLiteral("The table %1 of the Access file has no column %2, "
                                             "by which the rows below it find their %3; nothing "
                                             "was copied.")
                                  .arg(t.jetName, t.field(f), latin(spec.one)));
            if (key && &spec == &kTables[kProblems])
                continue;
            m_remarks << (key ? QStringLiteral("The table %1 has no column %2: its %3 were "
                                               "numbered in the order the file holds them.")
                                    .arg(t.jetName, t.field(f), latin(spec.many))
                              : QStringLiteral("The table %1 has no column %2: its %3 were "
                                               "copied without it.")
                                    .arg(t.jetName, t.field(f), latin(spec.many)));
        }
        m_tables.push_back(std::move(t));
    }
    QStringList extraTables;
    for (const QString& n : present) {
        if (!mapped.contains(n))
            extraTables << n;
    }
    if (mapped.isEmpty())
        throw DbError(
            QStringLiteral("The Access file holds none of Vantor's tables (Software, "
                           "Versions, Changes, Files, Problems)%1; nothing was copied.")
                .arg(present.isEmpty()
                         ? QString()
                         : QStringLiteral(", only %1").arg(present.join(QStringLiteral(", ")))));
    for (const QString& t : missing)
        m_remarks << QStringLiteral("The Access file has no table %1; no %2 were copied.")
                         .arg(t, latin(table(t).spec->many));
    if (!extraTables.isEmpty())
        m_remarks << QStringLiteral("Tables that are not Vantor's were left out: %1.")
                         .arg(extraTables.join(QStringLiteral(", ")));
    if (!extraColumns.isEmpty())
        m_remarks << QStringLiteral("Columns that are not Vantor's were left out: %1.")
                         .arg(extraColumns.join(QStringLiteral(", ")));
}

JetSource::~JetSource() = default;

QString JetSource::shownName() const
{
    return m_file->shownName();
}

JetSource::Table& JetSource::table(const QString& name)
{
    for (Table& t : m_tables) {
        if (t.name() == name)
            return t;
    }
    throw DbError(QStringLiteral("Vantor has no table %1.").arg(name));
}

QStringList JetSource::fields(const QString& name)
{
    QStringList names;
    for (const FieldSpec& f : table(name).spec->fields)
        names << latin(f.name);
    return names;
}

qint64 JetSource::count(const QString& name)
{
    Table& t = table(name);
    load(t);
    return qint64(t.rows.size());
}

void JetSource::rows(const QString& name, const RowSink& row)
{
    Table& t = table(name);
    load(t);
    for (const QVariantList& values : t.rows)
        row(values.constData());
    // Only the keys are needed from here on, by the tables below.
    std::vector<QVariantList>().swap(t.rows);
}

QStringList JetSource::remarks() const
{
    return m_remarks;
}

void JetSource::load(Table& t)
{
    if (t.loaded)
        return;
    t.loaded = true;
    const TableSpec& spec = *t.spec;
    Table* parent = spec.parent >= 0 ? &m_tables[size_t(spec.parent)] : nullptr;
    // The rows below a title or version are kept only when it is.
    if (parent)
        load(*parent);
    if (t.jetName.isEmpty())
        return;
    qint64 orphans = 0, withoutKey = 0, numbered = 0;
    std::vector<qint64> timesDropped(spec.fields.size(), 0);
    m_file->rows(t.jetName, [&](const QVariant* values) {
        QVariantList out;
        out.reserve(qsizetype(spec.fields.size()));
        for (size_t f = 0; f < spec.fields.size(); ++f) {
            const QVariant v = t.column[f] >= 0 ? values[t.column[f]] : QVariant();
            switch (spec.fields[f].role) {
            case Role::Key:
                if (t.column[f] < 0) {
                    out << ++numbered;
                    continue;
                }
                if (v.isNull()) {
                    ++withoutKey;
                    return;
                }
                out << v.toLongLong();
                break;
            case Role::Parent:
                if (v.isNull() || !parent->keys.contains(v.toLongLong())) {
                    ++orphans;
                    return;
                }
                out << v.toLongLong();
                break;
            case Role::Text:
                out << (v.isNull() ? QVariant() : QVariant(v.toString()));
                break;
            case Role::Date: {
                if (v.isNull()) {
                    out << QVariant();
                    break;
                }
                const double days = v.toDouble();
                if (!std::isfinite(days) || days < kFirstDay || days >= kLastDay + 1)
                    throw DbError(QStringLiteral("The %1 of the Access file's table %2 with the "
                                                 "key %3 holds no date Access knows (%4); "
                                                 "nothing was copied.")
                                      .arg(t.field(f), t.jetName, out.value(0).toString())
                                      .arg(days));
                const double day = std::trunc(days);
                // Before 30 December 1899 the fraction still counts forward from midnight.
                if (std::llround(std::fabs(days - day) * 86400) != 0)
                    ++timesDropped[f];
                out << kDayZero.addDays(qint64(day));
                break;
            }
            }
        }
        t.rows.push_back(std::move(out));
    });
    std::stable_sort(t.rows.begin(), t.rows.end(),
                     [](const QVariantList& a, const QVariantList& b) {
                         return a[0].toLongLong() < b[0].toLongLong();
                     });
    for (size_t i = 0; i < t.rows.size(); ++i) {
        const qint64 key = t.rows[i][0].toLongLong();
        if (i > 0 && t.rows[i - 1][0].toLongLong() == key)
            throw DbError(QStringLiteral("The table %1 of the Access file holds the key %2 twice; "
                                         "nothing was copied.")
                              .arg(t.jetName)
                              .arg(key));
        t.keys.insert(key);
    }
    if (orphans)
        m_remarks << QStringLiteral("Left out of the table %1: %2 whose %3 is empty or names no "
                                    "%4 that was copied.")
                         .arg(t.jetName, counted(orphans, spec.one, spec.many), t.field(1),
                              latin(kTables[spec.parent].one));
    if (withoutKey)
        m_remarks << QStringLiteral("Left out of the table %1: %2 without a %3.")
                         .arg(t.jetName, counted(withoutKey, spec.one, spec.many), t.field(0));
    for (size_t f = 0; f < spec.fields.size(); ++f) {
        if (timesDropped[f])
            m_remarks << QStringLiteral("Copied without their time of day, which Vantor's dates "
                                        "do not keep: %1 in %2.%3.")
                             .arg(counted(timesDropped[f], "date", "dates"), t.jetName, t.field(f));
    }
}

std::unique_ptr<CopySource> OpenJetSource(const QString& path)
{
    return std::make_unique<JetSource>(std::make_unique<JetFileReader>(path));
}
