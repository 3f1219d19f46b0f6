#pragma once

// Runs the built voq-recalc as a process against a copy of the demo server, on the offscreen
// platform or on an X server of the test's own (Xvfb), and drives its windows with xdotool.

#include <gtest/gtest.h>

#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QRect>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <optional>

#include "TdsServer.h"

// The X server of this test run, started on a free display by the environment below.
namespace display {
QString name();  // ":N", empty before the environment has started it
}

// Readable texts in assertion messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// Starts Xvfb and an application of the test process on it, which draws reference pictures.
class VirtualDisplayEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
};

// Polls `done` every 100 ms; false when it is still not done after timeoutMs.
bool waitUntil(const std::function<bool()>& done, int timeoutMs);

struct Outcome {
    bool finished = false;
    int exitCode = -1;
    QString err;
};

// One run of the program in a working directory of its own that holds "Server.Dat" and a copy
// of the demo server (subdirectory "server", clock fixed at 2024-06-30 10:00:00).
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString serverDir() const { return dir.filePath("server"); }
    void writeServerDat(const QByteArray& firstLine);

    enum class Platform { Offscreen, X11 };
    void start(const QStringList& args, Platform platform);
    // Waits for the process to end; kills it after timeoutMs.
    Outcome finish(int timeoutMs = 15000);
    Outcome run(const QStringList& args, Platform platform = Platform::Offscreen) {
        start(args, platform);
        return finish();
    }
    qint64 pid() const { return process.processId(); }
    // What the running program has written to standard error so far.
    QString errorOutput();

    // Rows of a query on a database of the copied server, values joined with '|'.
    QStringList rows(const QString& database, const QString& sql) const;
    void exec(const QString& database, const QString& sql) const;

    QString program = QStringLiteral(VOQ_RECALC_EXE);  // the executable start() runs
    QTemporaryDir dir;
    QProcess process;
    QString err;                     // standard error read so far
    std::unique_ptr<TdsServer> tds;  // when the suite runs over TDS
};

// A window manager (openbox) on the test's display while alive, as users have one.
class WindowManager {
public:
    WindowManager();
    ~WindowManager();
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

private:
    QProcess process_;
};

// xdotool on the test's display.
namespace x11 {
QString xdotool(const QStringList& args, int timeoutMs = 10000);
// The program's visible windows (ids), optionally only those whose title matches the regex.
QStringList windows(qint64 pid, const QString& titleRegex = {});
// Waits for a visible window of the program with a title matching titleRegex and another
// size than `except` has (the splash shares the program's title).
std::optional<QString> waitForWindow(qint64 pid, const QString& titleRegex, int timeoutMs = 10000,
                                     QSize except = {});
QRect geometry(const QString& window);
QString title(const QString& window);
// Gives the window the keyboard focus (there is no window manager) and types the keys.
void keys(const QString& window, const QStringList& keys);
void click(const QString& window, QPoint at);
// A picture of a window as it is on the screen now.
QImage grab(const QString& window);
bool screenshot(const QString& window, const QString& path);
// Moves the pointer away, so that nothing is drawn hovered.
void parkPointer();
}  // namespace x11

// A message box as the toolkit draws it, shown by the test process and taken as a picture:
// the reference a box of the program must equal pixel for pixel (same text, icon, buttons,
// colours).
struct BoxLook {
    BoxLook(QMessageBox::Icon icon, QString text, QMessageBox::StandardButtons buttons,
            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
            QColor background = {}, QColor textColor = {})
        : icon(icon),
          text(std::move(text)),
          buttons(buttons),
          defaultButton(defaultButton),
          background(background),
          textColor(textColor) {}
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QColor background;  // invalid: the style's
    QColor textColor;
};
QImage drawnBox(const BoxLook& look);

namespace x11 {
// Fails the test unless the window shows exactly the box described; saves both pictures under
// the system's temporary directory when they differ.
void expectBox(const QString& window, const BoxLook& look);
}  // namespace x11
