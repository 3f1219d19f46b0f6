#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "EngineFixture.h"
#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "db/Connection.h"
#include "db/DataSource.h"
#include "db/Query.h"
#include "dbcore/Error.h"
#include "ui/DataGrid.h"

namespace {

// A grid over a query of the test company's table Item (Id, Code, Name, Qty) with `count` rows.
class DataGridTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        connection = std::make_unique<db::Connection>("GRIDDB");
        connection->params().add(QString(db::kServerName) + "=" + server());
        connection->params().add(QString(db::kDatabaseName) + "=" + kCompany);
        query = new db::Query("QItems", "GRIDDB",
                              {"SELECT Id, Code, Name, Qty FROM Item ORDER BY Id"}, &grid);
        source = new db::DataSource(&grid);
        source->setDataSet(query);
        grid.setDataSource(source);
        grid.setColumns({{.field = "CODE", .title = "รหัส", .width = 90},
                         {.field = "Name", .title = "", .width = 150},
                         {.field = "Missing", .title = "ไม่มี"},
                         {.field = "Qty", .title = "จำนวน", .visible = false}});
        grid.resize(400, 300);
    }
    void fill(int count) {
        runScript(kCompany, QString(R"(
CREATE TABLE Item (Id int NOT NULL, Code varchar(10), Name nvarchar(60), Qty int)
GO
DECLARE @i int = 1
WHILE @i <= %1
BEGIN
    INSERT INTO Item VALUES (@i, 'C' + CAST(@i AS varchar(10)), N'สินค้า ' + CAST(@i AS varchar(10)), @i * 2)
    SET @i = @i + 1
END
)")
                                .arg(count));
    }
    QString cell(int row, int column) { return grid.model()->index(row, column).data().toString(); }

    std::unique_ptr<db::Connection> connection;
    ui::DataGrid grid;
    db::Query* query;
    db::DataSource* source;
};

TEST_F(DataGridTest, ColumnsShowTheirFieldsUnderTheirTitles) {
    fill(3);
    query->open();
    ASSERT_EQ(grid.model()->columnCount(), 4);
    EXPECT_EQ(grid.columnTitle(0), "รหัส");
    EXPECT_EQ(grid.columnTitle(1), "Name");  // no title: the field name
    EXPECT_EQ(grid.columnWidth(0), 90);
    EXPECT_EQ(grid.columnWidth(1), 150);
    EXPECT_TRUE(grid.isColumnHidden(3));
    EXPECT_EQ(cell(1, 0), "C2");
    EXPECT_EQ(cell(1, 1), "สินค้า 2");
    EXPECT_EQ(cell(1, 2), "");  // a field the rows lack stays empty
    EXPECT_EQ(cell(1, 3), "4");

    grid.setColumnTitle(0, "Code");
    EXPECT_EQ(grid.columnTitle(0), "Code");
    query->close();
    EXPECT_EQ(grid.model()->rowCount(), 0);
    EXPECT_EQ(grid.columnTitle(0), "Code");  // the titles stay on an empty grid
}

TEST_F(DataGridTest, ANarrowColumnWidensSoThatItsTitleAndFirstRowsShowWhole) {
    fill(3);
    runScript(kCompany, "UPDATE Item SET Name = N'สินค้าที่ชื่อยาวกว่าหัวคอลัมน์มาก' WHERE Id = 2");
    grid.setColumns({{.field = "Code", .title = "รหัสสินค้าที่ยาวมาก", .width = 10},
                     {.field = "Name", .title = "ชื่อ", .width = 10},
                     {.field = "Qty", .title = "จำนวน", .width = 300}});
    query->open();
    const QFontMetrics metrics(grid.horizontalHeader()->font());
    EXPECT_GT(grid.columnWidth(0), metrics.horizontalAdvance("รหัสสินค้าที่ยาวมาก"));
    EXPECT_GT(grid.columnWidth(1), grid.fontMetrics().horizontalAdvance("สินค้าที่ชื่อยาวกว่าหัวคอลัมน์มาก"));
    EXPECT_EQ(grid.columnWidth(2), 300);  // wide enough as designed

    grid.setColumnTitle(2, "A title far wider than three hundred pixels, in any font at all");
    EXPECT_GT(grid.columnWidth(2), 300);
}

TEST_F(DataGridTest, TitleClicksNameTheFieldOnlyWithTitleButtons) {
    fill(2);
    query->open();
    grid.show();
    QSignalSpy clicks(&grid, &ui::DataGrid::titleClicked);
    QHeaderView* header = grid.horizontalHeader();
    const QPoint second(header->sectionViewportPosition(1) + 5, 5);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(clicks.count(), 0);

    grid.setTitleButtons(true);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, second);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.takeFirst().at(0).toString(), "Name");
}

TEST_F(DataGridTest, CurrentRowAndQueryRecordFollowEachOther) {
    fill(5);
    grid.setRowSelect(true);
    query->open();
    grid.show();
    EXPECT_EQ(grid.currentRow(), 0);

    const QRect third = grid.visualRect(grid.model()->index(2, 1));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, third.center());
    EXPECT_EQ(query->recNo(), 2);
    EXPECT_EQ(query->fieldByName("Code").asString(), "C3");
    EXPECT_EQ(grid.currentColumn(), 1);
    EXPECT_TRUE(grid.selectionModel()->isRowSelected(2, {}));  // the whole row

    query->last();
    EXPECT_EQ(grid.currentRow(), 4);

    QSignalSpy doubleClicks(&grid, &ui::DataGrid::dblClick);
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, third.center());
    EXPECT_EQ(doubleClicks.count(), 1);
}

TEST_F(DataGridTest, SelectionShowsWithoutFocus) {
    const QPalette p = grid.palette();
    EXPECT_EQ(p.color(QPalette::Inactive, QPalette::Highlight),
              p.color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(p.color(QPalette::Inactive, QPalette::HighlightedText),
              p.color(QPalette::Active, QPalette::HighlightedText));
}

TEST_F(DataGridTest, ALongResultIsHandedToTheViewAsItScrolls) {
    fill(1000);
    query->open();
    grid.show();
    EXPECT_EQ(query->recordCount(), 1000);
    EXPECT_EQ(grid.shownRowCount(), 200);

    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    QTest::qWait(10);
    EXPECT_GE(grid.shownRowCount(), 400);

    query->setRecNo(899);  // a record far below is fetched to become current
    EXPECT_EQ(grid.currentRow(), 899);
    EXPECT_EQ(grid.shownRowCount(), 1000);
    EXPECT_EQ(cell(899, 0), "C900");
}

// 100,000 rows open with only the pages the grid shows read from the engine: the last row
// divides by zero, so reading the whole result would fail on opening; it fails only once the
// rest is asked for.
TEST_F(DataGridTest, AHundredThousandRowsOpenWithOnlyTheFirstPagesRead) {
    runScript(kCompany, R"(
CREATE TABLE Digit (D int)
GO
INSERT INTO Digit VALUES (0),(1),(2),(3),(4),(5),(6),(7),(8),(9)
CREATE TABLE Item (Id int NOT NULL, Code varchar(10), Name nvarchar(60), Qty int)
GO
INSERT INTO Item (Id) SELECT 1 + a.D + 10 * b.D + 100 * c.D + 1000 * d.D + 10000 * e.D
FROM Digit a, Digit b, Digit c, Digit d, Digit e
UPDATE Item SET Code = 'C' + CAST(Id AS varchar(10))
)");
    query->setSql({"SELECT Id, Code, Name, 10 / (100000 - Id) AS Qty FROM Item"});
    query->open();
    grid.show();
    QTest::qWait(10);
    EXPECT_EQ(cell(0, 0), "C1");
    EXPECT_LE(query->fetchedCount(), 2 * db::Query::kPageRows);
    EXPECT_TRUE(query->canFetchMore());

    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    QTest::qWait(10);
    EXPECT_GT(grid.shownRowCount(), 200) << "scrolling fetches the next page";
    EXPECT_LT(query->fetchedCount(), 1000);
    EXPECT_THROW(query->last(), db::Error) << "the last row is computed when it is read";
}

TEST_F(DataGridTest, EditsGoIntoTheCacheThroughTheColumnMask) {
    fill(2);
    query->setCachedUpdates(true);
    grid.setEditable(true);
    auto columns = grid.columns();
    columns[0].editMask = ">aaa;0; ";
    columns[1].readOnly = true;
    grid.setColumns(columns);
    query->open();
    grid.show();
    grid.setFocus();
    grid.setCurrentCell(1, 0);
    QLineEdit* editor = grid.cellEditor();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "x9yz");
    EXPECT_EQ(editor->text(), "X9Y");
    grid.setCurrentCell(0, 0);  // moving on writes the edit back
    EXPECT_EQ(query->valueAt(1, 1).toString(), "X9Y");
    EXPECT_EQ(query->recNo(), 0);

    grid.setCurrentCell(0, 1);  // a read-only column opens no editor
    EXPECT_EQ(grid.cellEditor(), nullptr);
}

}  // namespace
