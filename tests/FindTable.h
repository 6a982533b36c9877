#pragma once

#include "tests/CoreSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QtTest>

// The table of problems and searches that the window's Find and the exported page's search
// answer alike (tests/data/find_table.json).
struct FindTable {
    struct Search {
        QString problem, solution;
        QStringList finds; // keys of the table's problems, in the table's order
    };
    QJsonArray problems;
    QList<Search> searches;

    static FindTable load()
    {
        QFile f(QStringLiteral(VANTOR_TEST_DATA "/find_table.json"));
        if (!f.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(f.fileName()));
        const QJsonObject doc = QJsonDocument::fromJson(f.readAll()).object();
        FindTable t;
        t.problems = doc.value("problems").toArray();
        for (const QJsonValue& v : doc.value("searches").toArray()) {
            const QJsonObject s = v.toObject();
            Search search{s.value("problem").toString(), s.value("solution").toString(), {}};
            for (const QJsonValue& k : s.value("finds").toArray())
                search.finds << k.toString();
            t.searches << search;
        }
        return t;
    }

    // Adds the table's problems to a new title; the table's keys with the keys the database
    // gave them.
    QMap<QString, qint64> fill(CoreEnv& env, qint64 title) const
    {
        QMap<QString, qint64> keys;
        for (const QJsonValue& v : problems) {
            const QJsonObject p = v.toObject();
            const QVariant problem =
                p.value("problem").isNull() ? QVariant() : QVariant(p.value("problem").toString());
            keys.insert(p.value("key").toString(),
                        env.addProblem(title, problem, p.value("solution").toString()));
        }
        return keys;
    }
};
