#include "ProgramHarness.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QThread>
#include <memory>

#include "tsql/Session.h"

namespace {

QString& displayName() {
    static QString name;
    return name;
}

std::unique_ptr<QProcess>& xvfb() {
    static std::unique_ptr<QProcess> p;
    return p;
}

std::unique_ptr<QApplication>& guiApp() {
    static std::unique_ptr<QApplication> app;
    return app;
}

void copyFiles(const QString& from, const QString& to) {
    ASSERT_TRUE(QDir().mkpath(to));
    const QDir source(from);
    const QStringList files = source.entryList(QDir::Files | QDir::Hidden);
    ASSERT_FALSE(files.isEmpty()) << "no demo server at " << from.toStdString();
    for (const QString& file : files)
        ASSERT_TRUE(QFile::copy(source.filePath(file), QDir(to).filePath(file)))
            << file.toStdString();
}

void pause(int ms) {
    QThread::msleep(ms);
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

}  // namespace

namespace display {
QString name() {
    return displayName();
}
}  // namespace display

void VirtualDisplayEnvironment::SetUp() {
    auto p = std::make_unique<QProcess>();
    p->setProgram(QStringLiteral("Xvfb"));
    // -displayfd: the server picks a free display number and writes it to standard output.
    p->setArguments({"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    p->setProcessChannelMode(QProcess::SeparateChannels);
    p->start();
    ASSERT_TRUE(p->waitForStarted(10000)) << "Xvfb could not be started (package xvfb)";
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (!out.contains('\n') && clock.elapsed() < 10000 && p->state() == QProcess::Running) {
        p->waitForReadyRead(200);
        out += p->readAllStandardOutput();
    }
    bool ok = false;
    const int number = out.trimmed().toInt(&ok);
    ASSERT_TRUE(ok) << "Xvfb gave no display number: " << p->readAllStandardError().toStdString();
    displayName() = QStringLiteral(":%1").arg(number);
    xvfb() = std::move(p);

    // A private runtime directory, for this process and the program's (Qt warns without one).
    static QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    qputenv("DISPLAY", displayName().toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    static int argc = 1;
    static char arg0[] = "recalc_process_test";
    static char* argv[] = {arg0, nullptr};
    guiApp() = std::make_unique<QApplication>(argc, argv);
}

void VirtualDisplayEnvironment::TearDown() {
    guiApp().reset();
    if (xvfb()) {
        xvfb()->terminate();
        if (!xvfb()->waitForFinished(5000))
            xvfb()->kill();
        xvfb()->waitForFinished(5000);
        xvfb().reset();
    }
}

void ProgramTest::SetUp() {
    ASSERT_TRUE(dir.isValid());
    copyFiles(QStringLiteral(VOQ_DEMO_SERVER), serverDir());
    if (TdsServer::requested())
        tds = std::make_unique<TdsServer>(serverDir());
    writeServerDat((tds ? tds->serverName() : "file:" + serverDir()).toUtf8());
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QThread::msleep(100);
    }
    return true;
}

void ProgramTest::TearDown() {
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
}

void ProgramTest::writeServerDat(const QByteArray& firstLine) {
    QFile f(dir.filePath("Server.Dat"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(firstLine + "\r\n");
}

void ProgramTest::start(const QStringList& args, Platform platform) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (platform == Platform::Offscreen) {
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("DISPLAY");
    } else {
        ASSERT_FALSE(display::name().isEmpty());
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DISPLAY", display::name());
    }
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(dir.path());
    process.setProgram(program);
    process.setArguments(args);
    err.clear();
    process.start();
    ASSERT_TRUE(process.waitForStarted(10000));
}

Outcome ProgramTest::finish(int timeoutMs) {
    Outcome r;
    r.finished = process.waitForFinished(timeoutMs);
    if (!r.finished) {
        process.kill();
        process.waitForFinished(5000);
    } else if (process.exitStatus() == QProcess::NormalExit) {
        r.exitCode = process.exitCode();
    }
    err += QString::fromUtf8(process.readAllStandardError());
    r.err = err;
    return r;
}

QString ProgramTest::errorOutput() {
    process.waitForReadyRead(200);
    err += QString::fromUtf8(process.readAllStandardError());
    return err;
}

QStringList ProgramTest::rows(const QString& database, const QString& sql) const {
    tsql::Session session(serverDir(), database);
    const db::BatchResult result = session.execute(sql, {});
    QStringList out;
    const db::StatementResult* rs = result.firstRowSet();
    if (!rs)
        return out;
    for (const auto& row : rs->rowSet.rows) {
        QStringList cells;
        for (const QVariant& v : row)
            cells << (v.isNull() ? QStringLiteral("NULL") : v.toString());
        out << cells.join(u'|');
    }
    return out;
}

void ProgramTest::exec(const QString& database, const QString& sql) const {
    tsql::Session session(serverDir(), database);
    session.execute(sql, {});
}

namespace {

// The root window's children as xwininfo lists them (package x11-utils).
QString rootChildren() {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display::name());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("xwininfo"), {"-root", "-children"});
    if (!p.waitForFinished(10000))
        ADD_FAILURE() << "xwininfo did not run (package x11-utils)";
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

WindowManager::WindowManager() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display::name());
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    process_.start(QStringLiteral("openbox"), {"--sm-disable"});
    if (!process_.waitForStarted(10000)) {
        ADD_FAILURE() << "openbox could not be started (package openbox)";
        return;
    }
    // Running once its check window, named after it, is a child of the root window.
    QElapsedTimer clock;
    clock.start();
    while (!rootChildren().contains("\"Openbox\"")) {
        if (clock.elapsed() > 5000) {
            ADD_FAILURE() << "openbox did not take over the display";
            return;
        }
        pause(100);
    }
}

WindowManager::~WindowManager() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(5000))
        process_.kill();
    process_.waitForFinished(5000);
}

namespace x11 {

QString xdotool(const QStringList& args, int timeoutMs) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display::name());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForStarted(10000)) {
        ADD_FAILURE() << "xdotool could not be started (package xdotool)";
        return {};
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "xdotool " << args.join(' ').toStdString() << " did not finish";
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

QStringList windows(qint64 pid, const QString& titleRegex) {
    QStringList args{"search", "--all", "--onlyvisible", "--pid", QString::number(pid)};
    if (!titleRegex.isEmpty())
        args << "--name" << titleRegex;
    return xdotool(args).split('\n', Qt::SkipEmptyParts);
}

std::optional<QString> waitForWindow(qint64 pid, const QString& titleRegex, int timeoutMs,
                                     QSize except) {
    QElapsedTimer clock;
    clock.start();
    do {
        for (const QString& w : windows(pid, titleRegex))
            if (!except.isValid() || geometry(w).size() != except)
                return w;
        pause(100);
    } while (clock.elapsed() < timeoutMs);
    return std::nullopt;
}

QRect geometry(const QString& window) {
    const QString out = xdotool({"getwindowgeometry", "--shell", window});
    auto field = [&](const char* name) {
        const QRegularExpression re(QStringLiteral("^%1=(-?\\d+)$").arg(QLatin1String(name)),
                                    QRegularExpression::MultilineOption);
        return re.match(out).captured(1).toInt();
    };
    return QRect(field("X"), field("Y"), field("WIDTH"), field("HEIGHT"));
}

QString title(const QString& window) {
    return xdotool({"getwindowname", window}).trimmed();
}

void keys(const QString& window, const QStringList& keys) {
    xdotool(QStringList{"windowfocus", "--sync", window, "key", "--delay", "80"} + keys);
}

void click(const QString& window, QPoint at) {
    xdotool({"mousemove", "--window", window, "--sync", QString::number(at.x()),
             QString::number(at.y()), "click", "1"});
}

QImage grab(const QString& window) {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen->grabWindow(window.toULongLong()).toImage().convertToFormat(QImage::Format_RGB32);
}

bool screenshot(const QString& window, const QString& path) {
    return grab(window).save(path);
}

void parkPointer() {
    xdotool({"mousemove", "0", "0"});
}

void expectBox(const QString& window, const BoxLook& look) {
    xdotool({"windowfocus", "--sync", window});
    pause(200);
    const QImage shown = grab(window);
    const QImage expected = drawnBox(look);
    if (shown == expected)
        return;
    static int n = 0;
    const QString stem = QDir::temp().filePath(
        QStringLiteral("voq-box-%1-%2").arg(QCoreApplication::applicationPid()).arg(++n));
    shown.save(stem + "-shown.png");
    expected.save(stem + "-expected.png");
    ADD_FAILURE() << "the box differs from one showing \"" << look.text.toStdString() << "\"; see "
                  << stem.toStdString() << "-shown.png and -expected.png";
}

}  // namespace x11

QImage drawnBox(const BoxLook& look) {
    QMessageBox box(look.icon, QStringLiteral("voq-recalc"), look.text, look.buttons);
    if (look.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(look.defaultButton);
    QPalette palette = box.palette();
    if (look.background.isValid()) {
        palette.setColor(QPalette::Window, look.background);
        box.setAutoFillBackground(true);
    }
    if (look.textColor.isValid()) {
        palette.setColor(QPalette::WindowText, look.textColor);
        palette.setColor(QPalette::Text, look.textColor);
    }
    box.setPalette(palette);
    box.show();
    if (!QTest::qWaitForWindowExposed(&box, 5000))
        ADD_FAILURE() << "the reference box was not shown";
    x11::xdotool({"windowfocus", "--sync", QString::number(box.winId())});
    if (!QTest::qWaitForWindowActive(&box, 3000))
        ADD_FAILURE() << "the reference box did not become active";
    pause(200);
    const QImage picture = x11::grab(QString::number(box.winId()));
    box.hide();
    return picture;
}
