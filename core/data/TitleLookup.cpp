#include "core/data/TitleLookup.h"

#include "core/data/Connection.h"
#include "core/engine/Engine.h"

#include <algorithm>
#include <vector>

TitleRef FindTitle(Connection& connection, const QString& title)
{
    Engine& engine = connection.engine();
    const QString table = QStringLiteral("Software");
    const QString field = QStringLiteral("SoftwareTitle");
    const std::vector<qint64> exact = engine.keysWhereEqual(table, field, title);
    if (!exact.empty())
        return {*std::min_element(exact.begin(), exact.end()), title};
    std::vector<QString> titles;
    const std::vector<qint64> keys = engine.scanFields(
        table, QString(), {field}, [&](const QVariant* v) { titles.push_back(v[0].toString()); });
    // Keys ascend: the first match is the title the windows find first.
    const QString wanted = title.toUpper();
    for (size_t i = 0; i < titles.size(); ++i) {
        if (titles[i].toUpper() == wanted)
            return {keys[i], titles[i]};
    }
    return {};
}
