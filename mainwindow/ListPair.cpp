#include "mainwindow/ListPair.h"

#include <QListWidget>

QString SelectedText(const QListWidget* list)
{
    const QListWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

int SelectedIndex(const QListWidget* list)
{
    const QListWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? list->currentRow() : -1;
}

QString SelectedKey(const QListWidget* visible, const QListWidget* partner)
{
    const int row = SelectedIndex(visible);
    return row >= 0 && row < partner->count() ? partner->item(row)->text() : QString();
}

void ClearPair(QListWidget* visible, QListWidget* partner)
{
    visible->clear();
    partner->clear();
}

void FollowSelection(const QListWidget* visible, QListWidget* partner)
{
    const int row = SelectedIndex(visible);
    if (row >= 0 && row < partner->count())
        partner->setCurrentRow(row);
    else
        partner->clearSelection();
}
