// Values as a row token carries them: the bytes of each type, as MS-TDS lays them out.
#include <gtest/gtest.h>

#include <string>

#include "server/DataTypes.h"
#include "server/ThaiCodePage.h"

namespace {

using tsql::SqlType;
using tsql::Value;

// The bytes of one value of an engine type, in hex.
std::string encoded(const SqlType& type, const Value& value) {
    static tds::ThaiCodePage codePage;
    QByteArray out;
    tds::Writer w(out);
    tds::writeValue(w, tds::wireTypeOf(type, tds::TdsVersion::V7_4), value, codePage);
    return out.toHex(' ').toStdString();
}

Value text(const char* utf8) {
    return Value::text(QByteArray(utf8));
}

}  // namespace

// datetime: days since 1900-01-01, then the time in three-hundredths of a second.
TEST(ValueEncoding, DatesCountDaysAndTicksFromTheirEpochs) {
    const SqlType datetime = SqlType::of(SqlType::DateTime);
    EXPECT_EQ(encoded(datetime, text("1900-01-01 00:00:00.000")), "08 00 00 00 00 00 00 00 00");
    EXPECT_EQ(encoded(datetime, text("1900-01-02 00:00:01.010")), "08 01 00 00 00 2f 01 00 00");
    EXPECT_EQ(encoded(datetime, text("2024-06-30")), "08 9f b1 00 00 00 00 00 00");
    EXPECT_EQ(encoded(datetime, Value()), "00");
    // date: three bytes of days since 0001-01-01.
    EXPECT_EQ(encoded(SqlType::of(SqlType::Date), text("0001-01-02")), "03 01 00 00");
}

TEST(ValueEncoding, TextsTravelInTheirColumnsEncoding) {
    const SqlType varchar = SqlType::of(SqlType::VarChar, 20);
    EXPECT_EQ(encoded(varchar, text("P5")), "02 00 50 35") << "ASCII as it is";
    EXPECT_EQ(encoded(varchar, text("สินค้า")), "06 00 ca d4 b9 a4 e9 d2") << "Windows-874";
    EXPECT_EQ(encoded(SqlType::of(SqlType::VarChar, 2), text("ABC")), "02 00 41 42");
    EXPECT_EQ(encoded(varchar, Value::integer(42)), "02 00 34 32");
    EXPECT_EQ(encoded(varchar, Value()), "ff ff");
    const SqlType nvarchar = SqlType::of(SqlType::NVarChar, 20);
    EXPECT_EQ(encoded(nvarchar, text("aก")), "04 00 61 00 01 0e") << "UCS-2, low byte first";
}

TEST(ValueEncoding, IntegersAndDecimalsLowByteFirst) {
    EXPECT_EQ(encoded(SqlType::of(SqlType::Int), Value::integer(0x01020304)), "04 04 03 02 01");
    EXPECT_EQ(encoded(SqlType::of(SqlType::SmallInt), Value::integer(-2)), "02 fe ff");
    SqlType decimal = SqlType::of(SqlType::Decimal);
    decimal.precision = 9;
    decimal.scale = 2;
    EXPECT_EQ(encoded(decimal, text("-12.5")), "05 00 e2 04 00 00");
}
