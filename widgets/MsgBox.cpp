#include "widgets/MsgBox.h"

#include <QApplication>
#include <QMessageBox>

namespace {
MsgBoxHook& hook()
{
    static MsgBoxHook h;
    return h;
}

QMessageBox::Icon qtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Information:
        break;
    }
    return QMessageBox::Information;
}
} // namespace

void SetMsgBoxHook(MsgBoxHook h)
{
    hook() = std::move(h);
}

MsgResult MsgBox(const QString& text, MsgIcon icon, MsgButtons buttons, MsgResult defaultButton)
{
    MsgBoxCall call{QStringLiteral("Vantor"), text, icon, buttons, defaultButton};
    if (hook())
        return hook()(call);

    QMessageBox box(qtIcon(icon), call.title, text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    if (buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(defaultButton == MsgResult::Yes ? QMessageBox::Yes : QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    default:
        return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::OK;
    }
}

void MsgInform(const QString& text)
{
    MsgBox(text);
}

bool MsgRequire(bool holds, const QString& whyNot)
{
    if (!holds)
        MsgInform(whyNot);
    return holds;
}

bool MsgConfirm(const QString& text)
{
    return MsgBox(text, MsgIcon::Question, MsgButtons::YesNo, MsgResult::No) == MsgResult::Yes;
}
