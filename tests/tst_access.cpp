// The windows worked from the keyboard alone, and what a screen reader reads of them.
#include "reports/Report.h"
#include "tests/ReportSupport.h"
#include "tests/TestSupport.h"
#include "widgets/TextBox.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QHash>
#include <QPlainTextEdit>
#include <QSet>
#include <QTabBar>
#include <QtTest>

namespace {
// The main window's controls in their tab order, each with the page it stands on; the title
// frame's controls (page -1) are on every page.
struct Stop {
    const char* name;
    int page;
};
const Stop kWindowOrder[] = {
    {"tabGeneral", -1},     {"lstFiles", 0},           {"cmdAddFile", 0},
    {"cmdDeleteFile", 0},   {"cmdEditFile", 0},        {"lstChanges", 0},
    {"cmdAddChange", 0},    {"cmdDeleteChange", 0},    {"cmdEditChange", 0},
    {"lstVersionDate", 0},  {"cmdAddVersion", 0},      {"cmdDeleteVersion", 0},
    {"cmdEditVersion", 0},  {"txtSolution", 1},        {"txtProblem", 1},
    {"cmdFind", 1},         {"cmdAddProblem", 1},      {"cmdDeleteProblem", 1},
    {"cmdPrevious", 1},     {"cmdFirst", 1},           {"cmdNext", 1},
    {"cmdLast", 1},         {"txtComments", 2},        {"cboSoftware", -1},
    {"cmdAddSoftware", -1}, {"cmdDeleteSoftware", -1}, {"cmdEditSoftware", -1},
    {"cmdPrint", -1},       {"cmdPreferences", -1},    {"cmdClear", 1},
};

// Every dialog of the program's own that the main window opens, with its tab order from the
// control that has the focus when it opens. A dialog that some command opens and that has no
// row here fails the test.
const struct {
    const char* dialog;
    QStringList order;
} kDialogs[] = {
    {"frmAddSoftware", {"txtSoftware", "cmdOK", "cmdCancel"}},
    {"frmAddVersion", {"txtVersion", "dtpReleaseDate", "cmdOK", "cmdCancel"}},
    {"frmAddChanges", {"txtChange", "cmdOK", "cmdCancel"}},
    {"frmAddFile", {"txtFile", "txtVersion", "dtpDate", "cmdOK", "cmdCancel"}},
    {"frmAddProblem", {"txtProblem", "txtSolution", "cmdOK", "cmdCancel"}},
    {"frmPreferences", {"cmdCancel", "cmdOK", "txtDatabase", "cmdBrowse"}},
    {"frmExportNotes", {"optTitle", "cboFormat", "txtFile", "cmdBrowse", "cmdOK", "cmdCancel"}},
    {"frmImportChangelog", {"cboTitle", "txtFile", "cmdBrowse", "cmdOK", "cmdCancel"}},
    {"frmExportProblems",
     {"cboFormat", "optThisTitle", "txtFile", "cmdBrowse", "cmdOK", "cmdCancel"}},
    {"frmImportProblems", {"txtFile", "cmdBrowse", "cmdOK", "cmdCancel"}},
};

// A control as the tests name it: the parts Qt makes inside a control (the tab bar of the tab
// control, the edit of a date picker or of a combo box that takes typing) by the control's name.
QString nameOf(const QWidget* w)
{
    while (w && (w->objectName().startsWith(QLatin1String("qt_")) ||
                 qobject_cast<const QComboBox*>(w->parentWidget())))
        w = w->parentWidget();
    return w ? w->objectName() : QStringLiteral("(none)");
}

// The controls the key visits from the focused one, until the focus comes back to it. A date
// picker takes the key for its next part (month, day, year) before the focus leaves it; a
// control that keeps the focus any longer, or a focus that leaves the window, ends the walk.
QStringList Walk(const QWidget* window, Qt::Key key)
{
    QWidget* start = QApplication::focusWidget();
    QStringList seen{nameOf(start)};
    QWidget* at = start;
    int kept = 0;
    for (int step = 0; step < 100; ++step) {
        QTest::keyClick(at, key);
        QWidget* next = QApplication::focusWidget();
        if (next == start)
            return seen;
        if (next == at && ++kept < 3)
            continue;
        if (!next || next == at || next->window() != window) {
            seen << QStringLiteral("(stuck)");
            return seen;
        }
        seen << nameOf(next);
        at = next;
        kept = 0;
    }
    return seen;
}

QStringList Reversed(QStringList cycle)
{
    std::reverse(cycle.begin() + 1, cycle.end());
    return cycle;
}

void Activate(QWidget* window)
{
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

// The texts of the window's multi-line boxes, to see that walking through them typed nothing.
QStringList BoxTexts(const QWidget* window)
{
    QStringList texts;
    for (const QPlainTextEdit* box : window->findChildren<QPlainTextEdit*>())
        texts << box->toPlainText();
    return texts;
}

// The name a screen reader reads: a combo box's own name is the text chosen in it, so it is
// read by its label.
QString Spoken(QAccessibleInterface* node)
{
    if (node->role() != QAccessible::ComboBox)
        return node->text(QAccessible::Name).trimmed();
    const auto labels = node->relations(QAccessible::Label);
    return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name).trimmed();
}

// Walks the accessible tree below a window as a screen reader does, and lists each control
// that takes the focus without a name, or with the name of another control of the window.
// The parts of a control that are no widgets (a list's lines, the tabs) are read through it.
QStringList NameFaults(QWidget* window, QSet<QObject*>* reached = nullptr)
{
    QStringList faults;
    QHash<QString, QString> owners;
    std::function<void(QAccessibleInterface*)> visit = [&](QAccessibleInterface* node) {
        QObject* object = node->object();
        if (reached)
            reached->insert(object);
        auto* w = qobject_cast<QWidget*>(object);
        // A combo box's drop-down is a window of its own, named by the combo box.
        if (w && w->window() != window)
            return;
        if (w && node->state().focusable) {
            const QString name = Spoken(node);
            if (name.isEmpty())
                faults << nameOf(w) + QStringLiteral(" has no name");
            else if (owners.contains(name) && owners[name] != nameOf(w))
                faults << QStringLiteral("%1 and %2 are both \"%3\"")
                              .arg(owners[name], nameOf(w), name);
            owners.insert(name, nameOf(w));
        }
        if (!w)
            return;
        for (int i = 0; i < node->childCount(); ++i)
            visit(node->child(i));
    };
    visit(QAccessible::queryAccessibleInterface(window));
    return faults;
}

// A title with a row of every kind, so that every command of the window has something to work
// on.
struct Everything : TitleFixture {
    Everything() : TitleFixture(QStringLiteral("Alpha"))
    {
        const qint64 release = addVersion(QStringLiteral("1.0"), QDate(2000, 1, 1));
        env.addChange(release, QStringLiteral("a change"));
        env.addFile(release, QStringLiteral("setup.exe"), QStringLiteral("1.0"), QDate(2000, 1, 1));
        env.addProblem(title, QStringLiteral("a problem"), QStringLiteral("its solution"));
    }
};
} // namespace

class TestAccess : public QObject {
    Q_OBJECT
private slots:
    void tabGoesRoundTheWindowInOrder_data()
    {
        QTest::addColumn<bool>("titled");
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("disabled");
        const QStringList versionCommands{"cmdAddFile",    "cmdDeleteFile",    "cmdEditFile",
                                          "cmdAddChange",  "cmdDeleteChange",  "cmdEditChange",
                                          "cmdAddVersion", "cmdDeleteVersion", "cmdEditVersion"};
        QTest::newRow("cold start") << false << 0 << versionCommands;
        QTest::newRow("problems without a title")
            << false << 1
            << QStringList{"cmdFind", "cmdPrevious", "cmdFirst", "cmdNext", "cmdLast"};
        QTest::newRow("comments without a title") << false << 2 << QStringList();
        QTest::newRow("versions of a title") << true << 0 << QStringList();
        QTest::newRow("problems of a title") << true << 1 << QStringList();
        QTest::newRow("comments of a title") << true << 2 << QStringList();
    }

    // Tab visits the tabs, the controls of the page shown, then the title frame, and comes
    // back to the tabs; Shift+Tab the same backwards. Hidden pages and disabled commands are
    // left out, and the boxes on the way keep their texts.
    void tabGoesRoundTheWindowInOrder()
    {
        QFETCH(bool, titled);
        QFETCH(int, page);
        QFETCH(QStringList, disabled);
        Everything f;
        auto w = f.env.openWindow(titled ? f.name : QString());
        Activate(w->form.get());
        QCOMPARE(nameOf(QApplication::focusWidget()), QStringLiteral("tabGeneral"));
        w->tabGeneral->setCurrentIndex(page);
        QStringList expected;
        for (const Stop& s : kWindowOrder) {
            if ((s.page == -1 || s.page == page) && !disabled.contains(QLatin1String(s.name)))
                expected << QLatin1String(s.name);
        }
        const QStringList texts = BoxTexts(w->form.get());
        QCOMPARE(Walk(w->form.get(), Qt::Key_Tab), expected);
        QCOMPARE(Walk(w->form.get(), Qt::Key_Backtab), Reversed(expected));
        QCOMPARE(BoxTexts(w->form.get()), texts);
    }

    // Every command of the window is worked once; each dialog that opens goes round its own tab
    // order, and a screen reader finds a name for each of its controls, none twice.
    void everyDialogIsWorkedByKeyboardAndNamed()
    {
        Everything f;
        auto w = f.open();
        PrintRecorder printing;
        printing.cancel = true;
        QHash<QString, int> opened;
        QStringList faults;
        auto work = [&](const std::function<void()>& command) {
            WorkDialog(command, [&](QDialog* dialog) {
                // Qt's own dialogs (a file or print dialog) name their controls themselves.
                if (QLatin1String(dialog->metaObject()->className()).startsWith(QLatin1Char('Q')))
                    return;
                const QString name = dialog->objectName();
                ++opened[name];
                const auto row = std::find_if(std::begin(kDialogs), std::end(kDialogs),
                                              [&](const auto& d) { return name == d.dialog; });
                if (row == std::end(kDialogs)) {
                    faults << name + QStringLiteral(" opens, and has no row");
                    return;
                }
                QVERIFY(QTest::qWaitForWindowActive(dialog));
                const QStringList texts = BoxTexts(dialog);
                const QStringList order = Walk(dialog, Qt::Key_Tab);
                if (order != row->order)
                    faults << name + QStringLiteral(" goes ") + order.join(QLatin1Char(' '));
                if (Walk(dialog, Qt::Key_Backtab) != Reversed(row->order))
                    faults << name + QStringLiteral(" goes backwards otherwise");
                if (BoxTexts(dialog) != texts)
                    faults << name + QStringLiteral(": Tab typed into a box");
                faults << NameFaults(dialog);
            });
            if (QWidget* menu = QApplication::activePopupWidget())
                menu->close();
        };
        for (QAbstractButton* b : w->form->findChildren<QAbstractButton*>()) {
            if (b->objectName().startsWith(QLatin1String("cmd")) && b->isEnabled())
                work([b] { b->click(); });
        }
        for (QAction* a : w->form->findChildren<QAction*>()) {
            if (a->objectName().startsWith(QLatin1String("mnu")))
                work([a] { a->trigger(); });
        }
        for (const auto& d : kDialogs) {
            if (!opened.contains(QLatin1String(d.dialog)))
                faults << QLatin1String(d.dialog) + QStringLiteral(" was never opened");
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    // The main window reads as a window with a name for every control on every page, and the
    // hidden lists of keys are not read at all.
    void screenReaderReadsTheMainWindow()
    {
        Everything f;
        auto w = f.open();
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(w->form.get());
        QCOMPARE(window->role(), QAccessible::Window);
        QSet<QObject*> reached;
        const QStringList faults = NameFaults(w->form.get(), &reached);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        for (QObject* keys : {w->lstVersionID, w->lstFileID, w->lstChangeID}) {
            QVERIFY2(!reached.contains(keys), qPrintable(keys->objectName()));
            QVERIFY(keys->parent());
        }
        QVERIFY(reached.contains(w->lstVersionDate));
        QVERIFY(reached.contains(w->txtComments));
        QCOMPARE(Spoken(QAccessible::queryAccessibleInterface(w->cboSoftware)),
                 QStringLiteral("Software"));
        QCOMPARE(QAccessible::queryAccessibleInterface(w->cmdNext)->text(QAccessible::Name),
                 QStringLiteral("Next problem"));
        QCOMPARE(QAccessible::queryAccessibleInterface(w->lstFiles)->text(QAccessible::Name),
                 QStringLiteral("Needed Files"));
    }

    // A box with nowhere to send the focus still types no tab; a tab character that is stored
    // or pasted is kept and shown.
    void tabNeverTypesIntoABox()
    {
        TextBox alone;
        alone.show();
        Activate(&alone);
        QTest::keyClick(&alone, Qt::Key_Tab);
        QTest::keyClick(&alone, Qt::Key_Backtab);
        QTest::keyClicks(&alone, QStringLiteral("ab"));
        QCOMPARE(alone.toPlainText(), QStringLiteral("ab"));
        alone.insertPlainText(QStringLiteral("\tc"));
        QCOMPARE(alone.toPlainText(), QStringLiteral("ab\tc"));

        TitleFixture f(QStringLiteral("Alpha"), QStringLiteral("one\ttwo"));
        f.env.addProblem(f.title, QStringLiteral("a\tb"), QStringLiteral("c"));
        auto w = f.open();
        QCOMPARE(w->txtComments->toPlainText(), QStringLiteral("one\ttwo"));
        QCOMPARE(w->txtProblem->toPlainText(), QStringLiteral("a\tb"));
    }
};

QTEST_MAIN(TestAccess)
#include "tst_access.moc"
