#pragma once

#include "core/data/WorkProgress.h"

#include <memory>

class QProgressDialog;
class QWidget;

// Long work done in the window's own thread, shown in a progress dialog with a Cancel button
// over the window that started it. The dialog comes up once the work has lasted a moment; a
// press on Cancel stops the work at its next step (WorkCancelled), which then undoes what it
// did. Nothing else can be clicked meanwhile.
class WorkProgressDialog final : public WorkProgress {
public:
    WorkProgressDialog(QWidget* parent, const QString& caption);
    ~WorkProgressDialog() override;

    void begin(const QString& part, qint64 total) override;
    void advance(qint64 done) override;

    // How long work lasts before the dialog shows; tests make it show at once.
    static void SetShowAfter(int milliseconds);

private:
    std::unique_ptr<QProgressDialog> m_dialog;
    QString m_part;
    qint64 m_total = 0;
};
