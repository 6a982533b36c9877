#pragma once

#include "dialogs/EditDialog.h"

class QPlainTextEdit;

// Adds a problem with its solution to the title shown (EditMode::Add), or narrows the title's
// problems to those matching two wildcard patterns (EditMode::Find).
class frmAddProblem : public EditDialog {
    Q_OBJECT
public:
    // target.set holds the title's problems; titles stands on the title shown.
    frmAddProblem(QWidget* parent, const EditTarget& target, const RecordSource* titles);

    // "*" becomes the database's "%"; every other character is left as typed.
    static QString ConvertWildcards(const QString& text);

public slots:
    void cmdOK_Click() override;

private:
    bool addProblem();
    bool findProblems();

    QPlainTextEdit *txtProblem, *txtSolution;
    const RecordSource* m_titles;
};
