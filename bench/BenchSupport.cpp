#include "bench/BenchSupport.h"

#include "core/data/Connection.h"
#include "core/engine/DbError.h"
#include "core/settings/Settings.h"
#include "mainwindow/frmVantor.h"
#include "widgets/MsgBox.h"

#include <QDialog>
#include <QPlainTextEdit>

Engine::Rows BenchQuery(const QString& sql, const QVariantList& values)
{
    try {
        return Connection::shared(DatabasePath)->query(sql, values);
    } catch (const DbError& e) {
        std::fprintf(stderr, "benchmark: %s: %s\n", qPrintable(sql), qPrintable(e.text()));
        std::abort();
    }
}

std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

std::unique_ptr<MainWindow> OpenWindow()
{
    // A search that finds nothing says so; no one is there to press OK.
    SetMsgBoxHook([](const MsgBoxCall&) { return MsgResult::OK; });
    auto form = std::make_unique<frmVantor>();
    form->Form_Load();
    form->show();
    return std::make_unique<MainWindow>(std::move(form));
}

MainWindow& Window()
{
    if (!g_window)
        g_window = OpenWindow();
    return *g_window;
}

bool SelectTitle(MainWindow& w, const char* title)
{
    const int index = w.cboSoftware->findText(QString::fromUtf8(title),
                                              Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        return false;
    if (w.cboSoftware->currentIndex() == index)
        w.form->cboSoftware_Click();
    else
        w.cboSoftware->setCurrentIndex(index);
    return w.cboSoftware->currentText() == QString::fromUtf8(title);
}

bool ChooseTitle(benchmark::State& state, MainWindow& w, const char* title)
{
    if (SelectTitle(w, title))
        return true;
    state.SkipWithError((std::string("title missing: ") + title).c_str());
    return false;
}

bool AnswerProblemDialog(QToolButton* command, const QString& problem, const QString& solution)
{
    return bool(WorkDialog(command, [&](QDialog* dialog) {
        child<QPlainTextEdit>(dialog, "txtProblem")->setPlainText(problem);
        child<QPlainTextEdit>(dialog, "txtSolution")->setPlainText(solution);
        Click(dialog, "cmdOK");
    }));
}
