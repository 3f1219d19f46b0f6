// The shared procedures of the configuration and company databases, called through the access
// layer as the program calls them.

#include <QDateTime>
#include <barrier>
#include <set>
#include <thread>

#include "tests/schema/SchemaFixture.h"

namespace {

using schematest::CompanyTest;

db::ProcArg in(const char* name, db::FieldType type, const QVariant& value) {
    return {QString::fromLatin1(name), type, db::ParamDirection::Input, value};
}
db::ProcArg out(const char* name, db::FieldType type) {
    return {QString::fromLatin1(name), type, db::ParamDirection::Output, {}};
}

// The demo configuration database.
class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        {
            auto master = schematest::connect(dir_.path(), QStringLiteral("master"));
            master->execute(QStringLiteral("CREATE DATABASE VOQ_CONFIG"));
        }
        db_ = schematest::connect(dir_.path(), QStringLiteral("VOQ_CONFIG"));
        for (const QString& path :
             schematest::scriptsOf(QStringLiteral("config")) +
                 schematest::scriptsOf(QStringLiteral("demo"), QStringLiteral("config*.sql")))
            ASSERT_NO_THROW(schematest::runScript(*db_, path)) << path.toStdString();
    }

    struct Caption {
        QVariant caption, access, add, modify, del, userCode, salesId;
    };
    Caption menuCaption(int menuId, int userId) {
        std::vector<db::ProcArg> args{in("@MENUID", db::FieldType::Integer, menuId),
                                      in("@USERID", db::FieldType::Integer, userId),
                                      out("@CAPTION", db::FieldType::String),
                                      out("@ACCESS_R", db::FieldType::String),
                                      out("@ADD_R", db::FieldType::String),
                                      out("@MODIFY_R", db::FieldType::String),
                                      out("@DELETE_R", db::FieldType::String),
                                      out("@USERCODE", db::FieldType::String),
                                      out("@SALESID", db::FieldType::Integer)};
        db_->callProcedure(QStringLiteral("MENUCAPTION"), args);
        return {args[2].value, args[3].value, args[4].value, args[5].value,
                args[6].value, args[7].value, args[8].value};
    }

    QTemporaryDir dir_;
    std::unique_ptr<db::Connection> db_;
};

TEST_F(ConfigTest, MenuCaptionTakesTheRightsFromTheUsersGroup) {
    const Caption c = menuCaption(503, 1);
    EXPECT_EQ(c.caption.toString(), QStringLiteral("คำนวน สินค้าคงเหลือ"));
    EXPECT_EQ(c.access.toString(), QStringLiteral("Y"));
    EXPECT_EQ(c.add.toString(), QStringLiteral("Y"));
    EXPECT_EQ(c.modify.toString(), QStringLiteral("Y"));
    EXPECT_EQ(c.del.toString(), QStringLiteral("N"));
    EXPECT_EQ(c.userCode.toString(), QStringLiteral("SOMCHAI"));
    EXPECT_EQ(c.salesId.toInt(), 7);

    EXPECT_EQ(menuCaption(501, 2).access.toString(), QStringLiteral("N")) << "clerks have no right";
}

TEST_F(ConfigTest, MenuCaptionPrefersTheUsersOwnRowOverTheGroups) {
    db_->execute(
        QStringLiteral("INSERT INTO MenuRight (MenuId, UserId, Access_R, Add_R, Modify_R, "
                       "Delete_R) VALUES (502, 2, 'Y', 'N', 'N', 'N')"));
    EXPECT_EQ(menuCaption(502, 2).access.toString(), QStringLiteral("Y"));
    EXPECT_EQ(menuCaption(501, 2).access.toString(), QStringLiteral("N"));
}

TEST_F(ConfigTest, MenuCaptionWithoutRowsReturnsNulls) {
    const Caption noMenu = menuCaption(999, 1);
    EXPECT_TRUE(noMenu.caption.isNull());
    EXPECT_TRUE(noMenu.access.isNull());
    EXPECT_EQ(noMenu.userCode.toString(), QStringLiteral("SOMCHAI"));

    const Caption noUser = menuCaption(501, 4242);
    EXPECT_EQ(noUser.caption.toString(), QStringLiteral("คำนวนยอดหนี้เจ้าหนี้"));
    EXPECT_TRUE(noUser.access.isNull());
    EXPECT_TRUE(noUser.userCode.isNull());
    EXPECT_TRUE(noUser.salesId.isNull());
}

TEST_F(ConfigTest, AddErrorLogWritesOneStampedRowPerCall) {
    const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
    for (int i = 0; i < 2; ++i) {
        std::vector<db::ProcArg> args{
            in("@CompName", db::FieldType::String, "WS01"),
            in("@LogName", db::FieldType::String, "SOMCHAI"),
            in("@UserId", db::FieldType::Integer, 1), in("@MenuId", db::FieldType::Integer, 503),
            in("@ErrorMsg", db::FieldType::String, QStringLiteral("ข้อผิดพลาด %1").arg(i))};
        db_->callProcedure(QStringLiteral("AddErrorLog"), args);
    }
    EXPECT_EQ(schematest::rowsOf(*db_, QStringLiteral("SELECT CompName, LogName, username, menu, "
                                                      "errormsg FROM errorlog ORDER BY Id")),
              (QStringList{"WS01|SOMCHAI|1|503|ข้อผิดพลาด 0", "WS01|SOMCHAI|1|503|ข้อผิดพลาด 1"}));
    const QDateTime stamp = QDateTime::fromString(
        schematest::scalarOf(*db_, QStringLiteral("SELECT Max(errordate) FROM errorlog")),
        QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, QDateTime::currentDateTime().addSecs(2));
}

class ProceduresTest : public CompanyTest {
protected:
    QString newDocumentNo(const QString& code, int year, db::Connection* on = nullptr) {
        std::vector<db::ProcArg> args{in("@DocCode", db::FieldType::String, code),
                                      in("@DocYear", db::FieldType::Integer, year),
                                      out("@NewNo", db::FieldType::String)};
        (on ? on : db_.get())->callProcedure(QStringLiteral("NewDocumentNo"), args);
        return args[2].value.toString();
    }
    QVariant createSerial(const QVariant& product, const QString& serial,
                          db::Connection* on = nullptr) {
        std::vector<db::ProcArg> args{in("@ProductId", db::FieldType::Integer, product),
                                      in("@SerialCode", db::FieldType::String, serial),
                                      out("@SerialId", db::FieldType::Integer)};
        (on ? on : db_.get())->callProcedure(QStringLiteral("CreateSerialNo"), args);
        return args[2].value;
    }
};

TEST_F(ProceduresTest, ServerTimeIsTheServersClock) {
    std::vector<db::ProcArg> args{out("@ServerTime", db::FieldType::DateTime)};
    db_->callProcedure(QStringLiteral("ServerTime"), args);
    const QDateTime t = args[0].value.toDateTime();
    ASSERT_TRUE(t.isValid());
    EXPECT_LE(qAbs(t.secsTo(QDateTime::currentDateTime())), 5);
}

TEST_F(ProceduresTest, ActivityLogKeepsEveryFieldAndTheServersTime) {
    std::vector<db::ProcArg> v2{
        in("@UserId", db::FieldType::Integer, 3),
        in("@MenuId", db::FieldType::Integer, 503),
        in("@FunctionListId", db::FieldType::Integer, 1),
        in("@DocumentId", db::FieldType::Integer, 0),
        in("@Remark", db::FieldType::String, QStringLiteral(" เริ่ม คำนวน สินค้าคงเหลือ ")),
        in("@TableName", db::FieldType::String, "IvHd"),
        in("@FieldName", db::FieldType::String, "DocNo"),
        in("@Detail", db::FieldType::String, "detail"),
        in("@TabName", db::FieldType::String, "Tab1")};
    db_->callProcedure(QStringLiteral("UserAddLogV2"), v2);
    std::vector<db::ProcArg> v1{in("@UserId", db::FieldType::Integer, 1),
                                in("@MenuId", db::FieldType::Integer, 501),
                                in("@FunctionListId", db::FieldType::Integer, 2),
                                in("@DocumentId", db::FieldType::Integer, 17),
                                in("@Remark", db::FieldType::String, QStringLiteral("บันทึก"))};
    db_->callProcedure(QStringLiteral("UserAddLog"), v1);

    EXPECT_EQ(
        rows(QStringLiteral("SELECT UserId, MenuId, FunctionListId, DocumentId, Remark, "
                            "TableName, FieldName, Detail, TabName FROM UserLog ORDER BY Id")),
        (QStringList{"3|503|1|0| เริ่ม คำนวน สินค้าคงเหลือ |IvHd|DocNo|detail|Tab1",
                     "1|501|2|17|บันทึก||||"}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM UserLog WHERE LogDate IS NULL")),
              QStringLiteral("0"));
}

TEST_F(ProceduresTest, NewDocumentNoAppliesPrefixLengthAndYear) {
    exec(
        QStringLiteral("INSERT INTO DocumentNo (Code, DocYear, Prefix, LastNo, DocumentLength) "
                       "VALUES ('IV', 2024, 'IV24', 41, 10), ('IV', 2023, 'IV23', 900, 10), "
                       "('RC', 2024, 'R', 999, 4), ('TR', 2024, NULL, 0, NULL)"));
    EXPECT_EQ(newDocumentNo("IV", 2024), QStringLiteral("IV24000042"));
    EXPECT_EQ(newDocumentNo("IV", 2024), QStringLiteral("IV24000043"));
    EXPECT_EQ(newDocumentNo("IV", 2023), QStringLiteral("IV23000901")) << "each year counts alone";
    EXPECT_EQ(newDocumentNo("RC", 2024), QStringLiteral("R1000")) << "too long for the length";
    EXPECT_EQ(newDocumentNo("TR", 2024), QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT LastNo FROM DocumentNo WHERE Code = 'IV' AND DocYear = "
                                    "2024")),
              QStringLiteral("43"));
}

TEST_F(ProceduresTest, NewDocumentNoStartsANewYearFromTheLatestAndRefusesUnknownCodes) {
    exec(
        QStringLiteral("INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, "
                       "DocumentLength) VALUES ('IV', 2024, N'ใบกำกับ', 'IV-', 41, 8)"));
    EXPECT_EQ(newDocumentNo("IV", 2025), QStringLiteral("IV-00001"));
    EXPECT_EQ(newDocumentNo("IV", 2025), QStringLiteral("IV-00002"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Description FROM DocumentNo WHERE DocYear = 2025")),
              QStringLiteral("ใบกำกับ"));

    EXPECT_THROW(newDocumentNo("XX", 2024), db::Error);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM DocumentNo WHERE Code = 'XX'")),
              QStringLiteral("0"));
}

TEST_F(ProceduresTest, TwoCallersAtOnceNeverGetTheSameNumber) {
    exec(
        QStringLiteral("INSERT INTO DocumentNo (Code, DocYear, Prefix, LastNo, DocumentLength) "
                       "VALUES ('IV', 2024, 'IV', 0, 8)"));
    auto other = schematest::connect(dir_.path(), QStringLiteral("TESTCO"));
    QStringList first, second;
    std::thread t([&] {
        for (int i = 0; i < 25; ++i)
            first << newDocumentNo("IV", 2024, other.get());
    });
    for (int i = 0; i < 25; ++i)
        second << newDocumentNo("IV", 2024);
    t.join();
    std::set<QString> all;
    for (const QString& n : first + second)
        all.insert(n);
    EXPECT_EQ(all.size(), 50u);
    EXPECT_EQ(*all.rbegin(), QStringLiteral("IV000050"));
}

TEST_F(ProceduresTest, LongNumbersArePaddedWholeAndStayDistinct) {
    exec(
        QStringLiteral("INSERT INTO DocumentNo (Code, DocYear, Prefix, LastNo, DocumentLength) "
                       "VALUES ('IV', 2024, 'IV', 3, 15), ('PO', 2024, 'PURCHASE24', 0, 30), "
                       "('SO', 2024, 'SO', 2147483646, 20), ('XL', 2024, 'X', 5, 31)"));
    EXPECT_EQ(newDocumentNo("IV", 2024), QStringLiteral("IV0000000000004"));
    EXPECT_EQ(newDocumentNo("IV", 2024), QStringLiteral("IV0000000000005"));
    EXPECT_EQ(newDocumentNo("PO", 2024), QStringLiteral("PURCHASE2400000000000000000001"));
    EXPECT_EQ(newDocumentNo("SO", 2024), QStringLiteral("SO000000002147483647"));

    // A length the number cannot have is refused without using up a number.
    QString message;
    try {
        newDocumentNo("XL", 2024);
    } catch (const db::Error& e) {
        message = e.message();
    }
    EXPECT_TRUE(message.contains(QStringLiteral("31"))) << message.toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT LastNo FROM DocumentNo WHERE Code = 'XL'")),
              QStringLiteral("5"));
}

// Two users open the same new years at the same moment: each year is created once and both get
// a number of it, never the same one and never an error.
TEST_F(ProceduresTest, TwoCallersOpeningTheSameNewYearsGetOneNumberEach) {
    exec(
        QStringLiteral("INSERT INTO DocumentNo (Code, DocYear, Prefix, LastNo, DocumentLength) "
                       "VALUES ('IV', 2000, 'IV', 7, 6)"));
    auto other = schematest::connect(dir_.path(), QStringLiteral("TESTCO"));
    constexpr int kYears = 100;
    QStringList first, second;
    QString failure;
    std::barrier together(2);
    std::thread t([&] {
        for (int year = 2001; year <= 2000 + kYears; ++year) {
            together.arrive_and_wait();
            try {
                first << newDocumentNo("IV", year, other.get());
            } catch (const db::Error& e) {
                failure = e.message();
            }
        }
    });
    for (int year = 2001; year <= 2000 + kYears; ++year) {
        together.arrive_and_wait();
        second << newDocumentNo("IV", year);
    }
    t.join();
    EXPECT_EQ(failure, QString());
    ASSERT_EQ(first.size(), kYears);
    for (int i = 0; i < kYears; ++i)
        EXPECT_EQ(std::set<QString>({first[i], second[i]}),
                  std::set<QString>({QStringLiteral("IV0001"), QStringLiteral("IV0002")}))
            << "year " << 2001 + i;
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM DocumentNo")),
              QString::number(kYears + 1));
}

TEST_F(ProceduresTest, CreateSerialNoRegistersOnceAndRefusesBadInput) {
    exec(
        QStringLiteral("INSERT INTO Tax (Code, Rate) VALUES ('V7', 7)\n"
                       "INSERT INTO Product (Code, ThaiName, TaxCode, UseSerial, "
                       "CheckSerialOnhand) VALUES ('P9', N'หม้อหุงข้าว', 1, 'Y', 'N')"));
    const QVariant id = createSerial(1, QStringLiteral("RC18-0001"));
    ASSERT_FALSE(id.isNull());
    EXPECT_EQ(createSerial(1, QStringLiteral("RC18-0001")).toInt(), id.toInt());
    EXPECT_NE(createSerial(1, QStringLiteral("RC18-0002")).toInt(), id.toInt());
    EXPECT_EQ(rows(QStringLiteral("SELECT Product, Serial, OnHand FROM SerialNo ORDER BY Id")),
              (QStringList{"1|RC18-0001|Y", "1|RC18-0002|Y"}));

    EXPECT_THROW(createSerial(1, QStringLiteral("  ")), db::Error);
    EXPECT_THROW(createSerial(2, QStringLiteral("X1")), db::Error);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM SerialNo")), QStringLiteral("2"));
}

// Two users register the same serial numbers at the same moment: one row each, and both get
// its id.
TEST_F(ProceduresTest, TwoCallersRegisteringTheSameSerialsShareOneRowEach) {
    exec(
        QStringLiteral("INSERT INTO Tax (Code, Rate) VALUES ('V7', 7)\n"
                       "INSERT INTO Product (Code, ThaiName, TaxCode, UseSerial) "
                       "VALUES ('P9', N'หม้อหุงข้าว', 1, 'Y')"));
    auto other = schematest::connect(dir_.path(), QStringLiteral("TESTCO"));
    constexpr int kSerials = 100;
    std::vector<int> first, second;
    QString failure;
    std::barrier together(2);
    std::thread t([&] {
        for (int i = 0; i < kSerials; ++i) {
            together.arrive_and_wait();
            try {
                first.push_back(
                    createSerial(1, QStringLiteral("SN-%1").arg(i), other.get()).toInt());
            } catch (const db::Error& e) {
                failure = e.message();
            }
        }
    });
    for (int i = 0; i < kSerials; ++i) {
        together.arrive_and_wait();
        second.push_back(createSerial(1, QStringLiteral("SN-%1").arg(i)).toInt());
    }
    t.join();
    EXPECT_EQ(failure, QString());
    EXPECT_EQ(first, second);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM SerialNo")), QString::number(kSerials));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(DISTINCT Id) FROM SerialNo WHERE OnHand = 'Y'")),
              QString::number(kSerials));
}

}  // namespace
