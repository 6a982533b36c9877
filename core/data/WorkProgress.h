#pragma once

#include "core/engine/DbError.h"

#include <QString>

// Thrown out of a progress report when the user stopped the work. The work undoes what it did,
// as after any failure; the user is not told of a failure.
class WorkCancelled : public DbError {
public:
    WorkCancelled() : DbError(QStringLiteral("Stopped before the end; nothing was changed.")) {}
};

// What long work tells as it goes: each part of it with its size, then how far that part is.
// A receiver stops the work by throwing WorkCancelled from either call.
class WorkProgress {
public:
    virtual ~WorkProgress() = default;
    virtual void begin(const QString& part, qint64 total) = 0;
    virtual void advance(qint64 done) = 0;
};

// Reports nothing and never stops the work.
class NoProgress final : public WorkProgress {
public:
    void begin(const QString&, qint64) override {}
    void advance(qint64) override {}
};
