#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <future>

#include "config/ConnectionParamList.h"

namespace {

// Runs the test body in a scratch current directory, where Server.Dat is looked up.
class InScratchDir : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void TearDown() override { QDir::setCurrent(previous); }
    void writeServerDat(const QByteArray& content) {
        QFile f("Server.Dat");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    QTemporaryDir dir;
    QString previous;
};

using ServerDat = InScratchDir;

}  // namespace

TEST(ConnectionParamList, TwentyFourLinesInOrderRebuiltEveryTime) {
    db::ConnectionParams params;
    params.add("STALE=1");
    config::fillConnectionParams(params, "DEMO", "SRV01", config::kCompanyQueryTime);
    config::fillConnectionParams(params, "DEMO", "SRV01", config::kCompanyQueryTime);
    ASSERT_EQ(params.count(), 24);
    EXPECT_EQ(params.lines().front(), "DATABASE NAME=DEMO");
    EXPECT_EQ(params.lines()[1], "SERVER NAME=SRV01");
    EXPECT_EQ(params.lines()[2], "USER NAME=voq");
    EXPECT_EQ(params.lines()[8], "SQLPASSTHRU MODE=SHARED AUTOCOMMIT");
    EXPECT_EQ(params.lines()[11], "MAX QUERY TIME=2400");
    EXPECT_EQ(params.lines()[19], "ENABLE BCD=True");
    EXPECT_EQ(params.lines().back(), "PASSWORD=marigold");
    EXPECT_FALSE(params.contains("STALE"));
    for (const auto& line : params.lines())
        EXPECT_FALSE(line.contains(" =") || line.contains("= ")) << line.toStdString();
}

TEST(ConnectionParamList, QueryTimesOfTheThreeConnections) {
    db::ConnectionParams params;
    config::fillConnectionParams(params, "master", "S", config::kMasterQueryTime);
    EXPECT_EQ(params.value("MAX QUERY TIME"), "1200");
    config::fillConnectionParams(params, "VOQ_CONFIG", "S", config::kConfigQueryTime);
    EXPECT_EQ(params.value("MAX QUERY TIME"), "600");
}

TEST_F(ServerDat, FirstLineIsTakenWholeWithItsBlanks) {
    writeServerDat("SRV01\\SQLEXPRESS \r\nsecond line\r\n");
    EXPECT_EQ(config::ReadServerName(), "SRV01\\SQLEXPRESS ");
    EXPECT_EQ(config::serverName(), "SRV01\\SQLEXPRESS ");
}

TEST_F(ServerDat, MissingFileOrEmptyFirstLineFallsBackToTheDefault) {
    EXPECT_EQ(config::ReadServerName(), "");
    EXPECT_EQ(config::serverName(), VOQ_DEFAULT_SERVER);
    writeServerDat("\nSRV02\n");
    EXPECT_EQ(config::ReadServerName(), "");
    EXPECT_EQ(config::serverName(), VOQ_DEFAULT_SERVER);
}

TEST_F(ServerDat, LastLineWithoutLineBreak) {
    writeServerDat("file:demo/server");
    EXPECT_EQ(config::ReadServerName(), "file:demo/server");
}

TEST_F(ServerDat, AnythingButARegularFileCountsAsMissing) {
    ASSERT_TRUE(QDir().mkdir("Server.Dat"));
    EXPECT_EQ(config::ReadServerName(), "");
    EXPECT_FALSE(config::chooseServer().fromServerDat);
    EXPECT_EQ(config::serverName(), VOQ_DEFAULT_SERVER);
    ASSERT_TRUE(QDir().rmdir("Server.Dat"));

    ASSERT_TRUE(QFile::link("no-such-file", "Server.Dat"));
    EXPECT_EQ(config::ReadServerName(), "");
}

TEST_F(ServerDat, AFifoIsNotWaitedFor) {
    ASSERT_EQ(mkfifo("Server.Dat", 0600), 0);
    auto read = std::async(std::launch::async, [] { return config::ReadServerName(); });
    const bool answered = read.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
    if (!answered) {
        // Let the blocked open go on, so that the test can end.
        const int writer = ::open("Server.Dat", O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    }
    ASSERT_TRUE(answered) << "reading Server.Dat waits for a writer of the FIFO";
    EXPECT_EQ(read.get(), "");
    EXPECT_EQ(config::serverName(), VOQ_DEFAULT_SERVER);
}

TEST_F(ServerDat, AHugeFirstLineIsReadOnlyUpToTheCap) {
    writeServerDat(QByteArray(10 * 1024 * 1024, 'x'));
    const QString cut = config::ReadServerName();
    EXPECT_EQ(cut.size(), config::kServerDatLineCap);
    EXPECT_EQ(cut.count('x'), cut.size());
    writeServerDat(QByteArray(config::kServerDatLineCap, 'y') + "\nnext");
    const QString whole = config::ReadServerName();
    EXPECT_EQ(whole.size(), config::kServerDatLineCap);
    EXPECT_EQ(whole.count('y'), whole.size());
}

TEST_F(ServerDat, TheOriginOfTheServerNameIsWordedForMessages) {
    writeServerDat("SRV01\r\n");
    const config::ServerChoice named = config::chooseServer();
    EXPECT_TRUE(named.fromServerDat);
    EXPECT_EQ(config::serverOrigin(named), "The server name \"SRV01\" is the first line of " +
                                               QDir::current().filePath("Server.Dat") + ".");
    ASSERT_TRUE(QFile::remove("Server.Dat"));
    const config::ServerChoice fallback = config::chooseServer();
    EXPECT_FALSE(fallback.fromServerDat);
    EXPECT_TRUE(config::serverOrigin(fallback).startsWith(
        QStringLiteral("The server name \"%1\" is the installation's default: ")
            .arg(VOQ_DEFAULT_SERVER)));
}
