// The toolbar's tool tips of the real program: the pointer resting on a button brings up a
// balloon above it, drawn over what the screen shows there, and leaving the button takes it
// away. With VOQ_SCREENSHOT_DIR set, the screen with the balloon is saved there.

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <QToolTip>

#include "ProgramHarness.h"

namespace {

const QSize kSplash(301, 166);
const QPoint kOnExit(88, 22);  // on the toolbar's Exit button, New and Exit being shown

// The program's windows other than `window`.
QStringList othersThan(qint64 pid, const QString& window) {
    QStringList others = x11::windows(pid);
    others.removeAll(window);
    return others;
}

}  // namespace

TEST_F(ProgramTest, PointerRestingOnExitShowsItsHintAsABalloonAbove) {
    start({"503", "1", "DEMO", "x", "3"}, Platform::X11);
    x11::parkPointer();
    const auto w = x11::waitForWindow(pid(), "คำนวน สินค้าคงเหลือ", 20000, kSplash);
    ASSERT_TRUE(w) << "the task window did not open";
    ASSERT_TRUE(waitUntil([&] { return othersThan(pid(), *w).isEmpty(); }, 5000))
        << "the splash is still shown";

    const QRect window = x11::geometry(*w);
    const QPoint pointer = window.topLeft() + kOnExit;
    x11::xdotool({"windowfocus", "--sync", *w});
    x11::xdotool({"mousemove", "--sync", QString::number(pointer.x() - 4),
                  QString::number(pointer.y() + 4)});
    x11::xdotool(
        {"mousemove", "--sync", QString::number(pointer.x()), QString::number(pointer.y())});
    ASSERT_TRUE(waitUntil([&] { return !othersThan(pid(), *w).isEmpty(); }, 5000))
        << "no balloon came up";
    const QStringList balloons = othersThan(pid(), *w);
    ASSERT_EQ(balloons.size(), 1);
    const QRect balloon = x11::geometry(balloons[0]);
    // Up and to the right of the pointer, the tail at its bottom-left corner.
    EXPECT_EQ(balloon.left(), pointer.x());
    EXPECT_EQ(balloon.bottom() + 1, pointer.y() - 2);
    EXPECT_GT(balloon.width(), 16 + 40) << "room for \"Exit Program\"";

    QThread::msleep(300);
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    if (const QString to = qEnvironmentVariable("VOQ_SCREENSHOT_DIR"); !to.isEmpty()) {
        QDir().mkpath(to);
        screen.save(QDir(to).filePath("exit-hint-balloon.png"));
    }
    const QColor body = QToolTip::palette().color(QPalette::Inactive, QPalette::ToolTipBase);
    EXPECT_EQ(screen.pixelColor(balloon.left() + balloon.width() / 2, balloon.top() + 2), body);
    // Beside the rounded top-right corner the window under the balloon shows through.
    EXPECT_EQ(screen.pixelColor(balloon.right(), balloon.top()),
              screen.pixelColor(balloon.right() + 1, balloon.top()));

    x11::parkPointer();
    EXPECT_TRUE(waitUntil([&] { return othersThan(pid(), *w).isEmpty(); }, 5000))
        << "the balloon stayed after the pointer left";
}
