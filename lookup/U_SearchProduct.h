#pragma once

#include "ui/Dialog.h"

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class TFaSelectProdAttr;
namespace db {
class DataSource;
class Query;
}  // namespace db
namespace ui {
class BitBtn;
class DataGrid;
class Edit;
}  // namespace ui

// The product search: products by code prefix, by a fragment of the Thai name (at its start or
// anywhere) and by ranges of attribute codes; the chosen product's code is the result.
class TF_SearchProduct : public ui::Dialog {
    Q_OBJECT
public:
    explicit TF_SearchProduct(QWidget* parent = nullptr);

    QGroupBox* GroupAttr;
    TFaSelectProdAttr* FaSelectProdAttr1;
    QFrame* Panel1;
    QLabel* Label1;
    ui::Edit* ProductCode;
    QComboBox* SearchMethod;
    QLabel* Name;
    ui::Edit* ProductName;
    QFrame* PanelButton;
    ui::BitBtn* BtSearch;
    ui::BitBtn* BtOK;
    ui::BitBtn* BtCancel;
    ui::DataGrid* ListData;
    db::Query* QSearch;
    db::DataSource* DSearchProduct;

    QString SelectedCode;

    // 0 orders the list by code, 1 by Thai name; one for the class.
    static int ProductSortOrder;

    void BtSearchClick();
    void BtOKClick();

protected:
    void FormShow() override;
    void FormClose() override;
    bool FormKeyDown(QKeyEvent* event) override;

private:
    void ListDataTitleClick(const QString& fieldName);
    QStringList attributeLines() const;
};

// The process-wide instance, created at its first use.
extern TF_SearchProduct* F_SearchProduct;
