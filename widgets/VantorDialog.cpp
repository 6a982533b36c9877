#include "widgets/VantorDialog.h"

#include "widgets/AccessibleNames.h"
#include "widgets/WindowHelpers.h"

#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

VantorDialog::VantorDialog(QWidget* parent, const char* name, const QString& caption,
                           int clientWidth, int clientHeight)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QLatin1String(name));
    setWindowTitle(caption);
    setModal(true);
    setFixedSize(twips(clientWidth), twips(clientHeight));
    // The layouts were drawn for a face narrower than a desktop's default sans, which cuts the
    // captions and dates short. Arial Narrow (Liberation Sans Narrow, its metric twin, on
    // Debian) shows each of them whole at its given size.
    QFont font(QStringLiteral("Arial Narrow"));
    font.setPointSize(8);
    setFont(font);
}

void VantorDialog::cmdCancel_Click()
{
    unload(false);
}

void VantorDialog::keyPressEvent(QKeyEvent* event)
{
    // Neither OK nor Cancel is the default or cancel button.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

QPushButton* VantorDialog::makeButton(const char* name, const QString& caption, int left, int top,
                                      int width, int height)
{
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    b->setDefault(false);
    PressOnEnter(b);
    SetGeometryTwips(b, left, top, width, height);
    return b;
}

QLineEdit* VantorDialog::makeLineEdit(const char* name, int left, int top, int width, int height)
{
    auto* e = new QLineEdit(this);
    e->setObjectName(QLatin1String(name));
    e->setMaxLength(std::numeric_limits<int>::max());
    SetGeometryTwips(e, left, top, width, height);
    return e;
}

QLabel* VantorDialog::makeLabel(const char* name, const QString& caption, int left, int top,
                                int width, int height)
{
    auto* l = new QLabel(caption, this);
    l->setObjectName(QLatin1String(name));
    SetGeometryTwips(l, left, top, width, height);
    return l;
}

QDateEdit* VantorDialog::makeDatePicker(const char* name, int left, int top, int width)
{
    auto* d = new QDateEdit(this);
    d->setObjectName(QLatin1String(name));
    d->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    d->setCalendarPopup(true);
    d->setDateRange(QDate(1601, 1, 1), QDate(9999, 12, 31));
    d->setDate(QDate(1999, 8, 16));
    SetGeometryTwips(d, left, top, width, 315);
    return d;
}

QLineEdit* VantorDialog::makeField(const char* labelName, const QString& caption, int labelLeft,
                                   int labelWidth, const char* name, int left, int top, int width)
{
    QLineEdit* box = makeLineEdit(name, left, top, width);
    NameByLabel(makeLabel(labelName, caption, labelLeft, top + 60, labelWidth, 195), box);
    return box;
}

void VantorDialog::makeOkCancel(int left, int top, std::initializer_list<QWidget*> fields)
{
    cmdOK = makeButton("cmdOK", QStringLiteral("OK"), left, top);
    cmdCancel = makeButton("cmdCancel", QStringLiteral("Cancel"), left + 1260, top);
    QList<QWidget*> chain(fields);
    chain << cmdOK << cmdCancel;
    SetTabOrder(chain);
    connect(cmdOK, &QPushButton::clicked, this, &VantorDialog::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &VantorDialog::cmdCancel_Click);
}

void VantorDialog::unload(bool accepted)
{
    UnloadDialog(this, accepted);
}
