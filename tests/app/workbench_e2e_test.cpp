// voq-workbench on the demo, started as the suite's menu starts a program and used with keys on
// an X server with a window manager: each lookup dialog opens with its key, searches, and the
// value chosen comes back into the document line, which the window reports on standard output.
// With VOQ_SCREENSHOT_DIR set, every dialog is saved there with its rows, and the window at the
// end.

#include <QDir>
#include <QRegularExpression>
#include <QThread>

#include "ProgramHarness.h"

namespace {

const QString kTitle = "บรรทัดเอกสาร (ทดสอบบริการสินค้า)";

class WorkbenchEndToEnd : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        program = QStringLiteral(VOQ_WORKBENCH_EXE);
    }

    // What the window has reported so far.
    QString reports() {
        process.waitForReadyRead(100);
        out += QString::fromUtf8(process.readAllStandardOutput());
        return out;
    }
    // Waits until the latest report holds `line`.
    bool reported(const QString& line) {
        return waitUntil([&] { return reports().section("--\n", -1).contains(line); }, 8000);
    }

    // Waits for the dialog, gives it time to fill, saves it when asked to.
    QString dialog(const QString& title, const QString& shot) {
        const auto w = x11::waitForWindow(pid(), "^" + QRegularExpression::escape(title) + "$");
        EXPECT_TRUE(w) << title.toStdString() << " did not open";
        if (!w)
            return {};
        QThread::msleep(300);
        save(*w, shot);
        return *w;
    }
    void save(const QString& window, const QString& name) {
        const QString shots = qEnvironmentVariable("VOQ_SCREENSHOT_DIR");
        if (!shots.isEmpty())
            x11::screenshot(window, QDir(shots).filePath(name + ".png"));
    }
    void dialogGone(const QString& window) {
        EXPECT_TRUE(waitUntil([&] { return !x11::windows(pid()).contains(window); }, 5000));
    }

    QString out;
};

TEST_F(WorkbenchEndToEnd, EveryLookupOpensWithItsKeyAndFillsTheLine) {
    WindowManager openbox;
    start({"601", "1", "DEMO"}, Platform::X11);
    x11::parkPointer();
    const auto main = x11::waitForWindow(pid(), QRegularExpression::escape(kTitle), 20000);
    ASSERT_TRUE(main) << errorOutput().toStdString();

    // Product search: the code prefix, and from the brand row of the attribute frame F5 opens
    // the attribute code search, where Enter lists the brands and Enter chooses the second (02);
    // the search button lists the products of brands 02 and up, Enter in the list chooses.
    x11::keys(*main, {"F2"});
    QString w = dialog("ค้นหา สินค้า", "product-search-empty");
    x11::keys(w, {"shift+Tab", "shift+Tab", "P", "0", "0", "shift+Tab", "F5"});
    const QString codes = dialog("ค้นหาคุณสมบัติสินค้า", "attribute-code-search");
    x11::keys(codes, {"Return", "Down", "Return"});
    dialogGone(codes);
    x11::click(w, QPoint(601 - 90 + 45, 23));
    QThread::msleep(500);
    save(w, "product-search");
    x11::keys(w, {"Return"});
    dialogGone(w);
    EXPECT_TRUE(reported("สินค้า: P002 บะหมี่กึ่งสำเร็จรูป รสต้มยำกุ้ง"));

    // Barcode search from the same field: a barcode prefix, the second row.
    x11::keys(*main, {"F4"});
    w = dialog("ค้นหา Barcode สินค้า", "barcode-search-empty");
    x11::keys(w, {"Tab", "8", "8", "5", "0", "5", "5", "5", "Return"});
    QThread::msleep(500);
    save(w, "barcode-search");
    x11::keys(w, {"Down", "Return"});
    dialogGone(w);
    EXPECT_TRUE(reported("Barcode 8850555000024: หน่วย กล่อง"));
    EXPECT_TRUE(reported("สินค้า: P007 กาแฟคั่วบด 250 กรัม"));

    // Unit search for the product: its purchase units.
    x11::keys(*main, {"Return", "F2"});
    w = dialog("ค้นหาหน่วยนับ", "unit-search");
    x11::keys(w, {"Return"});
    dialogGone(w);
    EXPECT_TRUE(reported("หน่วยนับ: กล่อง = 20 หน่วยย่อย"));

    // Warehouse search: filled as it opens with every warehouse; Down to the first one the
    // user may use (the demo restricts users to their own warehouses).
    const QStringList listed = rows("DEMO",
                                    "SELECT Code FROM Warehouse WHERE WareGroup NOT IN "
                                    "(SELECT Id FROM Misc WHERE Code = 'DUMMY') ORDER BY Code");
    const QString own = rows("DEMO",
                             "SELECT TOP 1 Code + '|' + Name FROM Warehouse WHERE Id IN "
                             "(SELECT Warehouse FROM UserWarehouse WHERE UserName = 1) "
                             "ORDER BY Code")
                            .value(0);
    ASSERT_TRUE(listed.contains(own.section('|', 0, 0))) << own.toStdString();
    x11::keys(*main, {"Return", "F2"});
    w = dialog("ค้นหาตำแหน่งเก็บ", "warehouse-search");
    x11::keys(w, QStringList(listed.indexOf(own.section('|', 0, 0)), "Down") << "Return");
    dialogGone(w);
    EXPECT_TRUE(reported("คลังสินค้า: " + own.section('|', 0, 0) + " " + own.section('|', 1)));

    // Lot search: Enter searches every lot, Enter in the list chooses the first.
    x11::keys(*main, {"Return", "F2"});
    w = dialog("ค้นหา Lot No.", "lot-search-empty");
    x11::keys(w, {"Return"});
    QThread::msleep(500);
    save(w, "lot-search");
    x11::keys(w, {"Return"});
    dialogGone(w);
    const QString firstLot = rows("DEMO", "SELECT TOP 1 Code FROM LotNo ORDER BY Code").value(0);
    EXPECT_TRUE(reported("Lot No.: " + firstLot));
    EXPECT_TRUE(reported("ราคาขาย: "));
    save(*main, "workbench");

    x11::keys(*main, {"Escape"});
    const Outcome end = finish();
    EXPECT_TRUE(end.finished);
    EXPECT_EQ(end.exitCode, 0) << end.err.toStdString();
}

TEST_F(WorkbenchEndToEnd, AUserWithoutTheRightGetsNoWindow) {
    const Outcome end = run({"601", "2", "DEMO"});
    EXPECT_TRUE(end.finished);
    EXPECT_EQ(end.exitCode, 0);
}

}  // namespace
