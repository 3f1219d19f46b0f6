// The recalculation windows of the real program, started as the suite's menu starts it and used
// as a user uses them: keys and clicks on an X server, the balances and the activity log it
// writes, the exit question and the exit code. With VOQ_SCREENSHOT_DIR set, each window is saved
// there before and after its run.

#include <QDir>
#include <QRegularExpression>
#include <QThread>
#include <memory>
#include <utility>

#include "ProgramHarness.h"
#include "tsql/Session.h"

namespace {

const QSize kSplash(301, 166);
const QPoint kStartButton(197, 112);  // the middle of BtCalculate
// Window areas, inside the controls whatever the font: the progress line and the start button.
const QRect kProgressLine(22, 84, 300, 14);
const QRect kStartButtonFace(40, 107, 320, 14);

class RecalcEndToEnd : public ProgramTest {
protected:
    // The task window with its caption, once it is the program's only window: the splash goes
    // when the year list has been filled from the server.
    QString openWindow(const QString& caption) {
        x11::parkPointer();
        const auto w = x11::waitForWindow(pid(), caption, 20000, kSplash);
        EXPECT_TRUE(w) << "the task window did not open";
        if (!w)
            return {};
        EXPECT_EQ(x11::title(*w), caption);
        EXPECT_EQ(x11::geometry(*w).size(), QSize(396, 150));
        EXPECT_TRUE(waitUntil([&] { return x11::windows(pid()).size() == 1; }, 5000))
            << "the splash is still shown";
        return *w;
    }

    // A window of the program other than `window`: the exit question.
    QString waitForQuestion(const QString& window) {
        QString box;
        waitUntil(
            [&] {
                for (const QString& w : x11::windows(pid()))
                    if (w != window)
                        box = w;
                return !box.isEmpty();
            },
            5000);
        EXPECT_FALSE(box.isEmpty()) << "no exit question";
        return box;
    }

    static BoxLook exitQuestion(const QString& text) {
        return BoxLook(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No,
                       QMessageBox::Yes, QColor(0x00, 0x80, 0x00), QColor(Qt::white));
    }

    // A run writes its STOP entry just before the window leaves the running state; an exit key
    // in between rightly gets the "still running" message. A running window counts seconds, so
    // a look that holds still for longer than a second is the settled one.
    static void waitUntilSettled(const QString& window) {
        QImage before = x11::grab(window);
        EXPECT_TRUE(waitUntil(
            [&] {
                QThread::msleep(1200);
                const QImage now = x11::grab(window);
                return std::exchange(before, now) == now;
            },
            10000))
            << "the window still changes";
    }

    // Escape, the Thai or English question on green, Return for its default Yes, exit code 0.
    void exitWithYes(const QString& window, const QString& question, const QString& shot,
                     const QStringList& exitKeys = {"Escape"}) {
        waitUntilSettled(window);
        x11::keys(window, exitKeys);
        const QString box = waitForQuestion(window);
        if (box.isEmpty())
            return;
        x11::expectBox(box, exitQuestion(question));
        screenshot(box, shot);
        x11::keys(box, {"Return"});
        const Outcome r = finish();
        ASSERT_TRUE(r.finished) << "the program did not end after Yes";
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "");
    }

    void screenshot(const QString& window, const QString& name) {
        const QString to = qEnvironmentVariable("VOQ_SCREENSHOT_DIR");
        if (to.isEmpty())
            return;
        QDir().mkpath(to);
        EXPECT_TRUE(x11::screenshot(window, QDir(to).filePath(name + ".png")));
    }

    // One year's balance rows of a table, in key order.
    QStringList balances(const QString& table, const QString& columns, int year) const {
        return rows("DEMO", QStringLiteral("SELECT %1 FROM %2 WHERE BalanceYear = %3 ORDER BY %1")
                                .arg(columns, table)
                                .arg(year));
    }
    // Count and sum of every year's rows.
    QStringList years(const QString& table, const QString& amount) const {
        return rows("DEMO", QStringLiteral("SELECT BalanceYear, Count(*), Sum(%1) FROM %2 GROUP BY "
                                           "BalanceYear ORDER BY BalanceYear")
                                .arg(amount, table));
    }
    QStringList activity() const {
        return rows("DEMO",
                    "SELECT UserId, MenuId, FunctionListId, DocumentId, Remark, TableName, "
                    "FieldName, Detail, TabName FROM UserLog ORDER BY Id");
    }
};

const char* kStock = "Product, ProductUnits, Warehouse, Quantity";
const char* kStart = "1|503|1|0| เริ่ม คำนวน สินค้าคงเหลือ ||||";
const QRegularExpression kStop(
    QStringLiteral("^1\\|503\\|1\\|0\\| เสร็จ   คำนวนสินค้าคงเหลือ เรียบร้อย ใช้เวลา \\d+ วินาที "
                   "\\|\\|\\|\\|$"));

}  // namespace

TEST_F(RecalcEndToEnd, StockOfTheYearPickedWithKeysThenAgainWithAClick) {
    const QStringList expected = balances("ProductOnHand", kStock, 2023);
    ASSERT_FALSE(expected.isEmpty()) << "the demo has stock balances for 2023";
    const QStringList allYears = years("ProductOnHand", "Quantity");
    ASSERT_EQ(allYears.size(), 6) << "2019 to 2024";
    exec("DEMO", "DELETE FROM ProductOnHand WHERE BalanceYear = 2023");

    start({"503", "1", "DEMO", "x", "3"}, Platform::X11);
    const QString w = openWindow("คำนวน สินค้าคงเหลือ");
    ASSERT_FALSE(w.isEmpty());
    screenshot(w, "onhand-before");

    // The list offers 2019 to 2024 with 2024 chosen: Up picks 2023, Enter moves to the start
    // button, Space presses it.
    x11::keys(w, {"Up", "Return", "space"});
    ASSERT_TRUE(waitUntil([&] { return activity().size() == 2; }, 30000))
        << "no START and STOP entries: " << activity().join(" / ").toStdString();
    QStringList log = activity();
    EXPECT_EQ(log[0], kStart);
    EXPECT_TRUE(kStop.match(log[1]).hasMatch()) << log[1].toStdString();
    EXPECT_EQ(balances("ProductOnHand", kStock, 2023), expected);
    EXPECT_EQ(years("ProductOnHand", "Quantity"), allYears);
    QThread::msleep(500);
    screenshot(w, "onhand-after");

    // The year stays chosen after a run; a click on the start button runs it again.
    exec("DEMO", "DELETE FROM ProductOnHand WHERE BalanceYear = 2023");
    x11::click(w, kStartButton);
    ASSERT_TRUE(waitUntil([&] { return activity().size() == 4; }, 30000))
        << "the click started no run: " << activity().join(" / ").toStdString();
    log = activity();
    EXPECT_EQ(log[2], kStart);
    EXPECT_TRUE(kStop.match(log[3]).hasMatch()) << log[3].toStdString();
    EXPECT_EQ(balances("ProductOnHand", kStock, 2023), expected);
    EXPECT_EQ(years("ProductOnHand", "Quantity"), allYears);

    // F3 builds the list again with the current year chosen; Home picks its first year, 2019.
    const QStringList first = balances("ProductOnHand", kStock, 2019);
    ASSERT_FALSE(first.isEmpty());
    exec("DEMO", "DELETE FROM ProductOnHand WHERE BalanceYear = 2019");
    x11::keys(w, {"F3", "Home", "Return", "space"});
    ASSERT_TRUE(waitUntil([&] { return activity().size() == 6; }, 30000))
        << activity().join(" / ").toStdString();
    EXPECT_EQ(balances("ProductOnHand", kStock, 2019), first);
    EXPECT_EQ(years("ProductOnHand", "Quantity"), allYears);

    exitWithYes(w, "ออกจากโปรแกรม ?", "onhand-exit-question");
}

TEST_F(RecalcEndToEnd, EnglishUserRecalculatesPayablesAndAnswersTheExitQuestion) {
    const char* columns = "Vendor, CurrencyId, Amount, MainCurrencyAmount";
    const QStringList expected = balances("VendorBalance", columns, 2024);
    ASSERT_FALSE(expected.isEmpty());
    const QStringList allYears = years("VendorBalance", "Amount");
    exec("DEMO", "DELETE FROM VendorBalance WHERE BalanceYear = 2024");

    start({"501", "3", "DEMO", "x", "1"}, Platform::X11);
    const QString w = openWindow("คำนวนยอดหนี้เจ้าหนี้");
    ASSERT_FALSE(w.isEmpty());
    screenshot(w, "ap-before");
    x11::keys(w, {"Return", "space"});
    ASSERT_TRUE(
        waitUntil([&] { return balances("VendorBalance", columns, 2024) == expected; }, 30000))
        << "the payables of 2024 were not written again";
    EXPECT_EQ(years("VendorBalance", "Amount"), allYears);
    EXPECT_EQ(activity(), QStringList{}) << "only the stock window writes the activity log";
    QThread::msleep(500);
    screenshot(w, "ap-after");

    // No keeps the window open as it was.
    x11::keys(w, {"Escape"});
    const QString box = waitForQuestion(w);
    ASSERT_FALSE(box.isEmpty());
    x11::expectBox(box, exitQuestion("Exit Program ?"));
    x11::keys(box, {"Escape"});
    EXPECT_TRUE(waitUntil([&] { return x11::windows(pid()) == QStringList{w}; }, 5000));
    QThread::msleep(300);
    EXPECT_EQ(process.state(), QProcess::Running);
    EXPECT_EQ(x11::windows(pid()), QStringList{w});

    exitWithYes(w, "Exit Program ?", "ap-exit-question");
}

TEST_F(RecalcEndToEnd, ReceivablesRunFromAClickAndEndWithCtrlX) {
    const char* columns = "Customer, CurrencyId, Amount, MainCurrencyAmount";
    const QStringList expected = balances("CustomerBalance", columns, 2024);
    ASSERT_FALSE(expected.isEmpty());
    const QStringList allYears = years("CustomerBalance", "Amount");
    exec("DEMO", "DELETE FROM CustomerBalance WHERE BalanceYear = 2024");

    start({"502", "1", "DEMO", "anything", "2"}, Platform::X11);
    const QString w = openWindow("คำนวนยอดหนี้ลูกหนี้");
    ASSERT_FALSE(w.isEmpty());
    screenshot(w, "ar-before");
    x11::click(w, kStartButton);
    ASSERT_TRUE(
        waitUntil([&] { return balances("CustomerBalance", columns, 2024) == expected; }, 30000))
        << "the receivables of 2024 were not written again";
    EXPECT_EQ(years("CustomerBalance", "Amount"), allYears);
    QThread::msleep(500);
    screenshot(w, "ar-after");

    // A double click on the status bar shows the statement with its marker, not the year.
    x11::xdotool(
        {"mousemove", "--window", w, "100", "141", "click", "--repeat", "2", "--delay", "50", "1"});
    const QString statement = waitForQuestion(w);
    ASSERT_FALSE(statement.isEmpty());
    x11::expectBox(statement,
                   BoxLook(QMessageBox::NoIcon, "Exec Calculate_AR :YearNo\n", QMessageBox::Ok));
    x11::keys(statement, {"Return"});
    EXPECT_TRUE(waitUntil([&] { return x11::windows(pid()) == QStringList{w}; }, 5000));

    exitWithYes(w, "ออกจากโปรแกรม ?", "ar-exit-question", {"ctrl+x"});
}

TEST_F(RecalcEndToEnd, LongStockRunCountsItsSecondsAndTheWindowWaitsForIt) {
    // The procedure runs until the test releases it.
    exec("DEMO", "CREATE TABLE E2eGate (Released int)");
    exec("DEMO", "DROP PROCEDURE Calculate_OnHand");
    exec("DEMO", R"(CREATE PROCEDURE Calculate_OnHand @YearNo int AS
BEGIN
    DECLARE @n int
    SET @n = 0
    WHILE @n < 1
        SELECT @n = Count(*) FROM E2eGate
END)");
    start({"503", "1", "DEMO", "x", "3"}, Platform::X11);
    const QString w = openWindow("คำนวน สินค้าคงเหลือ");
    ASSERT_FALSE(w.isEmpty());
    x11::keys(w, {"Return", "space"});
    ASSERT_TRUE(waitUntil([&] { return activity().size() == 1; }, 10000));
    QThread::msleep(2500);
    screenshot(w, "onhand-running");

    // Escape while it runs: the window stays, with a message instead of the exit question.
    x11::keys(w, {"Escape"});
    const QString box = waitForQuestion(w);
    ASSERT_FALSE(box.isEmpty());
    x11::expectBox(box, BoxLook(QMessageBox::NoIcon, "กำลังคำนวนอยู่ กรุณารอให้เสร็จก่อนออกจากโปรแกรม",
                                QMessageBox::Ok));
    x11::keys(box, {"Return"});
    EXPECT_TRUE(waitUntil([&] { return x11::windows(pid()) == QStringList{w}; }, 5000));
    EXPECT_EQ(activity().size(), 1) << "still running";

    exec("DEMO", "INSERT INTO E2eGate VALUES (1)");
    ASSERT_TRUE(waitUntil([&] { return activity().size() == 2; }, 10000));
    const QRegularExpressionMatch stop = kStop.match(activity()[1]);
    ASSERT_TRUE(stop.hasMatch()) << activity()[1].toStdString();
    const int seconds =
        QRegularExpression(QStringLiteral("(\\d+) วินาที")).match(activity()[1]).captured(1).toInt();
    EXPECT_GE(seconds, 2) << "the seconds that passed while the procedure ran";
    EXPECT_LE(seconds, 30);

    exitWithYes(w, "ออกจากโปรแกรม ?", "onhand-exit-after-long-run");
}

TEST_F(RecalcEndToEnd, PressesWhileAnotherUserHoldsTheWriteLockMakeOneRunThatShowsItIsRunning) {
    start({"503", "1", "DEMO", "x", "3"}, Platform::X11);
    const QString w = openWindow("คำนวน สินค้าคงเหลือ");
    ASSERT_FALSE(w.isEmpty());
    const QImage ready = x11::grab(w);

    // Another user's open transaction holds the company database's write lock, so the START
    // entry waits for it.
    auto otherUser = std::make_unique<tsql::Session>(serverDir(), "DEMO");
    otherUser->beginTransaction();
    otherUser->execute("UPDATE CalcLock SET LastRun = GetDate() WHERE Name = 'AP'", {});

    // Space twice on the start button, a click on it, F3 (New) and Return while the run waits.
    x11::keys(w, {"Return", "space", "space"});
    x11::click(w, kStartButton);
    x11::keys(w, {"F3", "Return", "space"});
    QThread::msleep(1500);
    const QImage waiting = x11::grab(w);
    QThread::msleep(1200);
    const QImage later = x11::grab(w);
    screenshot(w, "onhand-waiting-for-the-lock");
    EXPECT_TRUE(activity().isEmpty()) << "the START entry waits for the lock";
    EXPECT_NE(waiting.copy(kProgressLine), ready.copy(kProgressLine)) << "no running text";
    EXPECT_NE(later.copy(kProgressLine), waiting.copy(kProgressLine)) << "the seconds stand still";
    EXPECT_NE(waiting.copy(kStartButtonFace), ready.copy(kStartButtonFace))
        << "the start button looks as before the press";

    otherUser->rollback();
    otherUser.reset();
    ASSERT_TRUE(waitUntil([&] { return activity().size() >= 2; }, 30000))
        << activity().join(" / ").toStdString();
    QThread::msleep(1500);
    const QStringList log = activity();
    ASSERT_EQ(log.size(), 2) << "one run: " << log.join(" / ").toStdString();
    EXPECT_EQ(log[0], kStart);
    EXPECT_TRUE(kStop.match(log[1]).hasMatch()) << log[1].toStdString();

    exitWithYes(w, "ออกจากโปรแกรม ?", "onhand-exit-after-waiting");
}

TEST_F(RecalcEndToEnd, ToolkitOptionsAsTheUnusedFourthValueChangeNothing) {
    start({"503", "1", "DEMO", "x", "3"}, Platform::X11);
    QString w = openWindow("คำนวน สินค้าคงเหลือ");
    ASSERT_FALSE(w.isEmpty());
    QThread::msleep(300);
    const QImage usual = x11::grab(w);
    exitWithYes(w, "ออกจากโปรแกรม ?", "onhand-exit-question");

    for (const char* option : {"-platform", "-display", "-style", "-reverse"}) {
        SCOPED_TRACE(option);
        start({"503", "1", "DEMO", option, "3"}, Platform::X11);
        w = openWindow("คำนวน สินค้าคงเหลือ");
        ASSERT_FALSE(w.isEmpty());
        QThread::msleep(300);
        EXPECT_EQ(x11::grab(w), usual) << "the window looks different";
        exitWithYes(w, "ออกจากโปรแกรม ?", "onhand-exit-question");
    }
}

TEST_F(RecalcEndToEnd, FailingStockRunShowsNoDialogAndCanBeRunAgain) {
    exec("DEMO", "DROP PROCEDURE Calculate_OnHand");
    exec("DEMO",
         "CREATE PROCEDURE Calculate_OnHand @YearNo int AS "
         "RAISERROR('the stock cannot be recalculated', 16, 1)");
    start({"503", "1", "DEMO", "x", "3"}, Platform::X11);
    const QString w = openWindow("คำนวน สินค้าคงเหลือ");
    ASSERT_FALSE(w.isEmpty());
    x11::keys(w, {"Return", "space"});
    ASSERT_TRUE(waitUntil([&] { return activity().size() == 1; }, 10000));
    QThread::msleep(1000);
    EXPECT_EQ(x11::windows(pid()), QStringList{w}) << "a failed run shows no box";
    EXPECT_EQ(activity(), QStringList{kStart}) << "a failed run has no STOP entry";
    screenshot(w, "onhand-failed");

    x11::click(w, kStartButton);
    ASSERT_TRUE(waitUntil([&] { return activity().size() == 2; }, 10000))
        << "the start button is enabled again after a failure";
    QThread::msleep(500);
    EXPECT_EQ(activity(), (QStringList{kStart, kStart}));
    EXPECT_EQ(x11::windows(pid()), QStringList{w});

    exitWithYes(w, "ออกจากโปรแกรม ?", "onhand-exit-after-failure");
}
