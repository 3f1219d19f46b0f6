#include <gtest/gtest.h>
#include <iconv.h>

#include "company/ErrorTranslation.h"

using company::errorDialogText;
using company::errorTranslations;
using company::translateError;
using company::upperAscii;

namespace {

const QChar CR(13);

QString fragment(int row) {
    return QString::fromLatin1(errorTranslations().at(row).fragment);
}
QString thai(int row) {
    return errorTranslations().at(row).thai;
}

}  // namespace

TEST(ErrorTranslation, TheSuitesFourteenRowsComeFirstInTheirOrder) {
    ASSERT_GT(errorTranslations().size(), 14u);
    const char* expected[14] = {
        "is not a valid date",
        "Cannot insert the value NULL into column 'Transportation'",
        "Cannot insert the value NULL into column 'Price'",
        "Cannot insert the value NULL into column 'Warehouse'",
        "Cannot insert the value NULL into column 'Customer'",
        "Cannot insert the value NULL into column 'Vendor'",
        "Cannot insert the value NULL into column 'Fraction'",
        "Cannot insert the value NULL into column 'Salesman'",
        "Possible network error",
        "DELETE statement conflicted with COLUMN REFERENCE",
        "Printer selected is not valid",
        "Insufficient memory",
        "SQL Server connection timed out",
        "Cannot insert duplicate",
    };
    const QString expectedThai[14] = {
        QStringLiteral("ป้อนวันที่ไม่ถูกต้อง"),
        QStringLiteral("ไม่ได้ป้อนข้อมูลการขนส่ง"),
        QStringLiteral("กำหนดราคาไม่ครบถ้วน"),
        QStringLiteral("ไม่ได้ป้อนข้อมูลคลัง"),
        QStringLiteral("ไม่ได้ป้อนข้อมูลลูกค้า"),
        QStringLiteral("ไม่ได้ป้อนข้อมูลเจ้าหนี้"),
        QStringLiteral("ไม่ได้ป้อนข้อมูลหน่วย หรือ ข้อมูลหน่วยผิดพลาด"),
        QStringLiteral("ไม่ได้ป้อนข้อมูลพนักงานขาย"),
        QStringLiteral("ระบบเครือข่าย หรือ คอมพิวเตอร์แม่ข่ายมีปัญหา ติดต่อเครื่องแม่ข่ายไม่ได้"),
        QStringLiteral("ข้อมูลที่ลบถูกอ้างโดยข้อมูลอื่น ไม่สามารถลบข้อมูลนี้ได้"),
        QStringLiteral("ยังไม่ได้กำหนดเครื่องพิมพ์ หรือ เครื่องพิมพ์มีปัญหา"),
        QStringLiteral("Memory หน่วยความจำของเครื่องไม่เพียงพอ"),
        QStringLiteral("เครื่องแม่ข่ายตัดการติดต่อ เพราะเครื่องนี้อาจเรียกข้อมูลปริมาณมากเกินไป"),
        QStringLiteral("ข้อมูลที่เพิ่มซ้ำกับข้อมูลที่มีอยู่แล้ว"),
    };
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(fragment(i), QString::fromLatin1(expected[i])) << "row " << i + 1;
        EXPECT_EQ(thai(i), expectedThai[i]) << "row " << i + 1;
    }
}

TEST(ErrorTranslation, AnEarlierRowWinsOverEveryLaterOne) {
    const int rows = static_cast<int>(errorTranslations().size());
    for (int later = 1; later < rows; ++later)
        for (int earlier = 0; earlier < later; ++earlier) {
            if (thai(earlier) == thai(later))
                continue;
            const QString message = "x " + fragment(later) + " y " + fragment(earlier) + " z";
            EXPECT_EQ(translateError(message), thai(earlier))
                << "rows " << earlier + 1 << " and " << later + 1;
        }
}

TEST(ErrorTranslation, PrimaryKeyViolationMatchesTheDuplicateRowInTheMiddle) {
    const QString message =
        "Violation of PRIMARY KEY constraint 'PK_Product'. Cannot insert duplicate key in object "
        "'dbo.Product'. The duplicate key value is (7).";
    EXPECT_EQ(errorDialogText(message),
              QStringLiteral("ข้อมูลที่เพิ่มซ้ำกับข้อมูลที่มีอยู่แล้ว") + CR +
                  "VIOLATION OF PRIMARY KEY CONSTRAINT 'PK_PRODUCT'. CANNOT INSERT DUPLICATE KEY "
                  "IN OBJECT 'DBO.PRODUCT'. THE DUPLICATE KEY VALUE IS (7)." +
                  CR);
}

TEST(ErrorTranslation, PriceBeforeDuplicate) {
    EXPECT_EQ(translateError("Cannot insert duplicate key. Cannot insert the value NULL into "
                             "column 'Price', table 'd.dbo.IvDt'"),
              QStringLiteral("กำหนดราคาไม่ครบถ้วน"));
}

TEST(ErrorTranslation, MatchingIgnoresLetterCase) {
    EXPECT_EQ(translateError("cannot insert the value null into column 'warehouse', table x"),
              QStringLiteral("ไม่ได้ป้อนข้อมูลคลัง"));
    EXPECT_EQ(translateError("'31/02/2024' IS NOT A VALID DATE"), QStringLiteral("ป้อนวันที่ไม่ถูกต้อง"));
}

TEST(ErrorTranslation, UnknownAndEmptyMessagesStartWithTheCarriageReturn) {
    EXPECT_EQ(errorDialogText("Invalid object name 'Foo'."),
              QString(CR) + "INVALID OBJECT NAME 'FOO'." + CR);
    EXPECT_EQ(errorDialogText(""), QString(CR) + CR);
}

TEST(ErrorTranslation, OnlyAsciiLettersAreUpperCased) {
    EXPECT_EQ(upperAscii(QStringLiteral("straße é ไทย abc-xyz 09 ÿ")),
              QStringLiteral("STRAßE é ไทย ABC-XYZ 09 ÿ"));
}

TEST(ErrorTranslation, DriverWordingsMapToTheSameThaiTexts) {
    struct Case {
        const char* message;
        int row;  // of the suite's table, from 1
    };
    const Case cases[] = {
        {"The DELETE statement conflicted with the REFERENCE constraint \"FK_gldt_glhd\". The "
         "conflict occurred in database \"DEMO\", table \"dbo.gldt\", column 'GlHd'.",
         10},
        {"[unixODBC][FreeTDS][SQL Server]Communication link failure", 9},
        {"[unixODBC][FreeTDS][SQL Server]Unable to connect to data source", 9},
        {"[FreeTDS][SQL Server]Login timeout expired", 9},
        {"Adaptive Server is unavailable or does not exist", 9},
        {"Read from the server failed", 9},
        {"[FreeTDS][SQL Server]Adaptive Server connection timed out", 13},
        {"[unixODBC][FreeTDS][SQL Server]Query timeout expired", 13},
        {"Conversion failed when converting date and/or time from character string.", 1},
        {"The conversion of a varchar data type to a datetime data type resulted in an "
         "out-of-range value.",
         1},
        {"UNIQUE constraint failed: Misc.GroupCode, Misc.Code", 14},
    };
    for (const auto& c : cases)
        EXPECT_EQ(translateError(QString::fromLatin1(c.message)), thai(c.row - 1)) << c.message;
}

TEST(ErrorTranslation, DriverRowsNeverOutrankTheSuitesRows) {
    EXPECT_EQ(translateError("Communication link failure; Cannot insert duplicate key"), thai(13));
    EXPECT_EQ(translateError("Query timeout expired after Possible network error"), thai(8));
}

TEST(ErrorTranslation, EveryThaiTextFitsTheThaiCodePage) {
    iconv_t cd = iconv_open("CP874", "UTF-8");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    for (const auto& row : errorTranslations()) {
        QByteArray in = row.thai.toUtf8();
        QByteArray out(in.size() * 2, '\0');
        char* src = in.data();
        size_t srcLeft = static_cast<size_t>(in.size());
        char* dst = out.data();
        size_t dstLeft = static_cast<size_t>(out.size());
        EXPECT_NE(iconv(cd, &src, &srcLeft, &dst, &dstLeft), static_cast<size_t>(-1))
            << row.thai.toStdString();
        EXPECT_EQ(srcLeft, 0u);
    }
    iconv_close(cd);
}
