// voq-server as SQL Server clients meet it: FreeTDS's tsql, and raw sockets for what no client
// would send.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "RawTdsClient.h"
#include "TdsServer.h"
#include "tsql/Server.h"
#include "tsql/Session.h"

namespace {

const QString kThai = QString::fromUtf8("สวัสดีครับ ราคาสินค้า ๑๒๓");

// FreeTDS's settings of the tsql runs: `encryption` as given ("require", "request", "off").
QString freetdsConf(const QString& encryption) {
    static QTemporaryDir dir;
    const QString path = dir.filePath("freetds-" + encryption + ".conf");
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(("[global]\n\tencryption = " + encryption + "\n").toUtf8());
    return path;
}

// Output of FreeTDS's tsql running `script` (statements, "go" lines) as `user`.
QString tsqlClient(int port, const QString& script, const QString& password = "marigold",
                   const QString& database = "SHOP", const QString& encryption = "off") {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("FREETDSCONF", freetdsConf(encryption));
    env.insert("TDSVER", "7.4");
    env.insert("LANG", "C.UTF-8");
    env.insert("LC_ALL", "C.UTF-8");
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("tsql", {"-H", "127.0.0.1", "-p", QString::number(port), "-U", "voq", "-P", password,
                     "-D", database});
    p.write((script + "\ngo\nexit\n").toUtf8());
    p.closeWriteChannel();
    if (!p.waitForFinished(60000))
        p.kill();
    return QString::fromUtf8(p.readAll());
}

// Connects a plain socket to the server.
int connectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Sends bytes and reports whether the server then closed the connection.
bool closedAfter(int port, const QByteArray& bytes) {
    const int fd = connectTo(port);
    if (fd < 0)
        return false;
    ::send(fd, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL);
    timeval timeout{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    char buffer[4096];
    ssize_t n;
    while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
    }
    const bool reset = n < 0 && errno == ECONNRESET;  // closed with our bytes unread
    ::close(fd);
    return n == 0 || reset;
}

QByteArray packetHeader(uint8_t type, uint16_t length, uint8_t status = 1) {
    QByteArray h(8, '\0');
    h[0] = static_cast<char>(type);
    h[1] = static_cast<char>(status);
    h[2] = static_cast<char>(length >> 8);
    h[3] = static_cast<char>(length & 0xFF);
    return h;
}

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        tsql::Server(dir.path()).createDatabase("SHOP");
        tsql::Session shop(dir.path(), "SHOP");
        shop.execute("CREATE TABLE Goods (Code varchar(10), Name varchar(50), Price money)", {});
        shop.execute("INSERT INTO Goods VALUES ('G1', N'" + kThai + "', 12.5)", {});
        shop.execute(
            "CREATE PROCEDURE Clock @Now datetime OUTPUT AS SET @Now = '2024-06-30 "
            "10:00:00' RETURN 3",
            {});
        server = std::make_unique<TdsServer>(dir.path());
    }

    QTemporaryDir dir;
    std::unique_ptr<TdsServer> server;
};

}  // namespace

TEST_F(ServerTest, WrongPasswordIsRefusedWithLoginFailed) {
    const QString out = tsqlClient(server->port(), "select 1", "wrong");
    EXPECT_TRUE(out.contains("Msg 18456 (severity 14, state 1)")) << out.toStdString();
    EXPECT_TRUE(out.contains("Login failed for user 'voq'.")) << out.toStdString();
}

TEST_F(ServerTest, UnknownDatabaseIsRefusedAtLogin) {
    const QString out = tsqlClient(server->port(), "select 1", "marigold", "NOSUCH");
    EXPECT_TRUE(out.contains("4060")) << out.toStdString();
}

TEST_F(ServerTest, ThaiTextOfThaiCodePageAndUnicodeColumnsReachesTheClient) {
    const QString out = tsqlClient(server->port(),
                                   "select Code, Name, Price from Goods\ngo\n"
                                   "select N'" +
                                       kThai + "' as U, cast(N'ไทย' as varchar(10)) as A");
    EXPECT_TRUE(out.contains("G1\t" + kThai + "\t12.50")) << out.toStdString();
    EXPECT_TRUE(out.contains(kThai + "\tไทย")) << out.toStdString();
}

TEST_F(ServerTest, ErrorsCarryTheirNumberAndTheConnectionGoesOn) {
    const QString out = tsqlClient(
        server->port(), "select 1\nselect * from NoSuchTable\ngo\nselect 40 + 2 as answer");
    EXPECT_TRUE(out.contains("Msg 208")) << out.toStdString();
    EXPECT_TRUE(out.contains("Line 2")) << "the failing statement's line: " << out.toStdString();
    EXPECT_TRUE(out.contains("Invalid object name 'NoSuchTable'")) << out.toStdString();
    EXPECT_TRUE(out.contains("42")) << out.toStdString();
}

// Each error reaches the client with the severity and state SQL Server gives it, and with the
// procedure and line of the statement that raised it.
TEST_F(ServerTest, ErrorsCarrySeverityStateProcedureAndLine) {
    const QString out = tsqlClient(server->port(),
                                   "create table Keyed (Id int not null primary key)\n"
                                   "insert into Keyed values (1)\ngo\n"
                                   "create procedure Fail @State int as\n"
                                   "set nocount on\n"
                                   "raiserror('failed in %d', 13, @State, 7)\ngo\n"
                                   "exec Fail 5\ngo\n"
                                   "raiserror('user words', 12, 9)\ngo\n"
                                   "throw 51000, 'thrown words', 4\ngo\n"
                                   "insert into Keyed values (1)\ngo\n"
                                   "insert into Keyed values (null)\ngo\n"
                                   "select cast('x1' as int)\ngo\n"
                                   "select * from NoSuchTable");
    auto expect = [&](const char* heading, const char* text) {
        EXPECT_TRUE(out.contains(QLatin1String(heading))) << heading << "\n" << out.toStdString();
        EXPECT_TRUE(out.contains(QLatin1String(text))) << text << "\n" << out.toStdString();
    };
    expect("Msg 50000 (severity 13, state 5) from VOQ, Procedure Fail Line 3", "failed in 7");
    expect("Msg 50000 (severity 12, state 9) from VOQ Line 1", "user words");
    expect("Msg 51000 (severity 16, state 4) from VOQ Line 1", "thrown words");
    expect("Msg 2627 (severity 14, state 1)", "Violation of PRIMARY KEY constraint");
    expect("Msg 515 (severity 16, state 2)", "Cannot insert the value NULL");
    expect("Msg 245 (severity 16, state 1)", "Conversion failed");
    expect("Msg 208 (severity 16, state 1)", "Invalid object name 'NoSuchTable'");
}

// A request whose packet asks for a reset runs in the session as the login left it: no
// temporary table, SET option or open transaction (rolled back) of before, in the login's
// database; a reset that keeps the transaction keeps it open.
TEST_F(ServerTest, AResetRequestRunsInTheSessionAsTheLoginLeftIt) {
    constexpr uint8_t kReset = 0x08;
    constexpr uint8_t kResetKeepingTransaction = 0x10;
    RawTdsClient client(server->port(), "voq", "marigold", "SHOP");
    ASSERT_TRUE(client.loggedIn());
    client.batch("create table Keyed (Id int not null primary key)");
    client.batch("create table #Scratch (i int) set nocount on begin tran insert Keyed values (1)");
    EXPECT_FALSE(RawTdsClient::hasError(client.batch("select * from #Scratch"), 208));
    EXPECT_FALSE(RawTdsClient::countsRows(client.batch("insert #Scratch values (1)")));

    const QByteArray reset = client.batch("select count(*) from Keyed", kReset);
    EXPECT_TRUE(RawTdsClient::hasIntegerRow(reset, 0)) << "the open transaction is rolled back";
    EXPECT_TRUE(RawTdsClient::hasError(client.batch("select * from #Scratch"), 208));
    EXPECT_TRUE(RawTdsClient::hasError(client.batch("commit"), 3902));
    EXPECT_TRUE(RawTdsClient::countsRows(client.batch("insert Keyed values (2)")));

    client.batch("use master");
    EXPECT_TRUE(RawTdsClient::hasIntegerRow(client.batch("select count(*) from Keyed", kReset), 1))
        << "back in the login's database";

    client.batch("begin tran insert Keyed values (3)");
    const QByteArray kept =
        client.batch("select count(*) from Keyed", kReset | kResetKeepingTransaction);
    EXPECT_TRUE(RawTdsClient::hasIntegerRow(kept, 2));
    EXPECT_FALSE(RawTdsClient::hasError(client.batch("commit"), 3902));
}

// The prepared-statement procedures as clients call them, by number: sp_prepare gives a
// handle, sp_execute runs it with values, sp_prepexec does both, sp_unprepare frees it, and
// sp_executesql runs a text with its parameters once.
class PreparedStatementTest : public ServerTest {
protected:
    static constexpr uint16_t kExecuteSql = 10;
    static constexpr uint16_t kPrepare = 11;
    static constexpr uint16_t kExecute = 12;
    static constexpr uint16_t kPrepExec = 13;
    static constexpr uint16_t kUnprepare = 15;
    using Argument = RawTdsClient::Argument;

    void SetUp() override {
        ServerTest::SetUp();
        client = std::make_unique<RawTdsClient>(server->port(), "voq", "marigold", "SHOP");
        ASSERT_TRUE(client->loggedIn());
    }
    static Argument handleOut() { return {std::nullopt, {}, true}; }
    static Argument integer(int32_t v) { return {v, {}, false}; }
    static Argument text(const QString& t) { return {std::nullopt, t, false}; }

    std::unique_ptr<RawTdsClient> client;
};

TEST_F(PreparedStatementTest, PrepareGivesAHandleAndRunsNothing) {
    const QByteArray reply = client->call(
        kPrepare,
        {handleOut(), text("@a int"), text("insert Goods (Code) values ('P' + str(@a))")});
    ASSERT_TRUE(RawTdsClient::returnedInteger(reply).has_value());
    EXPECT_TRUE(RawTdsClient::hasIntegerRow(
        client->batch("select count(*) from Goods where Code like 'P%'"), 0));
}

TEST_F(PreparedStatementTest, ExecuteRunsThePreparedTextWithEachCallsValues) {
    const std::optional<int32_t> handle = RawTdsClient::returnedInteger(
        client->call(kPrepare, {handleOut(), text("@a int, @b int"), text("select @a * @b")}));
    ASSERT_TRUE(handle.has_value());
    EXPECT_TRUE(RawTdsClient::hasIntegerRow(
        client->call(kExecute, {integer(*handle), integer(6), integer(7)}), 42));
    EXPECT_TRUE(RawTdsClient::hasIntegerRow(
        client->call(kExecute, {integer(*handle), integer(5), integer(5)}), 25));
    EXPECT_TRUE(RawTdsClient::hasError(client->call(kExecute, {integer(*handle + 100)}), 8179));
}

TEST_F(PreparedStatementTest, PrepExecPreparesAndRunsAtOnce) {
    const QByteArray reply =
        client->call(kPrepExec, {handleOut(), text("@a int"), text("select @a + 1"), integer(41)});
    EXPECT_TRUE(RawTdsClient::hasIntegerRow(reply, 42));
    const std::optional<int32_t> handle = RawTdsClient::returnedInteger(reply);
    ASSERT_TRUE(handle.has_value());
    EXPECT_TRUE(
        RawTdsClient::hasIntegerRow(client->call(kExecute, {integer(*handle), integer(9)}), 10));
}

TEST_F(PreparedStatementTest, UnprepareFreesTheHandle) {
    const std::optional<int32_t> handle = RawTdsClient::returnedInteger(
        client->call(kPrepare, {handleOut(), text("@a int"), text("select @a")}));
    ASSERT_TRUE(handle.has_value());
    EXPECT_FALSE(RawTdsClient::hasError(client->call(kUnprepare, {integer(*handle)}), 8179));
    EXPECT_TRUE(
        RawTdsClient::hasError(client->call(kExecute, {integer(*handle), integer(1)}), 8179));
    EXPECT_TRUE(RawTdsClient::hasError(client->call(kUnprepare, {integer(*handle)}), 8179));
}

TEST_F(PreparedStatementTest, ExecuteSqlRunsATextWithItsParametersOnce) {
    EXPECT_TRUE(RawTdsClient::hasIntegerRow(
        client->call(kExecuteSql, {text("select @a * 3"), text("@a int"), integer(14)}), 42));
    EXPECT_TRUE(RawTdsClient::hasIntegerRow(
        client->call(kExecuteSql, {text("select count(*) from Goods")}), 1));
}

TEST_F(ServerTest, UseMovesTheConnectionToAnotherDatabase) {
    const QString out = tsqlClient(server->port(), "use master\ngo\nselect db_name() as here");
    EXPECT_TRUE(out.contains("master")) << out.toStdString();
}

TEST_F(ServerTest, HostilePacketsCloseThatConnectionAndTheServerGoesOn) {
    EXPECT_TRUE(closedAfter(server->port(), packetHeader(0x12, 4)))
        << "a length shorter than the header";
    EXPECT_TRUE(closedAfter(server->port(), packetHeader(0x10, 40) + QByteArray(32, '\x7F')))
        << "a login of garbage";
    EXPECT_TRUE(closedAfter(server->port(), packetHeader(0x01, 0x8000) + QByteArray(100, 'x')))
        << "a packet longer than the largest packet size";
    EXPECT_TRUE(closedAfter(server->port(), QByteArray("GET / HTTP/1.0\r\n\r\n")));
    const QString out = tsqlClient(server->port(), "select 40 + 2 as answer");
    EXPECT_TRUE(out.contains("42")) << out.toStdString();
}

TEST_F(ServerTest, TerminationClosesConnectionsAndEndsCleanly) {
    const int idle = connectTo(server->port());
    ASSERT_GE(idle, 0);
    // A pre-login with no options, answered: the server serves this connection.
    const QByteArray preLogin = packetHeader(0x12, 9) + QByteArray(1, '\xFF');
    ::send(idle, preLogin.constData(), static_cast<size_t>(preLogin.size()), MSG_NOSIGNAL);
    char reply[8];
    ASSERT_EQ(::recv(idle, reply, sizeof reply, MSG_WAITALL), 8);
    EXPECT_EQ(reply[0], 4) << "a reply packet";
    char rest[512];
    ::recv(idle, rest, sizeof rest, 0);
    EXPECT_EQ(server->stop(), 0) << server->output().toStdString();
    char c;
    EXPECT_EQ(::recv(idle, &c, 1, 0), 0) << "the idle client's connection is closed";
    ::close(idle);
}

// jTDS, a JDBC driver that speaks TDS 7.1, as a client that owes nothing to FreeTDS.
TEST_F(ServerTest, JtdsClientRunsBatchesProceduresThaiTextAndErrors) {
    QProcess java;
    java.setProcessChannelMode(QProcess::MergedChannels);
    java.start("java", {"-cp", "/usr/share/java/jtds.jar",
                        QStringLiteral(VOQ_SOURCE_FALLBACK) + "/tests/server/JtdsClient.java",
                        QString::number(server->port())});
    ASSERT_TRUE(java.waitForFinished(120000));
    const QString out = QString::fromUtf8(java.readAll());
    EXPECT_EQ(java.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("result sets: 2 7;b;")) << out.toStdString();
    EXPECT_TRUE(out.contains("clock: 2024-06-30 10:00:00.0 status 3")) << out.toStdString();
    EXPECT_TRUE(out.contains("thai: same")) << out.toStdString();
    EXPECT_TRUE(out.contains("error: 208 Invalid object name 'NoSuchTable'.")) << out.toStdString();
}

// A self-signed certificate and its key, made with the openssl tool.
struct Certificate {
    QTemporaryDir dir;
    QString cert = dir.filePath("server.crt");
    QString key = dir.filePath("server.key");

    Certificate() {
        QProcess::execute("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                                      "-subj", "/CN=localhost", "-keyout", key, "-out", cert});
    }
};

TEST_F(ServerTest, EncryptionIsRefusedWithoutACertificate) {
    const QString out =
        tsqlClient(server->port(), "select 40 + 2 as answer", "marigold", "SHOP", "require");
    EXPECT_FALSE(out.contains("42")) << out.toStdString();
}

TEST_F(ServerTest, ClientsThatAskForTlsGetItAndThoseThatDoNotLoginEncrypted) {
    Certificate certificate;
    ASSERT_TRUE(QFile::exists(certificate.key));
    server->stop();
    server = std::make_unique<TdsServer>(
        dir.path(), QStringList{"--tls-cert", certificate.cert, "--tls-key", certificate.key});
    for (const QString encryption : {"require", "request", "off"}) {
        const QString out =
            tsqlClient(server->port(), "select Name from Goods", "marigold", "SHOP", encryption);
        EXPECT_TRUE(out.contains(kThai)) << encryption.toStdString() << ": " << out.toStdString();
    }
    const QString refused = tsqlClient(server->port(), "select 1", "wrong", "SHOP", "require");
    EXPECT_TRUE(refused.contains("18456")) << refused.toStdString();
}

TEST(ServerStart, NonLoopbackAddressNeedsACertificateAndEncryptsEverySession) {
    Certificate certificate;
    QTemporaryDir dir;
    tsql::Server(dir.path()).createDatabase("SHOP");
    // Any address of the machine serves; the client still reaches it on the loopback address.
    TdsServer server(dir.path(), {"--listen", "0.0.0.0:0", "--tls-cert", certificate.cert,
                                  "--tls-key", certificate.key});
    EXPECT_TRUE(tsqlClient(server.port(), "select 40 + 2 as answer", "marigold", "SHOP", "require")
                    .contains("42"));
    const QString plain =
        tsqlClient(server.port(), "select 40 + 2 as answer", "marigold", "SHOP", "off");
    EXPECT_FALSE(plain.contains("42")) << plain.toStdString();
}

TEST(ServerStart, NonLoopbackAddressWithoutCertificateIsRefused) {
    QTemporaryDir dir;
    QString out;
    EXPECT_EQ(TdsServer::run({"--listen", "0.0.0.0:0", dir.path()}, {}, &out), 2);
    EXPECT_TRUE(out.contains("needs a certificate")) << out.toStdString();
}

TEST(ServerStart, LoginsAreKeptAsSaltedHashes) {
    QTemporaryDir dir;
    ASSERT_EQ(TdsServer::run({"--add-login", "clerk", dir.path()}, "s3cret\n", nullptr), 0);
    ASSERT_EQ(TdsServer::run({"--add-login", "other", dir.path()}, "s3cret\n", nullptr), 0);
    QFile f(dir.filePath("server-logins"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_FALSE(lines[0].contains("s3cret"));
    EXPECT_NE(lines[0].split(' ').value(2), lines[1].split(' ').value(2))
        << "the same password hashes differently under another salt";
}
