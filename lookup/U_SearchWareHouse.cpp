#include "lookup/U_SearchWareHouse.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "db/DataSource.h"
#include "db/Query.h"
#include "lookup/SqlText.h"
#include "ui/BitBtn.h"
#include "ui/DataGrid.h"

TF_SearchWareHouse* F_SearchWareHouse = nullptr;

TF_SearchWareHouse::TF_SearchWareHouse(QWidget* parent) : ui::Dialog(parent) {
    setObjectName("F_SearchWareHouse");
    setWindowTitle("ค้นหาคลังสินค้า");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(522, 273);

    DisplayGrid = new ui::DataGrid(this);
    DisplayGrid->setObjectName("DisplayGrid");
    DisplayGrid->setGeometry(0, 273 - 239, 522, 239);
    DisplayGrid->setRowSelect(true);
    DisplayGrid->setColumns({{.field = "code", .title = "รหัส", .width = 109},
                             {.field = "name", .title = "รายละเอียด", .width = 340}});

    Bok = new ui::BitBtn(ui::BitBtn::Glyph::Ok, "เลือก", this);
    Bok->setObjectName("Bok");
    Bok->setGeometry(334, 3, 90, 27);
    BCancel = new ui::BitBtn(ui::BitBtn::Glyph::Cancel, "ไม่เลือก", this);
    BCancel->setObjectName("BCancel");
    BCancel->setGeometry(428, 3, 90, 27);

    Label1 = new QLabel("ค้นหา รหัสหรือชื่อ", this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(6, 3, 100, 27);
    SearchText = new QLineEdit(this);
    SearchText->setObjectName("SearchText");
    SearchText->setGeometry(108, 4, 150, 25);
    BSearch = new QPushButton("ค้นหา", this);
    BSearch->setObjectName("BSearch");
    BSearch->setGeometry(262, 3, 66, 27);
    BSearch->setAutoDefault(false);
    setTabOrder(DisplayGrid, Bok);
    setTabOrder(Bok, BCancel);
    setTabOrder(BCancel, SearchText);
    setTabOrder(SearchText, BSearch);

    QSearch = new db::Query("QSearch", "DMDATA",
                            {"select code,name", "from warehouse", "order by code"}, this);
    DSearch = new db::DataSource(this);
    DSearch->setObjectName("DSearch");
    DSearch->setDataSet(QSearch);
    DisplayGrid->setDataSource(DSearch);

    connect(Bok, &QPushButton::clicked, this, [this] { setModalResult(ui::mrOk); });
    connect(BCancel, &QPushButton::clicked, this, [this] { setModalResult(ui::mrCancel); });
    connect(BSearch, &QPushButton::clicked, this, &TF_SearchWareHouse::BSearchClick);
    connect(SearchText, &QLineEdit::returnPressed, this, &TF_SearchWareHouse::BSearchClick);
    connect(DisplayGrid, &ui::DataGrid::dblClick, this, [this] { setModalResult(ui::mrOk); });
    DisplayGrid->setKeyDownHandler([this](QKeyEvent* event) { return DisplayGridKeyDown(event); });
}

// Every showing bears the storage-location title, whatever the language and the mode.
void TF_SearchWareHouse::FormShow() {
    if (DmConfig && !DmConfig->ThaiLanguage) {
        DisplayGrid->setColumnTitle(0, "WH Code");
        DisplayGrid->setColumnTitle(1, "WareHouse Description");
        BSearch->setText("Search");
        Bok->setText("Choose");
        BCancel->setText("Cancel");
    }
    setWindowTitle("ค้นหาตำแหน่งเก็บ");
    BSearchClick();
}

void TF_SearchWareHouse::BSearchClick() {
    QSearch->close();
    bool whereOpen = ActiveOnly;
    if (ActiveOnly) {
        QSearch->setSql({"select code,name from warehouse where Coalesce(blocked,'N') = 'N' "});
        if (LocationMode == 1)
            QSearch->addLine(" and  (Coalesce(IsLocation,'N')='N') ");
        else if (LocationMode == 2)
            QSearch->addLine(" and  (Coalesce(IsLocation,'N')='Y') ");
    } else {
        QSearch->setSql({"select code,name from warehouse "});
        if (LocationMode == 1)
            QSearch->addLine(" where (Coalesce(IsLocation,'N')='N') ");
        else if (LocationMode == 2)
            QSearch->addLine(" where (Coalesce(IsLocation,'N')='Y') ");
        whereOpen = LocationMode == 1 || LocationMode == 2;
    }
    const QString text = SearchText->text().trimmed();
    if (!text.isEmpty()) {
        const QString pattern = lookup::likeLiteralText(text);
        QSearch->addLine(QString(whereOpen ? " and" : " where") + " ( (code like '%" + pattern +
                         "%')" + " or " + "      (name like '%" + pattern + "%') ) ");
        whereOpen = true;
    }
    if (ActiveOnly && DM->ConfigField("CheckUserWarehouseFlag").asString() == "Y")
        QSearch->addLine(" And Id In (Select Warehouse From UserWarehouse Where UserName = " +
                         QString::number(DmConfig ? DmConfig->UserId : 0) + " )");
    if (!IncludeDummy)
        QSearch->addLine(QString(whereOpen ? " And" : " Where") +
                         " (WareGroup Not In (Select Id From Misc Where Code = 'DUMMY') )");
    QSearch->addLine(" order by code ");
    QSearch->open();
    DisplayGrid->setFocus();
}

bool TF_SearchWareHouse::DisplayGridKeyDown(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        setModalResult(ui::mrOk);
        return true;
    }
    if (event->key() == Qt::Key_Escape) {
        setModalResult(ui::mrCancel);
        return true;
    }
    return false;
}

void TF_SearchWareHouse::FormClose() {
    if (modalResult() == ui::mrOk && QSearch->isActive())
        SelectedCode = QSearch->isEmpty() ? QString() : QSearch->fieldByName("code").asString();
    else
        SelectedCode.clear();
    QSearch->close();
}
