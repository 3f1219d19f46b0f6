#pragma once

#include "ui/Dialog.h"

class QComboBox;
class QFrame;
class QLabel;
namespace db {
class DataSource;
class Query;
}  // namespace db
namespace ui {
class BitBtn;
class DataGrid;
class Edit;
}  // namespace ui

// The barcode search: units of measure that carry a barcode, by barcode prefix and a fragment of
// the product's Thai name, narrowed further by the caller's filters; each row also carries the
// product's stock on hand and backorder as text. The chosen unit's barcode is the result;
// choosing from an empty list is a cancellation.
class TFrSearchBarCode : public ui::Dialog {
    Q_OBJECT
public:
    explicit TFrSearchBarCode(QWidget* parent = nullptr);

    QFrame* PnHeader;
    QLabel* Label2;
    ui::Edit* Code;
    QLabel* Label1;
    ui::Edit* Name;
    QComboBox* SearchMethod;
    ui::BitBtn* BtSearch;
    ui::BitBtn* Btok;
    ui::BitBtn* BtCancel;
    ui::DataGrid* DgSearch;
    db::Query* QSearch;
    db::DataSource* DSearch;

    // Filters the caller may set before showing the window.
    bool IncludeBlocked = false;
    int VendorId = 0;
    bool ActiveBuyingOnly = false;
    bool SmallUnitOnly = false;
    bool HasPurchasePrice = false;
    bool HasComponents = false;
    QString ProductTypeFilter;
    bool ExcludeConsignment = false;

    QString SelectedBarCode;

    // 0 orders the list by barcode, 1 by product code, 2 by product name; one for the class,
    // kept from one showing to the next.
    static int BarCodeSortOrder;

    void BtSearchClick();

protected:
    void FormShow() override;
    void FormClose() override;
    bool FormKeyDown(QKeyEvent* event) override;

private:
    void DgSearchTitleClick(const QString& fieldName);
    QString callerFilters() const;
};

// The process-wide instance, created at its first use.
extern TFrSearchBarCode* FrSearchBarCode;
