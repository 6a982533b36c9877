#include "dialogs/frmAddProblem.h"

#include "core/data/RecordSource.h"
#include "core/sql/SqlText.h"
#include "widgets/AccessibleNames.h"
#include "widgets/BoundTextBox.h"
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

frmAddProblem::frmAddProblem(QWidget* parent, const EditTarget& target, const RecordSource* titles)
    : EditDialog(parent, target,
                 {"frmAddProblem", "Add Problem/Solution", "Find Problem/Solution", 9285, 4875}),
      m_titles(titles)
{
    QLabel* labels[] = {makeLabel("Label1", QStringLiteral("Problem"), 90, 60, 735, 210),
                        makeLabel("Label1", QStringLiteral("Solution"), 4710, 60, 840, 210)};
    for (int i = 0; i < 2; ++i) {
        labels[i]->setProperty("Index", i);
        labels[i]->setFont(boxFont());
    }
    txtProblem = makeTextBox(this, "txtProblem", 90, 300);
    txtSolution = makeTextBox(this, "txtSolution", 4710, 300);
    NameByLabel(labels[0], txtProblem);
    NameByLabel(labels[1], txtSolution);
    makeOkCancel(6720, 4290);
    SetTabOrder({cmdCancel, txtProblem, txtSolution});
}

QString frmAddProblem::ConvertWildcards(const QString& text)
{
    return Sql::ConvertWildcards(text);
}

void frmAddProblem::cmdOK_Click()
{
    // The dialog stays open when the database refused the command, so nothing typed is lost.
    const bool done = mode() == EditMode::Find ? findProblems() : addProblem();
    if (done)
        unload(true);
}

bool frmAddProblem::addProblem()
{
    RecordSource* problems = set();
    return run([&] {
        const qint64 softwareId = CurrentSoftwareId(m_titles);
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
    RecordSource* problems = set();
    bool matched = false;
    const bool ok = run([&] {
        problems->setRecordSource(Sql::ProblemSearch(CurrentSoftwareId(m_titles),
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
