#pragma once

#include <QColor>
#include <QString>

namespace ui {

// A column of a data grid, bound to a field of the grid's rows by name.
struct GridColumn {
    QString field{};
    QString title{};  // empty: the title shows the field name
    int width = 64;
    Qt::Alignment alignment = {};       // empty: as the data source aligns the field
    Qt::Alignment titleAlignment = {};  // empty: the header's own
    bool readOnly = false;
    bool visible = true;
    bool ellipsisButton = false;  // the cell editor carries a button reported by the grid
    QColor background{};          // invalid: the grid's own
    QString editMask{};           // the cell editor's mask, in the mask notation of ui/EditMask.h
};

}  // namespace ui
