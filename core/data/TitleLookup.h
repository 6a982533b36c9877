#pragma once

#include <QString>

class Connection;

// A title named on the command line or in a file, found as the windows would show it: the
// title of exactly that text (the first entered when several have it), else one that differs
// only in letter case (titles are unique in that sense). key is -1 when there is none.
struct TitleRef {
    qint64 key = -1;
    QString title;
    bool found() const { return key >= 0; }
};
TitleRef FindTitle(Connection& connection, const QString& title);
