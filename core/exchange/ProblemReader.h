#pragma once

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class Connection;

// A title whose problems go out: its key and its text.
struct TitleRow {
    qint64 id;
    QString title;
};

// The problems of one title or of every title, read from the database as it was at one moment:
// what others save meanwhile is not seen, so an export holds one state of the collection.
class ProblemReader {
public:
    // only: the title to read, or 0 for every title. Throws DbError when the database cannot be
    // opened or holds no title with that key.
    ProblemReader(const QString& database, qint64 only);
    ~ProblemReader();

    // The titles in the order of their keys.
    const std::vector<TitleRow>& titles() const { return m_titles; }
    // Whether every title is read, rather than one.
    bool everyTitle() const { return m_only == 0; }
    // How many problems the titles hold together, or the one title holds.
    qint64 problemCount();
    qint64 problemCount(qint64 softwareId);
    // Each problem of the title in the order of its key; a NULL field is a null value.
    using ProblemSink =
        std::function<void(qint64 id, const QVariant& problem, const QVariant& solution)>;
    void problems(qint64 softwareId, const ProblemSink& sink);

private:
    std::shared_ptr<Connection> m_connection;
    qint64 m_only;
    std::vector<TitleRow> m_titles;
};

// The key of the title with this text, as FindTitle finds it; DbError when there is none.
qint64 TitleKeyByName(Connection& connection, const QString& title);
