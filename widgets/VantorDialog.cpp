#include "widgets/VantorDialog.h"

#include "core/data/DbError.h"
#include "core/data/RecordSource.h"
#include "core/settings/Settings.h"
#include "mainwindow/frmVantor.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"
#include "widgets/WindowHelpers.h"

#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

VantorDialog::VantorDialog(frmVantor* main, const char* name, const QString& caption,
                           int clientWidth, int clientHeight)
    : QDialog(main, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                        Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_main(main)
{
    setObjectName(QLatin1String(name));
    setWindowTitle(caption);
    setModal(true);
    setFixedSize(twips(clientWidth), twips(clientHeight));
    // The layouts were drawn for a face narrower than a desktop's default sans, which cuts the
    // captions and dates short. Arial Narrow (Liberation Sans Narrow, its metric twin, on
    // Debian) shows each of them whole at its given size.
    QFont font(QStringLiteral("Arial Narrow"));
    font.setPointSize(8);
    setFont(font);
}

void VantorDialog::keyPressEvent(QKeyEvent* event)
{
    // Neither OK nor Cancel is the default or cancel button.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

QPushButton* VantorDialog::makeButton(const char* name, const QString& caption, int left, int top,
                                      int width, int height)
{
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    b->setDefault(false);
    PressOnEnter(b);
    SetGeometryTwips(b, left, top, width, height);
    return b;
}

QLineEdit* VantorDialog::makeLineEdit(const char* name, int left, int top, int width, int height)
{
    auto* e = new QLineEdit(this);
    e->setObjectName(QLatin1String(name));
    e->setMaxLength(std::numeric_limits<int>::max());
    SetGeometryTwips(e, left, top, width, height);
    return e;
}

QLabel* VantorDialog::makeLabel(const char* name, const QString& caption, int left, int top,
                                int width, int height)
{
    auto* l = new QLabel(caption, this);
    l->setObjectName(QLatin1String(name));
    SetGeometryTwips(l, left, top, width, height);
    return l;
}

QDateEdit* VantorDialog::makeDatePicker(const char* name, int left, int top, int width, int height)
{
    auto* d = new QDateEdit(this);
    d->setObjectName(QLatin1String(name));
    d->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    d->setCalendarPopup(true);
    d->setDateRange(QDate(1601, 1, 1), QDate(9999, 12, 31));
    d->setDate(QDate(1999, 8, 16));
    SetGeometryTwips(d, left, top, width, height);
    return d;
}

void VantorDialog::unload(bool accepted)
{
    UnloadDialog(this, accepted);
}

bool VantorDialog::loadDetailRow(RecordSource* set, const QString& criterion,
                                 const QString& missingText, const std::function<void()>& show)
{
    return RunCommand(m_main->connection(), [&] {
        set->MoveFirst();
        if (!set->Find(criterion))
            throw DbError(missingText);
        show();
    });
}

bool VantorDialog::filledIn(std::initializer_list<QString> texts)
{
    for (const QString& t : texts) {
        if (t.isEmpty()) {
            MsgInform(QStringLiteral("You have not filled in all the necessary fields."));
            return false;
        }
    }
    return true;
}

bool VantorDialog::saveDetailRow(const DetailRow& row)
{
    RecordSource* set = row.set;
    const QString releaseId = frmVantor::SelectedKey(m_main->lstVersionDate, m_main->lstVersionID);
    if (EditMode == 1 && releaseId.isEmpty()) {
        MsgInform(kNoVersionSelected);
        return false;
    }
    bool listed = false;
    const bool ok = RunCommand(m_main->connection(), [&] {
        if (EditMode == 1) {
            set->AddNew();
            set->setField(QStringLiteral("ReleaseID"), releaseId.toLongLong());
        } else if (!set->hasCurrentRow() || set->Field(row.keyField).toString() != row.key) {
            set->MoveFirst();
            if (!set->Find(row.findCriterion))
                throw DbError(row.missingText);
        }
        row.setFields();
        set->Update();
        set->Requery();
        row.relist();
        listed = true;
        if (row.list->count() > 0)
            row.list->setCurrentRow(0);
    });
    if (!ok) {
        // Nothing of this attempt may be saved later by a move of the set.
        set->CancelUpdate();
        // A save that failed at the very end leaves lines in the list that are not stored.
        if (listed)
            RunCommand(m_main->connection(), row.relist);
    }
    return ok;
}
