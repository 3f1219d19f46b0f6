#pragma once

#include <QWidget>
#include <vector>

#include "product/PriceStep.h"

class QLabel;
class QPlainTextEdit;
class QSpinBox;
namespace ui {
class DateEdit;
class Edit;
class KeyPreview;
}  // namespace ui

// One document line as the suite's entry windows take it: product (code or barcode), unit,
// warehouse, lot and date, serial, customer, vendor and price type. Every field is checked by
// the product services when the user leaves it with Enter or fills it from a lookup (F2; F4 for
// the barcode search in the product field); the report below says what each check found, the
// sale price with its discount and the source that gave it, the purchase price and the stock.
// Each report is also written to standard output after a line "--".
class TFrWorkbench : public QWidget {
    Q_OBJECT
public:
    explicit TFrWorkbench(QWidget* parent = nullptr);

    ui::Edit* ProductCode;
    QLabel* LbProductName;
    ui::Edit* UnitName;
    ui::Edit* Warehouse;
    ui::Edit* LotNo;
    ui::DateEdit* DocDate;
    ui::Edit* SerialNo;
    QSpinBox* CustomerId;
    QSpinBox* VendorId;
    QSpinBox* PriceType;
    QPlainTextEdit* Report;
    QLabel* LbKeys;

    // Checks the whole line again and rewrites the report.
    void CheckLine();

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool FormKeyDown(QKeyEvent* event);
    bool lookup(QWidget* field, bool barcode);
    bool runLookup(QWidget* field, bool barcode);
    bool existsByBarCodeOrCode(const QString& code);
    QStringList checkProduct(int& productId, int& unitId);
    QStringList checkUnit(int productId, int& unitId);
    QStringList checkWarehouse(int& warehouseId);
    QStringList checkLot(int productId, int warehouseId);
    QStringList checkSerial(int productId);
    QStringList prices(int productId, int unitId);
    QStringList stock(int productId, int warehouseId);

    ui::KeyPreview* keyPreview_;
    std::vector<product::PriceStep> steps_;
    bool busy_ = false;  // a lookup or a check is under way
};
