#pragma once

#include <QString>

#include <functional>

enum class MsgIcon { Information, Question, Exclamation, Critical };
enum class MsgButtons { OK, YesNo };
enum class MsgResult { OK, Yes, No };

struct MsgBoxCall {
    QString title;
    QString text;
    MsgIcon icon;
    MsgButtons buttons;
    MsgResult defaultButton;
};

// Every message of the program goes through here; the title is always "Vantor".
MsgResult MsgBox(const QString& text, MsgIcon icon = MsgIcon::Information,
                 MsgButtons buttons = MsgButtons::OK, MsgResult defaultButton = MsgResult::OK);

// A refused command: information icon, OK.
void MsgInform(const QString& text);
// What a command needs before it runs: true when it holds; otherwise the user is told why, as a
// refused command is, and the command does nothing.
bool MsgRequire(bool holds, const QString& whyNot);
// A delete: Yes and No, question icon, No the default. True only for Yes.
bool MsgConfirm(const QString& text);

// Tests answer messages here instead of a window; an empty hook restores the real box.
using MsgBoxHook = std::function<MsgResult(const MsgBoxCall&)>;
void SetMsgBoxHook(MsgBoxHook hook);
