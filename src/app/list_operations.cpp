// Operations on the result list that belong to the window itself.

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/operations.h"
#include "catalogue/result_list.h"
#include "platform/events.h"
#include "platform/qt/qt_platform.h"

#include <QCursor>
#include <QMenu>

namespace tb::app {

void ToggleAllTicks(MainWindow& window, int column) {
    if (column != kColName) {
        return;
    }
    AppState& state = appState();
    state.allTicked = !state.allTicked;
    ResultList& rows = window.resultList();
    // The row count is read again each time: events processed in between may change the list.
    for (int row = 0; row < rows.rowCount(); ++row) {
        rows.setTicked(row, state.allTicked);
        platform::ProcessPendingEvents();
    }
}

void CopySongName(MainWindow& window) {
    ResultList& rows = window.resultList();
    const int row = rows.selectedRow();
    if (row < 0) {
        return;
    }
    platform::SetClipboardText(rows.cell(row, kColName));
}

void ShowListMenu(MainWindow& window) {
    window.菜单->popup(QCursor::pos());
}

} // namespace tb::app
