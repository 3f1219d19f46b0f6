#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <unistd.h>

#include "config/Workstation.h"

TEST(Workstation, ComputerNameIsCutTo15Characters) {
    const QString name = LocalComputerName();
    EXPECT_FALSE(name.isEmpty());
    EXPECT_LE(name.size(), 15);
    char full[256] = {};
    gethostname(full, sizeof(full) - 1);
    EXPECT_TRUE(QString::fromLocal8Bit(full).startsWith(name));
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
