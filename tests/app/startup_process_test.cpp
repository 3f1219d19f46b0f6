// Start-up outcomes of the real program: what it shows, its exit code and what it leaves behind.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include "ProgramHarness.h"
#include "app/Fr_FormLogo.h"
#include "tsql/Session.h"
#include "ui/PictureLoader.h"

namespace {

const QSize kSplash(301, 166);

class StartUpProcess : public ProgramTest {
protected:
    // Waits for the plain message box the program ends with (any window but the splash).
    QString waitForBox() {
        x11::parkPointer();
        const auto box = x11::waitForWindow(pid(), {}, 15000, kSplash);
        EXPECT_TRUE(box) << "no message box appeared";
        return box.value_or(QString());
    }
    // Checks that the box shows `text` and answers it with Return.
    void answerBox(const QString& box, const QString& text) {
        if (box.isEmpty())
            return;
        x11::expectBox(box, {QMessageBox::NoIcon, text, QMessageBox::Ok});
        x11::keys(box, {"Return"});
    }
    // The box shows the error message that went to standard error.
    QString answerErrorBox() {
        const QString box = waitForBox();
        QString message = errorOutput();
        if (!message.startsWith("voq-recalc: ") || !message.endsWith('\n')) {
            ADD_FAILURE() << "standard error: " << message.toStdString();
            return message;
        }
        message = message.mid(12).chopped(1);
        answerBox(box, message);
        return message;
    }
};

}  // namespace

TEST_F(StartUpProcess, WithoutParametersEndsAtOnceAndTriesNoConnection) {
    // A connection to this server would create the SQLite file.
    const QString probe = dir.filePath("probe.db");
    writeServerDat(("odbc:Driver=SQLite3;Database=" + probe).toUtf8());
    QElapsedTimer clock;
    clock.start();
    const Outcome r = run({});
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(QFile::exists(probe)) << "no parameters, yet the server was connected to";
}

TEST_F(StartUpProcess, WithParametersTheProbeServerIsConnectedTo) {
    // The counterpart of the case above: the same Server.Dat with a command line is tried, and
    // a server without the configuration database ends the start-up with an error.
    const QString probe = dir.filePath("probe.db");
    writeServerDat(("odbc:Driver=SQLite3;Database=" + probe).toUtf8());
    start({"503", "1", "DEMO", "x", "3"}, Platform::X11);
    EXPECT_EQ(answerErrorBox(), "no such table: SysDatabases (1)");
    const Outcome r = finish();
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(QFile::exists(probe));
}

TEST_F(StartUpProcess, UnknownCompanyShowsItsUpperCasedNameAndEndsWithZero) {
    start({"503", "1", "NoSuch_Co", "x", "3"}, Platform::X11);
    const QString box = waitForBox();
    // The splash stays on the screen behind the box.
    const QStringList splash = x11::windows(pid(), {});
    EXPECT_EQ(splash.size(), 2);
    const QString shots = qEnvironmentVariable("VOQ_SCREENSHOT_DIR");
    for (const QString& w : splash) {
        if (w != box && !shots.isEmpty()) {
            EXPECT_EQ(x11::geometry(w).size(), kSplash);
            x11::xdotool({"windowmove", "--sync", box, "0", "0"});
            EXPECT_TRUE(x11::screenshot(w, shots + "/splash.png"));
        }
    }
    answerBox(box, "Not Found Database : NOSUCH_CO");
    const Outcome r = finish();
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
}

TEST_F(StartUpProcess, SplashIsPaintedUnderAWindowManagerWhileTheConfigurationIsConsulted) {
    WindowManager openbox;
    // Another user's transaction on the configuration database holds up the start-up's
    // schema step.
    tsql::Session otherUser(serverDir(), "VOQ_CONFIG");
    otherUser.beginTransaction();
    start({"503", "1", "DEMO", "x", "3"}, Platform::X11);
    QString splash;
    ASSERT_TRUE(waitUntil(
        [&] {
            for (const QString& w : x11::windows(pid()))
                if (x11::geometry(w).size() == kSplash)
                    splash = w;
            return !splash.isEmpty();
        },
        10000))
        << "no splash";
    QThread::msleep(700);
    const QImage shown = x11::grab(splash);

    ui::JpegFormatRegistration jpeg;
    TFormLogo logo;
    const QImage expected = logo.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (shown != expected) {
        const QString stem = QDir::temp().filePath("voq-splash");
        shown.save(stem + "-shown.png");
        expected.save(stem + "-expected.png");
        ADD_FAILURE() << "the splash is not painted; see " << stem.toStdString()
                      << "-shown.png and -expected.png";
    }
    EXPECT_TRUE(errorOutput().isEmpty()) << "the start-up goes on waiting";

    otherUser.rollback();
    EXPECT_TRUE(x11::waitForWindow(pid(), "คำนวน สินค้าคงเหลือ", 20000, kSplash))
        << "the task window opens once the configuration is free";
}

TEST_F(StartUpProcess, LowerCaseCompanyNameIsFound) {
    // User 2 has no right, so a found company ends silently instead of with the box.
    const Outcome r = run({"503", "2", "demo", "x", "3"});
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
}

TEST_F(StartUpProcess, UserWithoutTheRightEndsSilentlyWithoutATaskWindow) {
    // Offscreen, a task window would wait for its exit question and the run would not end.
    for (const char* menu : {"501", "502", "503"}) {
        const Outcome r =
            run({menu, "2", "DEMO", "x", QString::number(QString(menu).toInt() - 500)});
        ASSERT_TRUE(r.finished) << menu;
        EXPECT_EQ(r.exitCode, 0) << menu;
        EXPECT_EQ(r.err, "") << menu;
    }
    EXPECT_EQ(rows("DEMO", "SELECT Count(*) FROM UserLog"), QStringList{"0"});
}

TEST_F(StartUpProcess, TaskOtherThanOneTwoThreeEndsSilently) {
    for (const char* task : {"0", "4", "-3"}) {
        const Outcome r = run({"503", "1", "DEMO", "x", task});
        ASSERT_TRUE(r.finished) << task;
        EXPECT_EQ(r.exitCode, 0) << task;
        EXPECT_EQ(r.err, "") << task;
    }
}

// A bad command line or server ends the start-up with the error's message in a box and on
// standard error, and exit code 1.
struct BadStart {
    const char* name;
    QStringList args;
    QByteArray serverDat;  // empty: the demo server
    QString message;       // expected in the box and on standard error
};

void PrintTo(const BadStart& c, std::ostream* os) {
    *os << c.name;
}

class BadStartUp : public StartUpProcess, public ::testing::WithParamInterface<BadStart> {};

TEST_P(BadStartUp, ShowsTheMessageAndEndsWithAnError) {
    const BadStart& c = GetParam();
    if (!c.serverDat.isEmpty())
        writeServerDat(QByteArray(c.serverDat).replace("DIR", dir.path().toUtf8()));
    start(c.args, Platform::X11);
    const QString message = answerErrorBox();
    EXPECT_TRUE(message.contains(c.message)) << message.toStdString();
    const Outcome r = finish();
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(rows("DEMO", "SELECT Count(*) FROM UserLog"), QStringList{"0"});
}

INSTANTIATE_TEST_SUITE_P(
    CommandLineAndServer, BadStartUp,
    ::testing::Values(
        BadStart{"MenuIdNotANumber", {"5O3", "1", "DEMO", "x", "3"}, {}, "'5O3'"},
        BadStart{"UserIdWithFraction", {"503", "1.5", "DEMO", "x", "3"}, {}, "'1.5'"},
        BadStart{"TaskTooLarge", {"503", "1", "DEMO", "x", "99999999999"}, {}, "'99999999999'"},
        BadStart{"OnlyMenuId", {"503"}, {}, "''"},
        BadStart{"EmptyMenuId", {"", "1", "DEMO", "x", "3"}, {}, "''"},
        BadStart{"EmptyUserId", {"503", "", "DEMO", "x", "3"}, {}, "''"},
        BadStart{"MissingServerDirectory",
                 {"503", "1", "DEMO", "x", "3"},
                 "file:DIR/no-such-server",
                 "no-such-server"},
        BadStart{"ClosedPort", {"503", "1", "DEMO", "x", "3"}, "127.0.0.1,1", ""}),
    [](const ::testing::TestParamInfo<BadStart>& info) { return std::string(info.param.name); });

// The task window's first show asks the company database for the server's time; when that
// fails the error ends the start-up and the window never appears behind its box.
struct FailedFirstShow {
    const char* name;
    const char* breakIt;  // a statement on the copied DEMO database, or "" to remove DEMO
    QString message;
};

void PrintTo(const FailedFirstShow& c, std::ostream* os) {
    *os << c.name;
}

class FailedFirstShowTest : public StartUpProcess,
                            public ::testing::WithParamInterface<FailedFirstShow> {};

TEST_P(FailedFirstShowTest, ShowsOnlyTheErrorAndNoTaskWindow) {
    const FailedFirstShow& c = GetParam();
    if (*c.breakIt)
        exec("DEMO", c.breakIt);
    else
        ASSERT_TRUE(QFile::remove(serverDir() + "/DEMO.sqlite"));
    start({"503", "1", "DEMO", "x", "3"}, Platform::X11);
    waitUntil([&] { return errorOutput().endsWith('\n'); }, 15000);
    ASSERT_TRUE(errorOutput().contains(c.message)) << errorOutput().toStdString();
    waitForBox();
    QThread::msleep(500);
    for (const QString& w : x11::windows(pid()))
        EXPECT_NE(x11::geometry(w).size(), QSize(396, 150)) << "the task window is on the screen";
    answerErrorBox();
    const Outcome r = finish();
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1);
}

INSTANTIATE_TEST_SUITE_P(CompanyDatabase, FailedFirstShowTest,
                         ::testing::Values(FailedFirstShow{"ServerTimeMissing",
                                                           "DROP PROCEDURE ServerTime",
                                                           "ServerTime"},
                                           FailedFirstShow{"DatabaseMissing", "", "DEMO"}),
                         [](const ::testing::TestParamInfo<FailedFirstShow>& info) {
                             return std::string(info.param.name);
                         });
