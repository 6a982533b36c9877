// The Print button's menu and its four reports.
#include "mainwindow/frmVantor.h"

#include "mainwindow/ListPair.h"
#include "reports/AllProblemsReport.h"
#include "reports/CommentsReport.h"
#include "reports/ProblemReport.h"
#include "reports/VersionInfoReport.h"
#include "widgets/BoundTextBox.h"

#include <QComboBox>
#include <QCursor>
#include <QListWidget>
#include <QMenu>

namespace {
QStringList linesOf(const QListWidget* list)
{
    QStringList lines;
    lines.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}
} // namespace

ReportContext frmVantor::reportContext()
{
    ReportContext context;
    context.parent = this;
    context.title = cboSoftware->currentText();
    if (SelectedIndex(lstVersionDate) >= 0)
        context.versionLine = SelectedText(lstVersionDate);
    context.files = linesOf(lstFiles);
    context.changes = linesOf(lstChanges);
    context.problems = dataProblems;
    context.connection = connection();
    context.problem = txtProblem;
    context.solution = txtSolution;
    context.comments = txtComments;
    return context;
}

void frmVantor::cmdPrint_Click()
{
    mnuPrint->popup(QCursor::pos());
}

void frmVantor::mnuPrintVersionInfo_Click()
{
    VersionInfoReport(reportContext()).Run();
}

void frmVantor::mnuPrintCurrentProblemSolution_Click()
{
    ProblemReport(reportContext()).Run();
}

void frmVantor::mnuPrintAllProblemSolution_Click()
{
    AllProblemsReport(reportContext()).Run();
}

void frmVantor::mnuPrintComments_Click()
{
    CommentsReport(reportContext()).Run();
}
