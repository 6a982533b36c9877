// The Print button's menu: its four reports, and the problems out to files and back in.
#include "mainwindow/frmVantor.h"

#include "mainwindow/ListPair.h"
#include "reports/AllProblemsReport.h"
#include "reports/CommentsReport.h"
#include "reports/ProblemReport.h"
#include "reports/VersionInfoReport.h"
#include "widgets/BoundTextBox.h"

#include <QAction>
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

// The problems out and back in: a separator and two entries after the reports' entries (the
// handlers are in frmVantor_exchange.cpp).
void frmVantor::buildProblemExchangeEntries()
{
    mnuPrint->addSeparator();
    mnuExportProblems = mnuPrint->addAction(QStringLiteral("Export Problems..."));
    mnuExportProblems->setObjectName(QStringLiteral("mnuExportProblems"));
    mnuImportProblems = mnuPrint->addAction(QStringLiteral("Import Problems..."));
    mnuImportProblems->setObjectName(QStringLiteral("mnuImportProblems"));
    connect(mnuExportProblems, &QAction::triggered, this, &frmVantor::mnuExportProblems_Click);
    connect(mnuImportProblems, &QAction::triggered, this, &frmVantor::mnuImportProblems_Click);
}
