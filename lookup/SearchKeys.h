#pragma once

#include <QString>
#include <functional>

class QKeyEvent;
namespace db {
class Query;
}
namespace ui {
class Dialog;
}

namespace lookup {

// The keys of a search dialog: Enter chooses while the control named `listName` (compared in
// upper case) has the focus and runs `search` anywhere else; Esc cancels. True when the key was
// one of them.
bool searchDialogKey(ui::Dialog& dialog, QKeyEvent* event, const QString& listName,
                     const std::function<void()>& choose, const std::function<void()>& search);

// Whether the query stands on a row the user can choose.
bool hasCurrentRow(const db::Query& query);

}  // namespace lookup
