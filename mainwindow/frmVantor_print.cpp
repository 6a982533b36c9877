// The Print button's menu and its four reports.
#include "mainwindow/frmVantor.h"

#include "reports/AllProblemsReport.h"
#include "reports/CommentsReport.h"
#include "reports/ProblemReport.h"
#include "reports/VersionInfoReport.h"

#include <QCursor>
#include <QMenu>

void frmVantor::cmdPrint_Click()
{
    mnuPrint->popup(QCursor::pos());
}

void frmVantor::mnuPrintVersionInfo_Click()
{
    VersionInfoReport(*this).Run();
}

void frmVantor::mnuPrintCurrentProblemSolution_Click()
{
    ProblemReport(*this).Run();
}

void frmVantor::mnuPrintAllProblemSolution_Click()
{
    AllProblemsReport(*this).Run();
}

void frmVantor::mnuPrintComments_Click()
{
    CommentsReport(*this).Run();
}
