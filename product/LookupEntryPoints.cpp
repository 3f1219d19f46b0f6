#include "lookup/Fr_SearchBarCode.h"
#include "lookup/Fr_SearchLotNo.h"
#include "lookup/Fr_SearchUnit.h"
#include "lookup/U_SearchProduct.h"
#include "lookup/U_SearchWareHouse.h"
#include "product/Dm_Product.h"
#include "ui/Application.h"

namespace {

// The dialog's process-wide instance, created through the application at its first use.
template <class Dialog>
Dialog& instance(Dialog*& dialog) {
    if (!dialog) {
        auto* app = ui::Application::instance();
        dialog = app ? app->createForm<Dialog>() : new Dialog;
    }
    return *dialog;
}

// Shows the dialog and copies its result member, whatever the modal result; true on OK.
template <class Dialog>
bool showLookup(Dialog& dialog, QString Dialog::*resultMember, QString& searchResult) {
    const int result = dialog.showModal();
    searchResult = dialog.*resultMember;
    return result == ui::mrOk;
}

}  // namespace

bool TDmProduct::SearchProduct() {
    return showLookup(instance(F_SearchProduct), &TF_SearchProduct::SelectedCode, SearchResult);
}

bool TDmProduct::SearchUnitName(QObject*, int ProductId) {
    TFrSearchUnit& dialog = instance(FrSearchUnit);
    dialog.ProductId = ProductId;
    dialog.ForPurc = true;
    dialog.ForSale = false;
    dialog.ForStock = false;
    dialog.ForSmall = false;
    return showLookup(dialog, &TFrSearchUnit::SelectedUnitName, SearchResult);
}

bool TDmProduct::SearchLotNo() {
    return showLookup(instance(FrSearchLotNo), &TFrSearchLotNo::SelectedCode, SearchResult);
}

bool TDmProduct::SearchWarehouse() {
    return showLookup(instance(F_SearchWareHouse), &TF_SearchWareHouse::SelectedCode, SearchResult);
}

bool TDmProduct::SearchProductBarCode() {
    return showLookup(instance(FrSearchBarCode), &TFrSearchBarCode::SelectedBarCode, SearchResult);
}
