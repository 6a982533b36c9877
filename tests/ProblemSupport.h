#pragma once

// What the problem tests share: a title with problems, the problem dialog worked with two texts,
// and the problems walked with the window's own buttons.
#include "dialogs/EditDialog.h"
#include "tests/TestSupport.h"

#include <QPlainTextEdit>
#include <QStringList>

// What the problem dialog looked like when it opened, for the checks after it closed.
struct ProblemDialogSeen {
    bool opened = false;
    QString caption;
    EditMode mode = EditMode::Add;
};

// Opens the problem dialog with the command, types the two texts and presses OK (or Cancel).
inline ProblemDialogSeen runDialog(QAbstractButton* command, const QString& problem,
                                   const QString& solution, bool ok = true)
{
    EditMode mode = EditMode::Add;
    const DialogSeen seen = WorkDialog(command, [&](QDialog* dialog) {
        mode = qobject_cast<EditDialog*>(dialog)->mode();
        child<QPlainTextEdit>(dialog, "txtProblem")->setPlainText(problem);
        child<QPlainTextEdit>(dialog, "txtSolution")->setPlainText(solution);
        Click(dialog, ok ? "cmdOK" : "cmdCancel");
    });
    return {seen.opened, seen.caption, mode};
}

inline QString shown(const MainWindow& w)
{
    return w.txtProblem->toPlainText();
}

// Walks the whole set with the window's own buttons and lists the problems seen.
inline QStringList walk(MainWindow& w)
{
    QStringList seen;
    w.cmdFirst->click();
    for (int i = 0; i < 50; ++i) {
        seen << shown(w);
        const int before = w.dataProblems->position();
        w.cmdNext->click();
        if (w.dataProblems->position() == before)
            break;
    }
    return seen;
}

// A title "Editor" with the given problems (solutions "fix " + problem) and an empty title
// "Empty"; the window is open on the problems tab with "Editor" selected.
struct ProblemFixture {
    TestEnv env;
    qint64 editor = 0;
    qint64 empty = 0;
    std::unique_ptr<MainWindow> w;
    explicit ProblemFixture(const QStringList& problems, bool select = true)
    {
        editor = env.addTitle("Editor");
        empty = env.addTitle("Empty");
        for (const QString& p : problems)
            env.addProblem(editor, p, QStringLiteral("fix ") + p);
        w = env.openWindow();
        w->tabGeneral->setCurrentIndex(1);
        if (select)
            SelectTitle(*w, "Editor");
    }
    QString problemsOf(qint64 id)
    {
        QStringList problems;
        for (const QVariantList& row :
             env.rows("SELECT Problem FROM Problems WHERE SoftwareID = ? ORDER BY rowid", {id})) {
            if (!row.first().isNull())
                problems << row.first().toString();
        }
        return problems.join('|');
    }
};
