#include "ui/dialogs/frmAddChanges.h"

#include "app/DbCommand.h"
#include "app/MsgBox.h"
#include "app/Settings.h"
#include "app/WindowHelpers.h"
#include "data/DbError.h"
#include "data/RecordSource.h"
#include "data/SqlText.h"
#include "ui/main/frmVantor.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

frmAddChanges::frmAddChanges(frmVantor* main)
    : VantorDialog(main, "frmAddChanges", QStringLiteral("Add Change/Reason"), 6450, 1185)
{
    Label1 = makeLabel("Label1", QStringLiteral("Change / Reason"), 180, 180, 1275, 195);
    txtChange = makeLineEdit("txtChange", 1560, 120, 4695);
    cmdOK = makeButton("cmdOK", QStringLiteral("OK"), 3780, 600);
    cmdCancel = makeButton("cmdCancel", QStringLiteral("Cancel"), 5040, 600);
    setTabOrder(txtChange, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    connect(cmdOK, &QPushButton::clicked, this, &frmAddChanges::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddChanges::cmdCancel_Click);
}

bool frmAddChanges::Form_Load()
{
    CenterForm(this);
    if (EditMode != 2)
        return true;
    setWindowTitle(QStringLiteral("Edit Change/Reason"));
    RecordSource* changes = main()->dataChanges;
    m_changeId = frmVantor::SelectedKey(main()->lstChanges, main()->lstChangeID);
    return RunCommand(main()->connection(), [&] {
        changes->MoveFirst();
        if (!changes->Find(Sql::ChangeCriterion(m_changeId, true)))
            throw DbError(QStringLiteral("The change/reason is no longer in the database."));
        txtChange->setText(changes->Field(QStringLiteral("Change")).toString());
    });
}

void frmAddChanges::cmdOK_Click()
{
    if (txtChange->text().isEmpty()) {
        MsgInform(QStringLiteral("You have not filled in all the necessary fields."));
        return;
    }
    frmVantor* w = main();
    RecordSource* changes = w->dataChanges;
    QString releaseId;
    if (EditMode == 1) {
        releaseId = frmVantor::SelectedKey(w->lstVersionDate, w->lstVersionID);
        if (releaseId.isEmpty()) {
            MsgInform(QStringLiteral("You have not selected a version."));
            return;
        }
    }
    bool listed = false;
    const bool ok = RunCommand(w->connection(), [&] {
        if (EditMode == 1) {
            changes->AddNew();
            changes->setField(QStringLiteral("ReleaseID"), releaseId.toLongLong());
        } else if (!changes->hasCurrentRow() ||
                   changes->Field(QStringLiteral("ChangeID")).toString() != m_changeId) {
            // The change loaded for editing is no longer the current row (a failed OK
            // re-reads the set); find it again rather than write over another one.
            changes->MoveFirst();
            if (!changes->Find(Sql::ChangeCriterion(m_changeId, true)))
                throw DbError(QStringLiteral("The change/reason is no longer in the database."));
        }
        changes->setField(QStringLiteral("Change"), txtChange->text());
        changes->Update();
        changes->Requery();
        w->FillChangeList();
        listed = true;
        if (w->lstChanges->count() > 0)
            w->lstChanges->setCurrentRow(0);
    });
    if (!ok) {
        // Nothing of this attempt may be saved later by a move of the set.
        changes->CancelUpdate();
        // A save that failed at the very end leaves lines in the list that are not stored.
        if (listed)
            RunCommand(w->connection(), [&] { w->FillChangeList(); });
        return;
    }
    unload(true);
}

void frmAddChanges::cmdCancel_Click()
{
    unload(false);
}
