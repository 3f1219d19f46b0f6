#include "lookup/Fr_SearchUnit.h"

#include <QKeyEvent>

#include "config/Dm_Config.h"
#include "db/DataSource.h"
#include "db/Query.h"
#include "lookup/SearchKeys.h"
#include "ui/BitBtn.h"
#include "ui/DataGrid.h"

TFrSearchUnit* FrSearchUnit = nullptr;

namespace {

// A role is asked for with a pattern its flag 'Y' matches, and left out with one no flag does.
QString rolePattern(bool asked) {
    return asked ? QStringLiteral("Y%") : QStringLiteral("X%");
}

}  // namespace

TFrSearchUnit::TFrSearchUnit(QWidget* parent) : ui::Dialog(parent) {
    setObjectName("FrSearchUnit");
    setWindowTitle("ค้นหาหน่วยนับ");
    setFixedSize(335, 155);
    setKeyPreview(true);

    BtSelected = new ui::BitBtn(ui::BitBtn::Glyph::Ok, "เลือก", this);
    BtSelected->setObjectName("BtSelected");
    BtSelected->setGeometry(8, 2, 100, 27);
    connect(BtSelected, &QPushButton::clicked, this, [this] { setModalResult(ui::mrOk); });

    BtCancel = new ui::BitBtn(ui::BitBtn::Glyph::Cancel, "ไม่เลือก", this);
    BtCancel->setObjectName("BtCancel");
    BtCancel->setGeometry(112, 2, 100, 27);
    connect(BtCancel, &QPushButton::clicked, this, [this] { setModalResult(ui::mrCancel); });

    QSearchUnit = new db::Query("QSearchUnit", "DMDATA",
                                {"SELECT U.UnitName, U.Fraction, U.Barcode", "FROM ProductUnits U",
                                 "Where (U.Product = :GetPart) And",
                                 "  ((U.PurcFlag Like :ForPurc) Or (U.SaleFlag Like :ForSale) Or",
                                 "  (U.StockUnitFlag Like :ForStock) Or (U.SmallUnitFlag Like "
                                 ":ForSmall))",
                                 "Order By U.Fraction", "/* Don't Move SQL Line */", " ", " "},
                                this);
    QSearchUnit->paramByName("GetPart").setType(db::FieldType::Integer);
    for (const char* role : {"ForPurc", "ForSale", "ForStock", "ForSmall"})
        QSearchUnit->paramByName(role).setType(db::FieldType::String);
    DSearchUnit = new db::DataSource(this);
    DSearchUnit->setObjectName("DSearchUnit");
    DSearchUnit->setDataSet(QSearchUnit);

    DgSearch = new ui::DataGrid(this);
    DgSearch->setObjectName("DgSearch");
    DgSearch->setGeometry(0, 155 - 124, 335, 124);
    DgSearch->setRowSelect(true);
    DgSearch->setColumns({{.field = "UnitName", .title = "หน่วยนับ", .width = 107},
                          {.field = "Fraction",
                           .title = "อัตราส่วนหน่วยย่อย",
                           .width = 103,
                           .alignment = Qt::AlignRight},
                          {.field = "Barcode", .title = "", .width = 99}});
    DgSearch->setDataSource(DSearchUnit);
    connect(DgSearch, &ui::DataGrid::dblClick, this, [this] { setModalResult(ui::mrOk); });
}

void TFrSearchUnit::FormShow() {
    if (DmConfig && !DmConfig->ThaiLanguage) {
        setWindowTitle("Search Product Unit");
        BtSelected->setText("Choose");
        BtCancel->setText("Cancel");
        DgSearch->setColumnTitle(0, "Unit Name");
        DgSearch->setColumnTitle(1, "Pack Qnty");
        DgSearch->setColumnTitle(2, "BarCode");
    }
    SelectedUnitName.clear();
    QSearchUnit->close();
    QSearchUnit->paramByName("ForPurc").setAsString(rolePattern(ForPurc));
    QSearchUnit->paramByName("ForSale").setAsString(rolePattern(ForSale));
    QSearchUnit->paramByName("ForStock").setAsString(rolePattern(ForStock));
    QSearchUnit->paramByName("ForSmall").setAsString(rolePattern(ForSmall));
    QSearchUnit->paramByName("GetPart").setAsInteger(ProductId);
    QSearchUnit->open();
    DgSearch->setFocus();
}

// Enter chooses wherever the focus is.
bool TFrSearchUnit::FormKeyDown(QKeyEvent* event) {
    const auto choose = [this] { setModalResult(ui::mrOk); };
    return lookup::searchDialogKey(*this, event, "DGSEARCH", choose, choose);
}

// The query stays open until the next showing.
void TFrSearchUnit::FormClose() {
    if (modalResult() == ui::mrOk && lookup::hasCurrentRow(*QSearchUnit)) {
        SelectedUnitName = QSearchUnit->fieldByName("UnitName").asString();
    } else {
        SelectedUnitName.clear();
        setResult(ui::mrCancel);
    }
}
