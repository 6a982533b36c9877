#pragma once

#include <QString>

class QAbstractButton;
class QLabel;
class QWidget;

// What a screen reader reads for a window's controls. Every control that takes the focus gets a
// name that says what it is or does, unique in its window; nothing on the screen changes.

// The label captions the control: the label's text is the control's name (without its mnemonic
// mark), the label's mnemonic focuses the control, and a screen reader tells that the two belong
// together. Lists and tables take no name from a label by themselves, so the name is set as well.
void NameByLabel(QLabel* label, QWidget* control);

// A button whose caption is only a verb ("Add", "Next"), named with what it acts on: "Add" and
// "version" read "Add version". The description, when given, is read after the name.
void NameByTarget(QAbstractButton* button, const QString& target,
                  const QString& description = QString());

// A control with no caption of its own, or one that does not say what it does ("...").
void NameControl(QWidget* control, const QString& name, const QString& description = QString());

// A top-level window that is neither a dialog nor a main window class reads as a plain panel;
// this one reads as a window.
void ReadAsWindow(QWidget* window);

// A widget that is never shown and holds only what the program reads back (keys beside a list):
// out of what a screen reader walks. It stays the child of its parent.
void HideFromScreenReader(QWidget* widget);
