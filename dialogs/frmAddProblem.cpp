#include "dialogs/frmAddProblem.h"

#include "core/data/RecordSource.h"
#include "core/settings/Settings.h"
#include "core/sql/SqlText.h"
#include "mainwindow/frmVantor.h"
#include "widgets/BoundTextBox.h"
#include "widgets/DbCommand.h"
#include "widgets/MsgBox.h"
#include "widgets/TextBox.h"
#include "widgets/WindowHelpers.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {
QFont boxFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(8.25);
    return font;
}

// The boxes of the main window: Enter reaches the box as a line break, Tab leaves it, and a
// pasted run of a million characters does not freeze the dialog.
QPlainTextEdit* makeTextBox(QWidget* parent, const char* name, int left, int top)
{
    auto* box = new TextBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setFont(boxFont());
    SetGeometryTwips(box, left, top, 4485, 3870);
    return box;
}
} // namespace

frmAddProblem::frmAddProblem(frmVantor* main)
    : VantorDialog(main, "frmAddProblem", QStringLiteral("Add Problem/Solution"), 9285, 4875)
{
    Label1[0] = makeLabel("Label1", QStringLiteral("Problem"), 90, 60, 735, 210);
    Label1[1] = makeLabel("Label1", QStringLiteral("Solution"), 4710, 60, 840, 210);
    for (int i = 0; i < 2; ++i) {
        Label1[i]->setProperty("Index", i);
        Label1[i]->setFont(boxFont());
    }
    txtProblem = makeTextBox(this, "txtProblem", 90, 300);
    txtSolution = makeTextBox(this, "txtSolution", 4710, 300);
    cmdOK = makeButton("cmdOK", QStringLiteral("OK"), 6720, 4290);
    cmdCancel = makeButton("cmdCancel", QStringLiteral("Cancel"), 7980, 4290);

    setTabOrder(cmdOK, cmdCancel);
    setTabOrder(cmdCancel, txtProblem);
    setTabOrder(txtProblem, txtSolution);

    connect(cmdOK, &QPushButton::clicked, this, &frmAddProblem::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddProblem::cmdCancel_Click);
}

void frmAddProblem::Form_Load()
{
    CenterForm(this);
    if (EditMode == 2)
        setWindowTitle(QStringLiteral("Find Problem/Solution"));
}

QString frmAddProblem::ConvertWildcards(const QString& text)
{
    return Sql::ConvertWildcards(text);
}

void frmAddProblem::cmdOK_Click()
{
    // The dialog stays open when the database refused the command, so nothing typed is lost.
    const bool done = EditMode == 2 ? findProblems() : addProblem();
    if (done)
        unload(true);
}

void frmAddProblem::cmdCancel_Click()
{
    unload(false);
}

bool frmAddProblem::addProblem()
{
    RecordSource* problems = main()->dataProblems;
    return RunCommand(main()->connection(), [&] {
        const qint64 softwareId = main()->CurrentSoftwareId();
        problems->AddNew();
        try {
            problems->setField(QStringLiteral("SoftwareID"), softwareId);
            problems->setField(QStringLiteral("Problem"), BoundTextBox::TextOf(txtProblem));
            problems->setField(QStringLiteral("Solution"), BoundTextBox::TextOf(txtSolution));
            problems->Update();
        } catch (...) {
            // A failed save must not leave a half-made row that the next move would save.
            problems->Delete();
            throw;
        }
        // Re-read with the text in force: under a search the new problem may not be in it.
        problems->Requery();
        if (!problems->isBOF())
            problems->MoveLast();
    });
}

bool frmAddProblem::findProblems()
{
    RecordSource* problems = main()->dataProblems;
    bool matched = false;
    const bool ok = RunCommand(main()->connection(), [&] {
        problems->setRecordSource(Sql::ProblemSearch(main()->CurrentSoftwareId(),
                                                     BoundTextBox::TextOf(txtProblem),
                                                     BoundTextBox::TextOf(txtSolution)));
        problems->Refresh();
        matched = !problems->isBOF();
        if (matched)
            problems->MoveFirst();
    });
    if (ok && !matched)
        MsgInform(QStringLiteral("No matches were found"));
    return ok;
}
