#include "widgets/WorkProgressDialog.h"

#include <QLocale>
#include <QProgressDialog>

namespace {
int& showAfter()
{
    static int milliseconds = 500;
    return milliseconds;
}
} // namespace

WorkProgressDialog::WorkProgressDialog(QWidget* parent, const QString& caption)
    : m_dialog(std::make_unique<QProgressDialog>(parent))
{
    m_dialog->setObjectName(QStringLiteral("frmProgress"));
    m_dialog->setWindowTitle(caption);
    m_dialog->setCancelButtonText(QStringLiteral("Cancel"));
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumDuration(showAfter());
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    m_dialog->setMinimumWidth(360);
}

WorkProgressDialog::~WorkProgressDialog() = default;

void WorkProgressDialog::SetShowAfter(int milliseconds)
{
    showAfter() = milliseconds;
}

void WorkProgressDialog::begin(const QString& part, qint64 total)
{
    m_part = part;
    m_total = total;
    // The bar counts in steps an int holds, whatever the size of the work.
    m_dialog->setRange(0, total > 0 ? 1000 : 0);
    advance(0);
}

void WorkProgressDialog::advance(qint64 done)
{
    const QLocale locale;
    m_dialog->setLabelText(QStringLiteral("%1: %2 of %3")
                               .arg(m_part, locale.toString(done), locale.toString(m_total)));
    // Shows the dialog once the work has lasted long enough, and lets Cancel be pressed.
    m_dialog->setValue(m_total > 0 ? int(qMin<qint64>(1000, done * 1000 / m_total)) : 0);
    if (m_dialog->wasCanceled())
        throw WorkCancelled();
}
