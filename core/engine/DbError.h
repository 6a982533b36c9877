#pragma once

#include <QString>

#include <stdexcept>

// A failure reported by the database; what() and text() carry the database's own words.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString& text() const { return m_text; }

private:
    QString m_text;
};

// A save or delete refused because someone else changed or deleted the row since this program
// read it: nothing of theirs is overwritten. Both engines say it in the same words.
class RowConflict : public DbError {
public:
    enum What { Changed, Deleted };
    RowConflict(What what, bool deleting) : DbError(words(what, deleting)), m_what(what) {}
    bool deleted() const { return m_what == Deleted; }

private:
    static QString words(What what, bool deleting)
    {
        if (what == Changed && !deleting)
            return QStringLiteral("Someone else changed this record since Vantor read it; your "
                                  "change was not saved. What you typed stays in the box: save "
                                  "again to put it in place of their version.");
        if (what == Changed)
            return QStringLiteral("Someone else changed this record since Vantor read it; it was "
                                  "not deleted. Vantor has read it again: delete it again if it "
                                  "should still go.");
        if (!deleting)
            return QStringLiteral("Someone else deleted this record since Vantor read it; your "
                                  "change was not saved. What you typed stays in the box for you "
                                  "to copy until you move on.");
        return QStringLiteral("Someone else deleted this record since Vantor read it; there was "
                              "nothing left to delete.");
    }
    What m_what;
};
