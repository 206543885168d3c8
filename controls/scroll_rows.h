// The scroll bar of a list-like control follows its row model: range, page and
// position. `syncing` is set meanwhile, so the control can tell its own
// updates from the user's scrolling.
#pragma once

#include <QScrollBar>

namespace morvane {

template <class RowModel>
void showRowsOn(QScrollBar& bar, const RowModel& rows, bool& syncing) {
    syncing = true;
    bar.setRange(0, rows.maxTop());
    bar.setPageStep(rows.visibleRows());
    bar.setValue(rows.top());
    syncing = false;
}

}  // namespace morvane
