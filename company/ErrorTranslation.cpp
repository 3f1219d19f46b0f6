#include "company/ErrorTranslation.h"

namespace company {

namespace {

const QString kInvalidDate = QStringLiteral("ป้อนวันที่ไม่ถูกต้อง");
const QString kNetwork = QStringLiteral("ระบบเครือข่าย หรือ คอมพิวเตอร์แม่ข่ายมีปัญหา ติดต่อเครื่องแม่ข่ายไม่ได้");
const QString kReferenced = QStringLiteral("ข้อมูลที่ลบถูกอ้างโดยข้อมูลอื่น ไม่สามารถลบข้อมูลนี้ได้");
const QString kMemory = QStringLiteral("Memory หน่วยความจำของเครื่องไม่เพียงพอ");
const QString kTimedOut = QStringLiteral("เครื่องแม่ข่ายตัดการติดต่อ เพราะเครื่องนี้อาจเรียกข้อมูลปริมาณมากเกินไป");
const QString kDuplicate = QStringLiteral("ข้อมูลที่เพิ่มซ้ำกับข้อมูลที่มีอยู่แล้ว");

}  // namespace

const std::vector<ErrorTranslation>& errorTranslations() {
    static const std::vector<ErrorTranslation> table = {
        {"is not a valid date", kInvalidDate},
        {"Cannot insert the value NULL into column 'Transportation'",
         QStringLiteral("ไม่ได้ป้อนข้อมูลการขนส่ง")},
        {"Cannot insert the value NULL into column 'Price'", QStringLiteral("กำหนดราคาไม่ครบถ้วน")},
        {"Cannot insert the value NULL into column 'Warehouse'", QStringLiteral("ไม่ได้ป้อนข้อมูลคลัง")},
        {"Cannot insert the value NULL into column 'Customer'", QStringLiteral("ไม่ได้ป้อนข้อมูลลูกค้า")},
        {"Cannot insert the value NULL into column 'Vendor'", QStringLiteral("ไม่ได้ป้อนข้อมูลเจ้าหนี้")},
        {"Cannot insert the value NULL into column 'Fraction'",
         QStringLiteral("ไม่ได้ป้อนข้อมูลหน่วย หรือ ข้อมูลหน่วยผิดพลาด")},
        {"Cannot insert the value NULL into column 'Salesman'",
         QStringLiteral("ไม่ได้ป้อนข้อมูลพนักงานขาย")},
        {"Possible network error", kNetwork},
        {"DELETE statement conflicted with COLUMN REFERENCE", kReferenced},
        {"Printer selected is not valid", QStringLiteral("ยังไม่ได้กำหนดเครื่องพิมพ์ หรือ เครื่องพิมพ์มีปัญหา")},
        {"Insufficient memory", kMemory},
        {"SQL Server connection timed out", kTimedOut},
        {"Cannot insert duplicate", kDuplicate},

        // SQL Server 2005 and later, and the embedded engine, which words errors the same way.
        {"DELETE statement conflicted with the REFERENCE constraint", kReferenced},
        {"Conversion failed when converting date and/or time from character string", kInvalidDate},
        {"data type to a datetime data type resulted in an out-of-range value", kInvalidDate},
        // ODBC and FreeTDS: the link to the server broke or never stood.
        {"Communication link failure", kNetwork},
        {"Login timeout expired", kNetwork},
        {"Unable to connect to data source", kNetwork},
        {"is unavailable or does not exist", kNetwork},
        {"does not exist or access denied", kNetwork},
        {"Read from the server failed", kNetwork},
        {"Write to the server failed", kNetwork},
        // FreeTDS's and ODBC's words for a statement the client gave up waiting for.
        {"Adaptive Server connection timed out", kTimedOut},
        {"Query timeout expired", kTimedOut},
        // SQLite underneath the embedded engine.
        {"UNIQUE constraint failed", kDuplicate},
        {"out of memory", kMemory},
    };
    return table;
}

QString upperAscii(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - ('a' - 'A'));
    return out;
}

QString translateError(const QString& message) {
    const QString upper = upperAscii(message);
    for (const auto& row : errorTranslations())
        if (upper.contains(upperAscii(QString::fromLatin1(row.fragment))))
            return row.thai;
    return {};
}

QString errorDialogText(const QString& message) {
    const QChar cr(13);
    return translateError(message) + cr + upperAscii(message) + cr;
}

}  // namespace company
