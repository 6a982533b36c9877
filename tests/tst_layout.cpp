#include "dialogs/frmAddChanges.h"
#include "dialogs/frmAddFile.h"
#include "dialogs/frmAddProblem.h"
#include "dialogs/frmAddSoftware.h"
#include "dialogs/frmAddVersion.h"
#include "dialogs/frmPreferences.h"
#include "tests/TestSupport.h"

#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QToolButton>
#include <QtTest>

// Every caption, label, tab and date of the windows shows whole at its given size, in the fonts
// of the machine the test runs on: offscreen under CTest, and on a real X display from the
// desktop test, where the desktop's own fonts are measured.
namespace {
struct Fit {
    QString text;
    QSize need;
    QSize room;
};

// A push button's size hint never goes below a least width of the style's; its caption
// needs the room inside the frame.
Fit pushButtonFit(const QPushButton* b)
{
    QStyleOptionButton option;
    option.initFrom(b);
    option.text = b->text();
    const QRect inside = b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b);
    return {b->text(), b->fontMetrics().size(Qt::TextShowMnemonic, b->text()), inside.size()};
}

// What a control needs to show its text, and the room it has; no text for other controls.
Fit fitOf(const QWidget* w)
{
    if (const auto* l = qobject_cast<const QLabel*>(w))
        return {l->text(), l->sizeHint(), l->size()};
    if (const auto* b = qobject_cast<const QPushButton*>(w))
        return pushButtonFit(b);
    if (const auto* b = qobject_cast<const QToolButton*>(w)) {
        // The hint pads the caption with a blank on either side, which the style does not draw.
        const int blanks = 2 * b->fontMetrics().horizontalAdvance(QLatin1Char(' '));
        return {b->text(), b->sizeHint() - QSize(blanks, 0), b->size()};
    }
    if (const auto* b = qobject_cast<const QAbstractButton*>(w))
        return {b->text(), b->sizeHint(), b->size()};
    // The hint asks for more height than the given boxes have; the digits fit in the edit
    // inside, and the width is what cuts a date short.
    if (const auto* d = qobject_cast<const QDateTimeEdit*>(w))
        return {d->text(), QSize(d->sizeHint().width(), 0), d->size()};
    if (const auto* g = qobject_cast<const QGroupBox*>(w))
        return {g->title(), g->minimumSizeHint(), g->size()};
    if (const auto* t = qobject_cast<const QTabBar*>(w)) {
        QStringList tabs;
        for (int i = 0; i < t->count(); ++i)
            tabs << t->tabText(i);
        return {tabs.join(QLatin1Char('|')), t->sizeHint(), t->size()};
    }
    return {};
}

QStringList cutShort(const QWidget* window)
{
    QStringList cut;
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        const Fit fit = fitOf(w);
        if (w->isHidden() || fit.text.isEmpty())
            continue;
        if (fit.need.width() > fit.room.width() || fit.need.height() > fit.room.height())
            cut << QStringLiteral("%1 %2 \"%3\" needs %4x%5, has %6x%7")
                       .arg(window->objectName(), w->objectName(), fit.text)
                       .arg(fit.need.width())
                       .arg(fit.need.height())
                       .arg(fit.room.width())
                       .arg(fit.room.height());
    }
    return cut;
}

// Every dialog of the program, in the mode that shows most of it.
std::vector<std::unique_ptr<QWidget>> allDialogs(const MainWindow& w)
{
    QWidget* parent = w.form.get();
    auto target = [&](const char* set) {
        RecordSource* source = child<RecordSource>(parent, set);
        return EditTarget{source, source->connection(), EditMode::Add};
    };
    std::vector<std::unique_ptr<QWidget>> dialogs;
    dialogs.push_back(std::make_unique<frmAddSoftware>(parent, target("dataSoftware"), QString(),
                                                       frmAddSoftware::ShowTitle()));
    dialogs.push_back(std::make_unique<frmAddVersion>(parent, target("dataVersions"),
                                                      w.dataSoftware, QString(), ShowSave()));
    dialogs.push_back(std::make_unique<frmAddChanges>(
        parent, DetailTarget{target("dataChanges"), QString(), QString(), ShowSave()}));
    dialogs.push_back(std::make_unique<frmAddFile>(
        parent, DetailTarget{target("dataFiles"), QString(), QString(), ShowSave()}));
    dialogs.push_back(
        std::make_unique<frmAddProblem>(parent, target("dataProblems"), w.dataSoftware));
    dialogs.push_back(std::make_unique<frmPreferences>(parent, QString()));
    for (const auto& d : dialogs)
        d->show();
    return dialogs;
}
} // namespace

class TestLayout : public QObject {
    Q_OBJECT
private slots:
    void everyCaptionShowsWhole()
    {
        TestEnv env;
        auto main = env.openWindow();
        QStringList cut = cutShort(main->form.get());
        for (const auto& dialog : allDialogs(*main))
            cut << cutShort(dialog.get());
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
    }

    // A disabled command's picture is greyed: nowhere darker than its disabled caption.
    void disabledPicturesAreGreyed()
    {
        TestEnv env;
        auto main = env.openWindow();
        QStringList dark;
        for (const QToolButton* b : main->form->findChildren<QToolButton*>()) {
            if (b->icon().isNull())
                continue;
            const QPalette& colours = b->palette();
            QImage shown(b->iconSize(), QImage::Format_ARGB32);
            shown.fill(colours.color(QPalette::Disabled, QPalette::Button));
            QPainter(&shown).drawPixmap(0, 0, b->icon().pixmap(b->iconSize(), QIcon::Disabled));
            int darkest = 255;
            for (int y = 0; y < shown.height(); ++y) {
                for (int x = 0; x < shown.width(); ++x)
                    darkest = std::min(darkest, qGray(shown.pixel(x, y)));
            }
            const int caption =
                qGray(colours.color(QPalette::Disabled, QPalette::ButtonText).rgb());
            if (darkest < caption - 2)
                dark << QStringLiteral("%1: %2 against %3")
                            .arg(b->objectName())
                            .arg(darkest)
                            .arg(caption);
        }
        QVERIFY2(dark.isEmpty(), qPrintable(dark.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
