#pragma once

#include "widgets/VantorDialog.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

// Adds a problem with its solution to the selected title (EditMode 1), or narrows the title's
// problems to those matching two wildcard patterns (EditMode 2).
class frmAddProblem : public VantorDialog {
    Q_OBJECT
public:
    explicit frmAddProblem(frmVantor* main);

    void Form_Load();

    // "*" becomes the database's "%"; every other character is left as typed.
    static QString ConvertWildcards(const QString& text);

    QLabel* Label1[2];
    QPlainTextEdit *txtProblem, *txtSolution;
    QPushButton *cmdOK, *cmdCancel;

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    bool addProblem();
    bool findProblems();
};
