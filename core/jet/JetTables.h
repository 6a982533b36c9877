#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

// The kinds of Access columns that Vantor's fields can come from; every other kind is Other.
enum class JetKind { Integer, Text, Memo, DateTime, Other };

struct JetColumn {
    QString name; // as the file spells it
    JetKind kind;
    QString typeName; // Access's name for the kind ("Long Integer", "Currency"), for messages
};

// The tables of an Access file as it holds them: what the file reader fills, and what a copy
// into Vantor maps onto Vantor's tables. Every failure throws DbError.
class JetTables {
public:
    // One row: values[c] for column c of columns(). Null is a null QVariant, apart from an empty
    // text; an Integer comes as qint64, a Text or Memo as QString, whole however long, and a
    // DateTime as its stored double, days since 30 December 1899 with the time of day as the
    // fraction (a negative day counts its fraction forward). Other kinds come as Null.
    using RowSink = std::function<void(const QVariant* values)>;

    virtual ~JetTables() = default;
    // The file as messages name it.
    virtual QString shownName() const = 0;
    // The tables of the file's user, without the system's own.
    virtual QStringList tables() = 0;
    virtual QList<JetColumn> columns(const QString& table) = 0;
    // Every row of table, in the order the file holds them.
    virtual void rows(const QString& table, const RowSink& row) = 0;
};
