#pragma once

#include <QString>

class QListWidget;

// The version, change and file lists each have a hidden partner list beside them that holds the
// key of every line, at the same row.

// The text of the selected line of a list, empty when no line is selected.
QString SelectedText(const QListWidget* list);
// The row of the selected line, -1 when no line is selected.
int SelectedIndex(const QListWidget* list);
// The key in the partner list at the line selected in the visible list; empty for none.
QString SelectedKey(const QListWidget* visible, const QListWidget* partner);

void ClearPair(QListWidget* visible, QListWidget* partner);
// Keeps the partner list's selected line on the visible list's.
void FollowSelection(const QListWidget* visible, QListWidget* partner);
