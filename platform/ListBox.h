// List box helpers.
#pragma once

#include <QListWidget>

// The row selected in a single-selection list, -1 when none is. The current
// row alone does not count: a list can have one without a selection.
inline int SelectedRow(const QListWidget* list)
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}
