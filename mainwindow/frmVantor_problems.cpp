// The problems of the selected title: walking them, searching them, adding and deleting one.
#include "mainwindow/frmVantor.h"

#include "core/data/RecordSource.h"
#include "core/settings/Settings.h"
#include "core/sql/SqlText.h"
#include "dialogs/frmAddProblem.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"

#include <QComboBox>

namespace {
// A title is shown and its row is the current row of the titles source. After a title was
// deleted the titles source stands on no row, and a key read from it would belong to nobody.
bool titleShown(const frmVantor& w)
{
    return !w.cboSoftware->currentText().isEmpty() && w.dataSoftware->hasCurrentRow();
}

// A move on an empty set (no problems, or a search without matches) does nothing.
void moveProblems(frmVantor& w, void (*move)(RecordSource*))
{
    if (w.dataProblems->RecordCount() == 0)
        return;
    RunCommand(w.connection(), [&] { move(w.dataProblems); });
}
} // namespace

void frmVantor::cmdFirst_Click()
{
    moveProblems(*this, [](RecordSource* s) { s->MoveFirst(); });
}

void frmVantor::cmdPrevious_Click()
{
    moveProblems(*this, [](RecordSource* s) {
        s->MovePrevious();
        if (s->isBOF())
            s->MoveFirst();
    });
}

void frmVantor::cmdNext_Click()
{
    moveProblems(*this, [](RecordSource* s) {
        s->MoveNext();
        if (s->isEOF())
            s->MoveLast();
    });
}

void frmVantor::cmdLast_Click()
{
    moveProblems(*this, [](RecordSource* s) { s->MoveLast(); });
}

void frmVantor::cmdFind_Click()
{
    const QString noProblems =
        QStringLiteral("There are no problems/solutions on which to perform a search.");
    if (!titleShown(*this)) {
        MsgInform(noProblems);
        return;
    }
    bool empty = true;
    const bool ok = RunCommand(connection(), [&] {
        // A search always starts from all problems of the title.
        dataProblems->setRecordSource(Sql::ProblemsOf(CurrentSoftwareId()));
        dataProblems->Refresh();
        empty = dataProblems->isBOF();
        if (!empty)
            dataProblems->MoveFirst();
    });
    if (!ok)
        return;
    if (empty) {
        MsgInform(noProblems);
        return;
    }
    EditMode = 2;
    frmAddProblem dlg(this);
    dlg.Form_Load();
    dlg.exec();
}

void frmVantor::cmdClear_Click()
{
    if (!titleShown(*this))
        return;
    RunCommand(connection(), [&] {
        dataProblems->setRecordSource(Sql::ProblemsOf(CurrentSoftwareId()));
        dataProblems->Refresh();
        if (!dataProblems->isBOF())
            dataProblems->MoveFirst();
    });
}

void frmVantor::cmdAddProblem_Click()
{
    // Without a title the new problem would belong to no title anyone can see.
    if (!titleShown(*this)) {
        MsgInform(QStringLiteral("There is no software title to add a problem/solution to."));
        return;
    }
    EditMode = 1;
    frmAddProblem dlg(this);
    dlg.Form_Load();
    dlg.exec();
}

void frmVantor::cmdDeleteProblem_Click()
{
    if (!dataProblems->hasCurrentRow()) {
        MsgInform(QStringLiteral("There is no record to delete."));
        return;
    }
    if (!MsgConfirm(QStringLiteral("Are you sure you want to delete this problem/solution?")))
        return;
    RunCommand(connection(), [&] {
        dataProblems->Delete();
        dataProblems->Refresh();
        // Shows the title again with all its problems, which also ends a search in force.
        cboSoftware_Click();
    });
}
