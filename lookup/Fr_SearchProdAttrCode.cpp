#include "lookup/Fr_SearchProdAttrCode.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>

#include "db/DataSource.h"
#include "db/Query.h"
#include "lookup/SearchKeys.h"
#include "lookup/SqlText.h"
#include "ui/BitBtn.h"
#include "ui/DataGrid.h"
#include "ui/Edit.h"

TFrSearchProdAttrCode::TFrSearchProdAttrCode(QWidget* parent) : ui::Dialog(parent) {
    setObjectName("FrSearchProdAttrCode");
    setWindowTitle("ค้นหาคุณสมบัติสินค้า");
    setFixedSize(410, 306);
    setKeyPreview(true);

    Label1 = new QLabel("รายละเอียด", this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(8, 4, 70, 24);
    Description = new ui::Edit(this);
    Description->setObjectName("Description");
    Description->setGeometry(80, 4, 286, 24);
    FullWord = new QCheckBox("หาเต็มคำ", this);
    FullWord->setObjectName("FullWord");
    FullWord->setGeometry(80, 30, 100, 24);
    BtOk = new ui::BitBtn(ui::BitBtn::Glyph::Ok, "เลือก", this);
    BtOk->setObjectName("BtOk");
    BtOk->setGeometry(190, 30, 100, 26);
    BtCancel = new ui::BitBtn(ui::BitBtn::Glyph::Cancel, "ไม่เลือก", this);
    BtCancel->setObjectName("BtCancel");
    BtCancel->setGeometry(296, 30, 100, 26);

    QSearch = new db::Query("QSearch", "DMDATA", {"/* Assigned from Code at Runtime */"}, this);
    DSearch = new db::DataSource(this);
    DSearch->setObjectName("DSearch");
    DSearch->setDataSet(QSearch);
    ListData = new ui::DataGrid(this);
    ListData->setObjectName("ListData");
    ListData->setGeometry(0, 306 - 248, 410, 248);
    ListData->setRowSelect(true);
    ListData->setColumns({{.field = "DESCRIPTION", .title = "รายละเอียด", .width = 306},
                          {.field = "CODE", .title = "รหัส", .width = 78}});
    ListData->setDataSource(DSearch);
    setTabOrder(Description, FullWord);

    connect(BtOk, &QPushButton::clicked, this, [this] { setModalResult(ui::mrOk); });
    connect(BtCancel, &QPushButton::clicked, this, [this] { setModalResult(ui::mrCancel); });
    connect(ListData, &ui::DataGrid::dblClick, this, [this] { setModalResult(ui::mrOk); });
}

void TFrSearchProdAttrCode::FormShow() {
    FullWord->setChecked(false);
    Description->clear();
    QSearch->close();
    RunSQL();
    Description->setFocus();
}

void TFrSearchProdAttrCode::RunSQL() {
    QSearch->close();
    QStringList lines{"Select Id,Code,Description From ProdAttrCode",
                      "Where ProdAttrGroup = " + QString::number(ProdAttrGroupId)};
    const QString text = Description->text().trimmed();
    if (!text.isEmpty()) {
        if (FullWord->isChecked())
            lines << "And Description = '" + lookup::literalText(text) + "'";
        else
            lines << "And Description Like '%" + lookup::likeLiteralText(text) + "%'";
    }
    QSearch->setSql(lines);
    QSearch->open();
    if (!QSearch->isEmpty())
        ListData->setFocus();
}

bool TFrSearchProdAttrCode::FormKeyDown(QKeyEvent* event) {
    return lookup::searchDialogKey(
        *this, event, "LISTDATA", [this] { setModalResult(ui::mrOk); }, [this] { RunSQL(); });
}

void TFrSearchProdAttrCode::FormClose() {
    if (modalResult() == ui::mrOk && lookup::hasCurrentRow(*QSearch))
        SelectedCode = QSearch->fieldByName("Code").asString();
    else
        SelectedCode.clear();
    QSearch->close();
}
