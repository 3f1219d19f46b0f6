#include "lookup/Fa_SelectProdAttr.h"

#include <QKeyEvent>
#include <QVBoxLayout>

#include "db/DataSource.h"
#include "db/Query.h"
#include "db/UpdateSql.h"
#include "lookup/Fr_SearchProdAttrCode.h"
#include "ui/DataGrid.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kBeginColumn = 1;
constexpr int kEndColumn = 2;

// The mask of a code field: upper case, one optional letter or digit per character it holds.
QString codeMask(int size) {
    return size > 0 ? ">" + QString(size, 'a') + ";0; " : QString();
}

}  // namespace

QString beginGroupCode(const QString& groupCode, const QString& beginCode) {
    return groupCode.trimmed() + beginCode.trimmed();
}

QString endGroupCode(const QString& groupCode, const QString& endCode) {
    const QString end = endCode.trimmed();
    return groupCode.trimmed() + (end.isEmpty() ? QString(QChar(255)) : end);
}

TFaSelectProdAttr::TFaSelectProdAttr(QWidget* parent) : QFrame(parent) {
    setObjectName("FaSelectProdAttr");
    resize(428, 134);

    QProdAttrGroup = new db::Query(
        "QProdAttrGroup", "DMDATA",
        {"SELECT G.Id, G.Code, G.Description,", "  C.Id BeginAttrId, C.Code BeginAttrCode,",
         "  C.Id EndAttrId, C.Code EndAttrCode,",
         "  LTrim(RTrim(G.Code)) + LTrim(RTrim(C.Code)) BeginGroupCode,",
         "  LTrim(RTrim(G.Code)) + LTrim(RTrim(C.Code)) EndGroupCode", "FROM ProdAttrGroup G",
         "Left Outer Join ProdAttrCode C On (C.ProdAttrGroup = G.Id)  And (C.Id = 0)",
         "Where (G.ProductType = :GetType)", "ORDER By G.Description"},
        this);
    QProdAttrGroup->paramByName("GetType").setAsString("P");
    QProdAttrGroup->setCachedUpdates(true);
    UProdAttrGroup = new db::UpdateSql(this);
    UProdAttrGroup->setObjectName("UProdAttrGroup");
    QProdAttrGroup->setUpdateObject(UProdAttrGroup);
    DProdAttrGroup = new db::DataSource(this);
    DProdAttrGroup->setObjectName("DProdAttrGroup");
    DProdAttrGroup->setDataSet(QProdAttrGroup);

    DgSelectProdAttr = new ui::DataGrid(this);
    DgSelectProdAttr->setObjectName("DgSelectProdAttr");
    DgSelectProdAttr->setEditable(true);
    DgSelectProdAttr->setColumns(
        {{.field = "Description",
          .title = "คุณสมบัติสินค้า",
          .width = 160,
          .alignment = Qt::AlignRight,
          .titleAlignment = Qt::AlignRight,
          .readOnly = true,
          .background = palette().color(QPalette::Button)},
         {.field = "BeginAttrCode", .title = "เริ่มต้น", .width = 120, .ellipsisButton = true},
         {.field = "EndAttrCode", .title = "สิ้นสุด", .width = 120, .ellipsisButton = true}});
    DgSelectProdAttr->setDataSource(DProdAttrGroup);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(DgSelectProdAttr);

    connect(DgSelectProdAttr, &ui::DataGrid::entered, this,
            &TFaSelectProdAttr::DgSelectProdAttrEnter);
    connect(DgSelectProdAttr, &ui::DataGrid::currentColumnChanged, this,
            [this](int previous, int) { DgSelectProdAttrColExit(previous); });
    connect(DgSelectProdAttr, &ui::DataGrid::exited, this,
            [this] { DgSelectProdAttrColExit(DgSelectProdAttr->currentColumn()); });
    connect(DgSelectProdAttr, &ui::DataGrid::editButtonClick, this,
            &TFaSelectProdAttr::DgSelectProdAttrEditButtonClick);
    DgSelectProdAttr->setKeyDownHandler(
        [this](QKeyEvent* event) { return DgSelectProdAttrKeyDown(event); });
}

std::vector<AttrRange> TFaSelectProdAttr::ranges() const {
    std::vector<AttrRange> out;
    if (!QProdAttrGroup->isActive())
        return out;
    const int code = db::columnIndex(QProdAttrGroup->columns(), "Code"_L1);
    const int begin = db::columnIndex(QProdAttrGroup->columns(), "BeginAttrCode"_L1);
    const int end = db::columnIndex(QProdAttrGroup->columns(), "EndAttrCode"_L1);
    for (int row = 0; row < QProdAttrGroup->recordCount(); ++row)
        out.push_back({db::variantToString(QProdAttrGroup->valueAt(row, code)),
                       db::variantToString(QProdAttrGroup->valueAt(row, begin)),
                       db::variantToString(QProdAttrGroup->valueAt(row, end))});
    return out;
}

void TFaSelectProdAttr::DgSelectProdAttrEnter() {
    if (!QProdAttrGroup->isActive())
        return;
    const int begin = db::columnIndex(QProdAttrGroup->columns(), "BeginAttrCode"_L1);
    const QString mask = codeMask(begin < 0 ? 0 : QProdAttrGroup->columns()[begin].size);
    DgSelectProdAttr->setColumnEditMask(kBeginColumn, mask);
    DgSelectProdAttr->setColumnEditMask(kEndColumn, mask);
    DgSelectProdAttr->setCurrentColumn(kBeginColumn);
}

void TFaSelectProdAttr::DgSelectProdAttrColExit(int column) {
    if (column > 0)
        setGroupCodes();
}

void TFaSelectProdAttr::setGroupCodes() {
    if (!QProdAttrGroup->isActive() || QProdAttrGroup->isEmpty())
        return;
    const QString group = QProdAttrGroup->fieldByName("Code").asString();
    QProdAttrGroup->setFieldValue(
        "BeginGroupCode",
        beginGroupCode(group, QProdAttrGroup->fieldByName("BeginAttrCode").asString()));
    QProdAttrGroup->setFieldValue(
        "EndGroupCode", endGroupCode(group, QProdAttrGroup->fieldByName("EndAttrCode").asString()));
}

// Enter walks begin, end, the next row's begin; F5 picks a code. Both only in the code columns.
bool TFaSelectProdAttr::DgSelectProdAttrKeyDown(QKeyEvent* event) {
    const int column = DgSelectProdAttr->currentColumn();
    if (event->key() == Qt::Key_F5) {
        if (column == kBeginColumn || column == kEndColumn)
            DgSelectProdAttrEditButtonClick();
        return true;
    }
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    const int row = DgSelectProdAttr->currentRow();
    if (column == kBeginColumn) {
        DgSelectProdAttr->setCurrentCell(row, kEndColumn);
    } else {
        const int last = QProdAttrGroup->isActive() ? QProdAttrGroup->recordCount() - 1 : 0;
        DgSelectProdAttr->setCurrentCell(std::min(row + 1, last), kBeginColumn);
    }
    return true;
}

void TFaSelectProdAttr::DgSelectProdAttrEditButtonClick() {
    if (!QProdAttrGroup->isActive() || QProdAttrGroup->isEmpty())
        return;
    const QString field = DgSelectProdAttr->fieldName(DgSelectProdAttr->currentColumn());
    TFrSearchProdAttrCode search(window());
    search.ProdAttrGroupId = static_cast<int>(QProdAttrGroup->fieldByName("Id").asInteger());
    if (search.showModal() == ui::mrOk)
        QProdAttrGroup->setFieldValue(field, search.SelectedCode);
}
