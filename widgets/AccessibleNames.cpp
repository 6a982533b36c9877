#include "widgets/AccessibleNames.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace {
const char* const kRoleProperty = "vantorAccessibleRole";

// "&&" shows one ampersand; a single "&" marks the mnemonic and is not read.
QString withoutMnemonic(const QString& text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

// Qt asks each factory for every class of an object, from the most derived one up; the role
// is given for the object's own class, before Qt's answer for a plain widget.
QAccessibleInterface* roleFromProperty(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType() ||
        className != QLatin1String(object->metaObject()->className()))
        return nullptr;
    const QVariant role = object->property(kRoleProperty);
    if (!role.isValid())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Role(role.toInt()));
}
} // namespace

void NameByLabel(QLabel* label, QWidget* control)
{
    label->setBuddy(control);
    const QString name = withoutMnemonic(label->text()).trimmed();
    control->setAccessibleName(name);
    // The box of a combo box that takes typing is a control of its own.
    if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->lineEdit())
        combo->lineEdit()->setAccessibleName(name);
}

void NameByTarget(QAbstractButton* button, const QString& target, const QString& description)
{
    NameControl(button, withoutMnemonic(button->text()).trimmed() + QLatin1Char(' ') + target,
                description);
}

void NameControl(QWidget* control, const QString& name, const QString& description)
{
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
}

void ReadAsWindow(QWidget* window)
{
    static const bool installed = [] {
        QAccessible::installFactory(roleFromProperty);
        return true;
    }();
    Q_UNUSED(installed);
    window->setProperty(kRoleProperty, int(QAccessible::Window));
}

void HideFromScreenReader(QWidget* widget)
{
    // A screen reader walks a window's child widgets but not the windows among them; this one
    // is never shown, so as a window of its own it stays out of sight all the same.
    widget->setWindowFlag(Qt::Window);
    widget->hide();
}
