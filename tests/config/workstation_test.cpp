#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <optional>

#include "config/Workstation.h"

TEST(Workstation, ComputerNameIsCutTo15Characters) {
    const QString name = LocalComputerName();
    EXPECT_FALSE(name.isEmpty());
    EXPECT_LE(name.size(), 15);
    char full[256] = {};
    gethostname(full, sizeof(full) - 1);
    EXPECT_TRUE(QString::fromLocal8Bit(full).startsWith(name));
}

namespace {

// LocalComputerName() in a child process whose host name is `host` (a host-name namespace of
// its own); nothing when the system refuses such a namespace.
std::optional<QString> computerNameOnHost(const QByteArray& host) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return std::nullopt;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        if (unshare(CLONE_NEWUTS) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWUTS) != 0)
            _exit(2);
        if (sethostname(host.constData(), static_cast<size_t>(host.size())) != 0)
            _exit(3);
        const QByteArray name = LocalComputerName().toUtf8();
        const bool written =
            write(pipeEnds[1], name.constData(), static_cast<size_t>(name.size())) == name.size();
        _exit(written ? 0 : 4);
    }
    close(pipeEnds[1]);
    QByteArray name;
    char buffer[64];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof(buffer))) > 0;)
        name.append(buffer, n);
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return QString::fromUtf8(name);
}

}  // namespace

TEST(Workstation, AnyHostNameGivesItsFirst15CharactersWithoutSurroundingBlanks) {
    const struct {
        QByteArray host;
        QString expected;
    } cases[] = {
        {"ws-01", "ws-01"},
        {"accounting-pc01", "accounting-pc01"},
        {"accounting-pc-019", "accounting-pc-0"},
        {"warehouse-floor-2-pc", "warehouse-floor"},
        {"branch-office-bangkok-station-7.example.co.th", "branch-office-b"},
        {"pc 7           -extra", "pc 7"},
    };
    for (const auto& c : cases) {
        const std::optional<QString> name = computerNameOnHost(c.host);
        if (!name)
            GTEST_SKIP() << "this system refuses a host name of the test's own";
        EXPECT_EQ(*name, c.expected) << c.host.toStdString();
    }
}

TEST(Workstation, UserNameIsUpperCase) {
    const QString name = LocalUserName();
    EXPECT_FALSE(name.isEmpty());
    EXPECT_EQ(name, name.toUpper());
}

TEST(Workstation, IpAddressIsDottedIPv4OrEmpty) {
    const QString ip = LocalIpAddress();
    if (ip.isEmpty())
        GTEST_SKIP() << "the host name does not resolve here";
    in_addr parsed{};
    EXPECT_EQ(inet_pton(AF_INET, ip.toLatin1().constData(), &parsed), 1) << ip.toStdString();
}

TEST(Workstation, YearOfDateIsTheGregorianYear) {
    EXPECT_EQ(YearOfDate(QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59))), 2024);
    EXPECT_EQ(YearOfDate(QDateTime(QDate(2025, 1, 1), QTime(0, 0))), 2025);
}
