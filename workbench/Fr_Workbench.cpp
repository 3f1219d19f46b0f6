#include "workbench/Fr_Workbench.h"

#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QVBoxLayout>
#include <iostream>

#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "db/Query.h"
#include "product/Dm_Product.h"
#include "ui/DateEdit.h"
#include "ui/Edit.h"
#include "ui/KeyPreview.h"

namespace {

QString sourceName(product::PriceSource source) {
    using product::PriceSource;
    switch (source) {
        case PriceSource::StandardPrice:
            return "ราคามาตรฐานของหน่วย";
        case PriceSource::StockUnitPrice:
            return "ราคาของหน่วยสต็อก";
        case PriceSource::CustomerPrice:
            return "ราคาเฉพาะลูกค้า";
        case PriceSource::CustomerPromotion:
            return "โปรโมชั่นของลูกค้า";
        case PriceSource::AllCustomersPromotion:
            return "โปรโมชั่นทุกลูกค้า";
        case PriceSource::ProjectPrice:
            return "ราคาโครงการ";
        case PriceSource::VendorPartPrice:
            return "ราคาจากผู้ขาย";
        case PriceSource::VendorStandardPrice:
            return "ราคาซื้อของหน่วย";
        case PriceSource::DefaultPrice:
            return "ราคาตั้งต้น";
    }
    return {};
}

QString money(double value) {
    return QString::number(value, 'f', 2);
}

ui::Edit* makeEdit(QWidget* parent, const char* name, bool upperCase) {
    auto* edit = new ui::Edit(parent, 60);
    edit->setObjectName(name);
    edit->setUpperCase(upperCase);
    return edit;
}

QSpinBox* makeNumber(QWidget* parent, const char* name, int value) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(0, 999999);
    box->setValue(value);
    return box;
}

}  // namespace

TFrWorkbench::TFrWorkbench(QWidget* parent) : QWidget(parent) {
    setObjectName("FrWorkbench");
    setWindowTitle("บรรทัดเอกสาร");
    resize(640, 560);

    ProductCode = makeEdit(this, "ProductCode", true);
    LbProductName = new QLabel(this);
    LbProductName->setObjectName("LbProductName");
    UnitName = makeEdit(this, "UnitName", false);
    Warehouse = makeEdit(this, "Warehouse", true);
    LotNo = makeEdit(this, "LotNo", true);
    DocDate = new ui::DateEdit(this);
    DocDate->setObjectName("DocDate");
    SerialNo = makeEdit(this, "SerialNo", true);
    CustomerId = makeNumber(this, "CustomerId", 0);
    VendorId = makeNumber(this, "VendorId", 0);
    PriceType = makeNumber(this, "PriceType", 1);
    Report = new QPlainTextEdit(this);
    Report->setObjectName("Report");
    Report->setReadOnly(true);
    Report->setFocusPolicy(Qt::NoFocus);
    LbKeys = new QLabel("F2 ค้นหา   F4 ค้นหา Barcode (ในช่องสินค้า)   Enter ตรวจสอบแล้วไปช่องถัดไป", this);
    LbKeys->setObjectName("LbKeys");

    auto* form = new QFormLayout;
    form->addRow("สินค้า (รหัส หรือ Barcode)", ProductCode);
    form->addRow("", LbProductName);
    form->addRow("หน่วยนับ", UnitName);
    form->addRow("คลังสินค้า", Warehouse);
    form->addRow("Lot No.", LotNo);
    form->addRow("วันที่เอกสาร", DocDate);
    form->addRow("Serial No.", SerialNo);
    form->addRow("รหัสลูกค้า (Id)", CustomerId);
    form->addRow("รหัสผู้ขาย (Id)", VendorId);
    form->addRow("ประเภทราคา", PriceType);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(Report, 1);
    layout->addWidget(LbKeys);

    keyPreview_ = new ui::KeyPreview(this, [this](QKeyEvent* event) { return FormKeyDown(event); });
    DmProduct->setPriceObserver([this](const product::PriceStep& step) { steps_.push_back(step); });
}

void TFrWorkbench::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (DmConfig && !DmConfig->MenuCaption.isEmpty())
        setWindowTitle(DmConfig->MenuCaption);
    if (DocDate->isBlank())
        DocDate->setDate(DM->GetServerTime().date());
    ProductCode->setFocus();
}

bool TFrWorkbench::FormKeyDown(QKeyEvent* event) {
    QWidget* field = focusWidget();
    switch (event->key()) {
        case Qt::Key_F2:
            return lookup(field, false);
        case Qt::Key_F4:
            return field == ProductCode && lookup(field, true);
        case Qt::Key_Return:
        case Qt::Key_Enter:
            CheckLine();
            focusNextChild();
            return true;
        case Qt::Key_Escape:
            close();
            return true;
        default:
            return false;
    }
}

// Opens the field's lookup through the product services and takes the value chosen. One
// lookup at a time: a second F2 while a dialog is up does nothing.
bool TFrWorkbench::lookup(QWidget* field, bool barcode) {
    auto* edit = qobject_cast<ui::Edit*>(field);
    if (!edit ||
        (field != ProductCode && field != UnitName && field != Warehouse && field != LotNo))
        return false;
    if (busy_)
        return true;
    busy_ = true;
    bool chosen = false;
    try {
        chosen = runLookup(field, barcode);
    } catch (...) {
        busy_ = false;
        throw;
    }
    busy_ = false;
    if (chosen)
        edit->setText(DmProduct->SearchResult);
    CheckLine();
    edit->setFocus();
    return true;
}

bool TFrWorkbench::runLookup(QWidget* field, bool barcode) {
    if (field == ProductCode)
        return barcode ? DmProduct->SearchProductBarCode() : DmProduct->SearchProduct();
    if (field == UnitName) {
        int productId = 0, unitId = 0;
        checkProduct(productId, unitId);
        return DmProduct->SearchUnitName(this, productId);
    }
    if (field == Warehouse)
        return DmProduct->SearchWarehouse();
    return DmProduct->SearchLotNo();
}

void TFrWorkbench::CheckLine() {
    int productId = 0, unitId = 0, warehouseId = 0;
    QStringList lines = checkProduct(productId, unitId);
    if (productId > 0)
        lines << checkUnit(productId, unitId);
    lines << checkWarehouse(warehouseId);
    if (productId > 0) {
        lines << checkLot(productId, warehouseId) << checkSerial(productId)
              << prices(productId, unitId) << stock(productId, warehouseId);
    }
    Report->setPlainText(lines.join('\n'));
    std::cout << "--\n" << lines.join('\n').toStdString() << std::endl;
}

// A code is taken as a barcode first, then as a product code.
bool TFrWorkbench::existsByBarCodeOrCode(const QString& code) {
    DmProduct->ByBarCode = true;
    if (DmProduct->ExistsProduct(code))
        return true;
    DmProduct->ByBarCode = false;
    return DmProduct->ExistsProduct(code);
}

QStringList TFrWorkbench::checkProduct(int& productId, int& unitId) {
    const QString code = ProductCode->text().trimmed();
    LbProductName->clear();
    if (code.isEmpty())
        return {"สินค้า: -"};
    if (!existsByBarCodeOrCode(code))
        return {"สินค้า: ไม่พบ " + code};
    db::Query& row = *DmProduct->QChkProduct;
    productId = static_cast<int>(row.fieldByName("Id").asInteger());
    const QString name = row.fieldByName("ThaiName").asString();
    LbProductName->setText(name);
    QStringList lines{"สินค้า: " + row.fieldByName("Code").asString() + " " + name + " (Id " +
                      QString::number(productId) + ")"};
    db::Query& barcode = *DmProduct->QChkBarCode;
    if (barcode.isActive() && !barcode.isEmpty() &&
        barcode.fieldByName("BarCode").asString() == code) {
        unitId = static_cast<int>(barcode.fieldByName("Id").asInteger());
        if (UnitName->text().trimmed().isEmpty())
            UnitName->setText(barcode.fieldByName("UnitName").asString());
        lines << "Barcode " + code + ": หน่วย " + barcode.fieldByName("UnitName").asString();
    }
    return lines;
}

QStringList TFrWorkbench::checkUnit(int productId, int& unitId) {
    const QString unit = UnitName->text().trimmed();
    if (unit.isEmpty())
        return {"หน่วยนับ: -"};
    if (!DmProduct->ExistsProductUnit(productId, unit, {ukSale, ukPurc, ukStock, ukSmall}))
        return {"หน่วยนับ: ไม่พบ " + unit};
    db::Query& row = *DmProduct->QChkUnit;
    unitId = static_cast<int>(row.fieldByName("Id").asInteger());
    return {"หน่วยนับ: " + unit + " = " + QString::number(row.fieldByName("Fraction").asFloat()) +
            " หน่วยย่อย (Id " + QString::number(unitId) + ")"};
}

QStringList TFrWorkbench::checkWarehouse(int& warehouseId) {
    const QString code = Warehouse->text().trimmed();
    if (code.isEmpty())
        return {"คลังสินค้า: -"};
    if (!DmProduct->ExistsWarehouse(code))
        return {"คลังสินค้า: ไม่พบ " + code};
    db::Query& row = *DmProduct->QChkWarehouse;
    warehouseId = static_cast<int>(row.fieldByName("Id").asInteger());
    return {"คลังสินค้า: " + code + " " + row.fieldByName("Name").asString()};
}

QStringList TFrWorkbench::checkLot(int productId, int warehouseId) {
    const QString code = LotNo->text().trimmed();
    if (code.isEmpty())
        return {"Lot No.: -"};
    if (!DmProduct->ExistsLotNo(code, QDateTime(DocDate->date(), QTime(0, 0))))
        return {"Lot No.: ใช้ไม่ได้ " + code};
    const int lotId = static_cast<int>(DmProduct->QChkLotNo->fieldByName("Id").asInteger());
    QString line = "Lot No.: " + code;
    if (warehouseId > 0)
        line += " คงเหลือในคลัง " + QString::number(DmProduct->LotNoOnHand(
                                      lotId, productId, warehouseId, DocDate->date().year()));
    return {line};
}

QStringList TFrWorkbench::checkSerial(int productId) {
    const QString serial = SerialNo->text().trimmed();
    if (serial.isEmpty())
        return {"Serial No.: -"};
    return {"Serial No.: " + serial +
            (DmProduct->ExistsSerialNo(serial, productId) ? " ใช้ได้" : " ใช้ไม่ได้")};
}

QStringList TFrWorkbench::prices(int productId, int unitId) {
    if (unitId <= 0)
        return {};
    const QDateTime date(DocDate->date(), QTime(0, 0));
    steps_.clear();
    const double price =
        DmProduct->GetPrice(CustomerId->value(), productId, unitId, PriceType->value(), date);
    QString source = "-";
    for (const product::PriceStep& step : steps_)
        if (step.tookPrice)
            source = sourceName(step.source);
    QStringList lines{"ราคาขาย: " + money(price) + "  ส่วนลด " +
                      (DmProduct->PriceDiscount.isEmpty() ? "-" : DmProduct->PriceDiscount) +
                      "  จาก " + source};
    if (VendorId->value() > 0) {
        steps_.clear();
        const double purchase =
            DmProduct->SetPurchasePrice(productId, VendorId->value(), 0, unitId);
        for (const product::PriceStep& step : steps_)
            if (step.tookPrice)
                source = sourceName(step.source);
        lines << "ราคาซื้อ: " + money(purchase) + "  จาก " + source;
    }
    return lines;
}

QStringList TFrWorkbench::stock(int productId, int warehouseId) {
    const int year = DocDate->date().year();
    QStringList lines{"คงเหลือทั้งหมด ปี " + QString::number(year) + ": " +
                      DmProduct->ProductQuantity(productId, year)};
    if (warehouseId > 0)
        lines << "คงเหลือในคลัง: " + DmProduct->ProductWHQuantity(productId, warehouseId, year);
    return lines;
}
