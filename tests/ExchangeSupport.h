#pragma once

#include "core/data/WorkProgress.h"

#include <QStringList>

// A user who presses Cancel once the work has come this far (advances, after its start).
class CancelAfter final : public WorkProgress {
public:
    explicit CancelAfter(int advances) : m_left(advances) {}
    void begin(const QString& part, qint64) override { parts << part; }
    void advance(qint64) override
    {
        if (m_left-- <= 0)
            throw WorkCancelled();
    }
    QStringList parts;

private:
    int m_left;
};
