#include "lookup/SearchKeys.h"

#include <QKeyEvent>

#include "db/Query.h"
#include "ui/Dialog.h"

namespace lookup {

bool searchDialogKey(ui::Dialog& dialog, QKeyEvent* event, const QString& listName,
                     const std::function<void()>& choose, const std::function<void()>& search) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (ui::focusedControlIs(&dialog, listName))
                choose();
            else
                search();
            return true;
        case Qt::Key_Escape:
            dialog.setModalResult(ui::mrCancel);
            return true;
        default:
            return false;
    }
}

bool hasCurrentRow(const db::Query& query) {
    return query.isActive() && !query.isEmpty();
}

}  // namespace lookup
