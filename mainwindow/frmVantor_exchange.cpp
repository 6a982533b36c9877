// The problems out to a web page or a CSV file, and in from a CSV file: the Print menu's
// Export Problems and Import Problems.
#include "mainwindow/frmVantor.h"

#include "core/data/Connection.h"
#include "core/data/RecordSource.h"
#include "dialogs/EditDialog.h"
#include "dialogs/frmExportProblems.h"
#include "dialogs/frmImportProblems.h"
#include "widgets/MsgBox.h"

#include <QComboBox>

void frmVantor::mnuExportProblems_Click()
{
    // What was typed into the boxes goes out with the rest.
    if (!SaveBoundBoxes())
        return;
    const bool shown = titleShown();
    frmExportProblems dlg(this, connection()->path(), shown ? CurrentSoftwareId(dataSoftware) : 0,
                          shown ? cboSoftware->currentText() : QString());
    dlg.Form_Load();
    dlg.exec();
}

void frmVantor::mnuImportProblems_Click()
{
    if (!MsgRequire(titleShown(),
                    QStringLiteral("There is no software title to add the problems to.")))
        return;
    if (!SaveBoundBoxes())
        return;
    frmImportProblems dlg(this, connection(), CurrentSoftwareId(dataSoftware),
                          cboSoftware->currentText(), [this] { ShowAllProblems(); });
    dlg.Form_Load();
    dlg.exec();
}
