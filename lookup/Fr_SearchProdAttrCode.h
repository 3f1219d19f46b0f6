#pragma once

#include "ui/Dialog.h"

class QCheckBox;
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

// The attribute code search: the codes of one attribute group, optionally those whose
// description holds (or, ticked, equals) a text; the chosen code is the result.
class TFrSearchProdAttrCode : public ui::Dialog {
    Q_OBJECT
public:
    explicit TFrSearchProdAttrCode(QWidget* parent = nullptr);

    QLabel* Label1;
    ui::Edit* Description;
    QCheckBox* FullWord;
    ui::BitBtn* BtOk;
    ui::BitBtn* BtCancel;
    ui::DataGrid* ListData;
    db::Query* QSearch;
    db::DataSource* DSearch;

    int ProdAttrGroupId = 0;
    QString SelectedCode;

    void RunSQL();

protected:
    void FormShow() override;
    void FormClose() override;
    bool FormKeyDown(QKeyEvent* event) override;
};
