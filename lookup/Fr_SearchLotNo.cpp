#include "lookup/Fr_SearchLotNo.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>

#include "db/DataSource.h"
#include "db/Query.h"
#include "lookup/SearchKeys.h"
#include "lookup/SqlText.h"
#include "ui/BitBtn.h"
#include "ui/DataGrid.h"
#include "ui/DateEdit.h"
#include "ui/Edit.h"

TFrSearchLotNo* FrSearchLotNo = nullptr;
int TFrSearchLotNo::LotSortOrder = 1;

namespace {

constexpr int kNoDateCondition = 3;

// Statement lines the search replaces.
constexpr int kDateLine = 3;
constexpr int kOrderLine = 5;

QLabel* makeLabel(const char* name, const QString& caption, QWidget* parent, QRect where) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(where);
    return label;
}

}  // namespace

TFrSearchLotNo::TFrSearchLotNo(QWidget* parent) : ui::Dialog(parent) {
    setObjectName("FrSearchLotNo");
    setWindowTitle("ค้นหา Lot No.");
    setFixedSize(495, 307);
    setKeyPreview(true);

    Label1 = makeLabel("Label1", "หมายเลข Lot", this, {8, 6, 80, 24});
    Code = new ui::Edit(this);
    Code->setObjectName("Code");
    Code->setGeometry(90, 6, 150, 24);
    Label2 = makeLabel("Label2", "รายละเอียด", this, {8, 34, 80, 24});
    Description = new ui::Edit(this);
    Description->setObjectName("Description");
    Description->setGeometry(90, 34, 250, 24);
    Label3 = makeLabel("Label3", "วันที่หมดอายุ", this, {8, 62, 80, 24});
    DateCondition = new QComboBox(this);
    DateCondition->setObjectName("DateCondition");
    DateCondition->addItems({"<=", "=", ">=", "-"});
    DateCondition->setGeometry(90, 62, 60, 24);
    ExpiredDate = new ui::DateEdit(this);
    ExpiredDate->setObjectName("ExpiredDate");
    ExpiredDate->setGeometry(156, 62, 120, 24);

    BSearch = new ui::BitBtn(ui::BitBtn::Glyph::Search, "ค้นหา", this);
    BSearch->setObjectName("BSearch");
    BSearch->setGeometry(395, 4, 95, 26);
    BtSelect = new ui::BitBtn(ui::BitBtn::Glyph::Ok, "เลือก", this);
    BtSelect->setObjectName("BtSelect");
    BtSelect->setGeometry(395, 32, 95, 26);
    BtCancel = new ui::BitBtn(ui::BitBtn::Glyph::Cancel, "ไม่เลือก", this);
    BtCancel->setObjectName("BtCancel");
    BtCancel->setGeometry(395, 60, 95, 26);

    QSearch = new db::Query(
        "QSearch", "DMDATA",
        {"SELECT Id,Code, Description, ExpiredDate, HasExpired", "FROM LotNo",
         "WHERE (Code Like :GetCode) And ", "/* This Line Reserved for ExpiredDate Condition */",
         "(Description Like :GetDesc)", "Order By Code"},
        this);
    DSearch = new db::DataSource(this);
    DSearch->setObjectName("DSearch");
    DSearch->setDataSet(QSearch);

    DgSearch = new ui::DataGrid(this);
    DgSearch->setObjectName("DgSearch");
    DgSearch->setGeometry(0, 307 - 223, 495, 223);
    DgSearch->setRowSelect(true);
    DgSearch->setTitleButtons(true);
    DgSearch->setColumns({{.field = "Code", .title = "หมายเลข Lot", .width = 90},
                          {.field = "Description", .title = "รายละเอียด", .width = 301},
                          {.field = "ExpiredDate", .title = "วันที่หมดอายุ", .width = 76}});
    DgSearch->setDataSource(DSearch);

    setTabOrder(Code, Description);
    setTabOrder(Description, ExpiredDate);
    setTabOrder(ExpiredDate, BSearch);
    setTabOrder(BSearch, DgSearch);
    setTabOrder(DgSearch, BtSelect);
    setTabOrder(BtSelect, BtCancel);
    setTabOrder(BtCancel, DateCondition);

    connect(DateCondition, &QComboBox::currentIndexChanged, this,
            &TFrSearchLotNo::DateConditionChange);
    connect(BSearch, &QPushButton::clicked, this, &TFrSearchLotNo::BSearchClick);
    connect(BtSelect, &QPushButton::clicked, this, [this] { setModalResult(ui::mrOk); });
    connect(BtCancel, &QPushButton::clicked, this, [this] { setModalResult(ui::mrCancel); });
    connect(DgSearch, &ui::DataGrid::dblClick, this, [this] { setModalResult(ui::mrOk); });
    connect(DgSearch, &ui::DataGrid::titleClicked, this, &TFrSearchLotNo::DgSearchTitleClick);
}

void TFrSearchLotNo::FormShow() {
    DateCondition->setCurrentIndex(kNoDateCondition);
    ExpiredDate->setEnabled(false);
    Code->clear();
    Description->clear();
    LotSortOrder = 1;
    Code->setFocus();
}

void TFrSearchLotNo::DateConditionChange() {
    ExpiredDate->setEnabled(DateCondition->currentIndex() < kNoDateCondition);
}

// The date goes month first into the literal, whatever the display format of dates.
QString TFrSearchLotNo::dateConditionLine() const {
    if (DateCondition->currentIndex() == kNoDateCondition)
        return QString();
    return "((ExpiredDate " + DateCondition->currentText() + "'" +
           ExpiredDate->date().toString("MM/dd/yyyy") + "') Or (HasExpired = 'N')) And ";
}

void TFrSearchLotNo::BSearchClick() {
    QSearch->close();
    QSearch->setLine(kDateLine, dateConditionLine());
    QSearch->paramByName("GetCode").setAsString(lookup::likeText(Code->text()) + "%");
    QSearch->paramByName("GetDesc").setAsString(lookup::likeText(Description->text()) + "%");
    static const char* const orders[] = {"ORDER BY Code", "ORDER BY Description",
                                         "ORDER BY ExpiredDate"};
    QSearch->setLine(kOrderLine, orders[std::clamp(LotSortOrder, 1, 3) - 1]);
    QSearch->open();
    DgSearch->setFocus();
}

// The new order applies from the next search.
void TFrSearchLotNo::DgSearchTitleClick(const QString& fieldName) {
    const QString field = fieldName.toUpper();
    if (field == "CODE")
        LotSortOrder = 1;
    else if (field == "DESCRIPTION")
        LotSortOrder = 2;
    else if (field == "EXPIREDDATE")
        LotSortOrder = 3;
}

bool TFrSearchLotNo::FormKeyDown(QKeyEvent* event) {
    return lookup::searchDialogKey(
        *this, event, "DGSEARCH", [this] { setModalResult(ui::mrOk); }, [this] { BSearchClick(); });
}

void TFrSearchLotNo::FormClose() {
    if (modalResult() == ui::mrOk && lookup::hasCurrentRow(*QSearch)) {
        SelectedLotId = static_cast<int>(QSearch->fieldByName("Id").asInteger());
        SelectedCode = QSearch->fieldByName("Code").asString();
    } else {
        SelectedCode.clear();
    }
    QSearch->close();
}
