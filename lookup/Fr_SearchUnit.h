#pragma once

#include "ui/Dialog.h"

namespace db {
class DataSource;
class Query;
}  // namespace db
namespace ui {
class BitBtn;
class DataGrid;
}  // namespace ui

// The unit search: the units of one product that serve the roles the caller asks for, smallest
// first; the chosen unit's name is the result. Choosing from an empty list is a cancellation.
class TFrSearchUnit : public ui::Dialog {
    Q_OBJECT
public:
    explicit TFrSearchUnit(QWidget* parent = nullptr);

    ui::BitBtn* BtSelected;
    ui::BitBtn* BtCancel;
    ui::DataGrid* DgSearch;
    db::Query* QSearchUnit;
    db::DataSource* DSearchUnit;

    int ProductId = 0;
    bool ForPurc = false;
    bool ForSale = false;
    bool ForStock = false;
    bool ForSmall = false;
    QString SelectedUnitName;

protected:
    void FormShow() override;
    void FormClose() override;
    bool FormKeyDown(QKeyEvent* event) override;
};

// The process-wide instance, created at its first use.
extern TFrSearchUnit* FrSearchUnit;
