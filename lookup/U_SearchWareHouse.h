#pragma once

#include "ui/Dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;
namespace db {
class DataSource;
class Query;
}  // namespace db
namespace ui {
class BitBtn;
class DataGrid;
}  // namespace ui

// The warehouse search: warehouses or storage locations, optionally those whose code or name
// holds a text; the chosen row's code is the result. The list is filled as the window shows.
class TF_SearchWareHouse : public ui::Dialog {
    Q_OBJECT
public:
    explicit TF_SearchWareHouse(QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* SearchText;
    QPushButton* BSearch;
    ui::BitBtn* Bok;
    ui::BitBtn* BCancel;
    ui::DataGrid* DisplayGrid;
    db::Query* QSearch;
    db::DataSource* DSearch;

    bool ActiveOnly = false;
    int LocationMode = 0;  // 0 all rows, 1 warehouses only, 2 storage locations only
    bool IncludeDummy = false;
    QString SelectedCode;

    void BSearchClick();

protected:
    void FormShow() override;
    void FormClose() override;

private:
    bool DisplayGridKeyDown(QKeyEvent* event);
};

// The process-wide instance, created at its first use.
extern TF_SearchWareHouse* F_SearchWareHouse;
