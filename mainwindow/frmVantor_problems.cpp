// The problems of the selected title: walking them, searching them, adding and deleting one.
#include "mainwindow/frmVantor.h"

#include "core/data/RecordSource.h"
#include "core/sql/SqlText.h"
#include "dialogs/EditDialog.h"
#include "dialogs/frmAddProblem.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"

#include <QComboBox>

// After a title was deleted the titles' record source stands on no row, and a key read from it
// would belong to nobody.
bool frmVantor::titleShown() const
{
    return !cboSoftware->currentText().isEmpty() && dataSoftware->hasCurrentRow();
}

void frmVantor::ShowAllProblems()
{
    dataProblems->setRecordSource(Sql::ProblemsOf(CurrentSoftwareId(dataSoftware)));
    dataProblems->Refresh();
    if (!dataProblems->isBOF())
        dataProblems->MoveFirst();
}

void frmVantor::moveProblems(void (*move)(RecordSource*))
{
    if (dataProblems->isEmpty())
        return;
    RunCommand(connection(), [&] { move(dataProblems); });
}

void frmVantor::cmdFirst_Click()
{
    moveProblems([](RecordSource* s) { s->MoveFirst(); });
}

void frmVantor::cmdPrevious_Click()
{
    moveProblems([](RecordSource* s) {
        s->MovePrevious();
        if (s->isBOF())
            s->MoveFirst();
    });
}

void frmVantor::cmdNext_Click()
{
    moveProblems([](RecordSource* s) {
        s->MoveNext();
        if (s->isEOF())
            s->MoveLast();
    });
}

void frmVantor::cmdLast_Click()
{
    moveProblems([](RecordSource* s) { s->MoveLast(); });
}

void frmVantor::openProblemDialog(EditMode mode)
{
    frmAddProblem dlg(this, {dataProblems, connection(), mode}, dataSoftware);
    if (dlg.Form_Load())
        dlg.exec();
}

void frmVantor::cmdFind_Click()
{
    const QString noProblems =
        QStringLiteral("There are no problems/solutions on which to perform a search.");
    if (!MsgRequire(titleShown(), noProblems))
        return;
    // A search always starts from all problems of the title.
    if (!RunCommand(connection(), [this] { ShowAllProblems(); }))
        return;
    if (MsgRequire(!dataProblems->isBOF(), noProblems))
        openProblemDialog(EditMode::Find);
}

void frmVantor::cmdClear_Click()
{
    if (!titleShown())
        return;
    RunCommand(connection(), [this] { ShowAllProblems(); });
}

void frmVantor::cmdAddProblem_Click()
{
    // Without a title the new problem would belong to no title anyone can see.
    if (MsgRequire(titleShown(),
                   QStringLiteral("There is no software title to add a problem/solution to.")))
        openProblemDialog(EditMode::Add);
}

void frmVantor::cmdDeleteProblem_Click()
{
    if (!MsgRequire(dataProblems->hasCurrentRow(), QStringLiteral("There is no record to delete.")))
        return;
    if (!MsgConfirm(QStringLiteral("Are you sure you want to delete this problem/solution?")))
        return;
    RunCommand(connection(), [&] {
        dataProblems->Delete();
        dataProblems->Refresh();
        // Shows the title again with all its problems, which also ends a search in force.
        cboSoftware_Click();
    });
}
