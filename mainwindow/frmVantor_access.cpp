// How the window is worked from the keyboard alone and what a screen reader reads of it.
#include "mainwindow/frmVantor.h"

#include "widgets/AccessibleNames.h"
#include "widgets/BoundTextBox.h"

#include <QLabel>
#include <QListWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

void frmVantor::describeControls()
{
    ReadAsWindow(this);
    // The tab bar is the control; the tab widget around it only hands the focus on to it, and
    // its policy goes to the tab bar as well.
    tabGeneral->setFocusPolicy(Qt::NoFocus);
    tabGeneral->tabBar()->setFocusPolicy(Qt::TabFocus);
    // The focus starts on the tabs, first in the window's tab order.
    tabGeneral->tabBar()->setFocus();

    // The title list is read by the frame around it, "Software"; its own name is the title
    // chosen.
    const std::pair<QLabel*, QWidget*> labelled[] = {
        {Label1[2], lstVersionDate}, {Label1[4], lstFiles},    {Label1[3], lstChanges},
        {Label1[0], txtProblem},     {Label1[1], txtSolution}, {Label1[5], txtComments},
    };
    for (const auto& [label, control] : labelled)
        NameByLabel(label, control);
    for (QListWidget* keys : {lstVersionID, lstFileID, lstChangeID})
        HideFromScreenReader(keys);

    const struct {
        QToolButton* button;
        const char* target;
        const char* description;
    } commands[] = {
        {cmdAddSoftware, "software", nullptr},
        {cmdEditSoftware, "software", nullptr},
        {cmdDeleteSoftware, "software", nullptr},
        {cmdAddVersion, "version", nullptr},
        {cmdEditVersion, "version", nullptr},
        {cmdDeleteVersion, "version", nullptr},
        {cmdAddFile, "needed file", nullptr},
        {cmdEditFile, "needed file", nullptr},
        {cmdDeleteFile, "needed file", nullptr},
        {cmdAddChange, "change", nullptr},
        {cmdEditChange, "change", nullptr},
        {cmdDeleteChange, "change", nullptr},
        {cmdAddProblem, "problem", nullptr},
        {cmdDeleteProblem, "problem", nullptr},
        {cmdFind, "problems", "Shows only the problems whose texts match; * stands for any text"},
        {cmdClear, "search", "Shows all problems of the title again"},
        {cmdFirst, "problem", nullptr},
        {cmdPrevious, "problem", nullptr},
        {cmdNext, "problem", nullptr},
        {cmdLast, "problem", nullptr},
    };
    for (const auto& c : commands)
        NameByTarget(c.button, QLatin1String(c.target), QLatin1String(c.description));
    NameControl(cmdPrint, QStringLiteral("Print"),
                QStringLiteral("Opens the menu of the reports to print"));
    NameControl(cmdPreferences, QStringLiteral("Options"),
                QStringLiteral("Chooses the database that Vantor opens from the next start"));
}
