#pragma once

#include "ui/Dialog.h"

class QComboBox;
class QLabel;
namespace db {
class DataSource;
class Query;
}  // namespace db
namespace ui {
class BitBtn;
class DataGrid;
class DateEdit;
class Edit;
}  // namespace ui

// The lot search: lots by number prefix, description prefix and, optionally, how their expiry
// date compares with a given date (lots that never expire always pass). The chosen lot's id and
// number are the result; choosing from an empty list closes with an empty number.
class TFrSearchLotNo : public ui::Dialog {
    Q_OBJECT
public:
    explicit TFrSearchLotNo(QWidget* parent = nullptr);

    QLabel* Label1;
    ui::Edit* Code;
    QLabel* Label2;
    ui::Edit* Description;
    QLabel* Label3;
    QComboBox* DateCondition;
    ui::DateEdit* ExpiredDate;
    ui::BitBtn* BSearch;
    ui::BitBtn* BtSelect;
    ui::BitBtn* BtCancel;
    ui::DataGrid* DgSearch;
    db::Query* QSearch;
    db::DataSource* DSearch;

    int SelectedLotId = 0;
    QString SelectedCode;

    // 1 orders the list by lot number, 2 by description, 3 by expiry date; one for the class.
    static int LotSortOrder;

    void BSearchClick();

protected:
    void FormShow() override;
    void FormClose() override;
    bool FormKeyDown(QKeyEvent* event) override;

private:
    void DateConditionChange();
    void DgSearchTitleClick(const QString& fieldName);
    QString dateConditionLine() const;
};

// The process-wide instance, created at its first use.
extern TFrSearchLotNo* FrSearchLotNo;
