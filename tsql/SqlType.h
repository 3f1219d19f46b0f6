#pragma once

#include <QString>

#include "dbcore/Types.h"

namespace tsql {

// A T-SQL data type as the engine reasons about it.
struct SqlType {
    enum Base {
        Unknown,  // not known at translation time (e.g. an untyped NULL)
        Bit,
        TinyInt,
        SmallInt,
        Int,
        BigInt,
        Decimal,
        Money,
        Float,
        Real,
        Char,
        VarChar,
        NChar,
        NVarChar,
        Text,
        DateTime,
        Date,
        DateTime2,  // scale: the decimals of the second, 0 to 7
        Time,       // scale as datetime2's
        UniqueIdentifier,
    };
    Base base = Unknown;
    int length = 0;  // characters for texts; -1 for max
    int precision = 0;
    int scale = 0;  // a decimal's digits after the point; datetime2's and time's decimals
    bool numericName = false;  // a decimal declared under its other name, numeric

    static SqlType of(Base b, int len = 0) { return SqlType{b, len, 0, 0}; }
    static SqlType decimal(int p, int s) { return SqlType{Decimal, 0, p, s}; }

    bool known() const { return base != Unknown; }
    bool isText() const { return base >= Char && base <= Text; }
    bool isFixedText() const { return base == Char || base == NChar; }
    bool isInteger() const { return base >= Bit && base <= BigInt; }
    bool isExact() const { return isInteger() || base == Decimal || base == Money; }
    bool isNumeric() const { return base >= Bit && base <= Real; }
    bool isApprox() const { return base == Float || base == Real; }
    // A type with a date: date, datetime (and smalldatetime), datetime2.
    bool isDate() const { return base == DateTime || base == Date || base == DateTime2; }
    bool isTemporal() const { return isDate() || base == Time; }
    bool isDecimal() const { return base == Decimal || base == Money; }
    // datetime (and smalldatetime), kept in steps of 1/300 second.
    bool isDateTime() const { return base == DateTime; }
    // datetime2 and time: kept to 100 ns, stored with seven decimals.
    bool isPreciseTime() const { return base == DateTime2 || base == Time; }
    // Whether values of the two temporal types are stored in the same form (date and datetime
    // share theirs), so that they compare as they are.
    bool sameTemporalForm(const SqlType& o) const {
        return isPreciseTime() || o.isPreciseTime() ? base == o.base : isDate() && o.isDate();
    }

    // Declared type as written in CREATE TABLE (T-SQL spelling, e.g. "varchar(20)").
    QString toSql() const;
    // "decimal" or "numeric", as the type was declared.
    QString decimalName() const {
        return numericName ? QStringLiteral("numeric") : QStringLiteral("decimal");
    }
    // The declaration of a column of this type in a database file: decimal and money columns
    // hold their exact text ("decimal text(10,2)") in numeric order, texts use the engine's
    // collation.
    QByteArray columnSql() const;
    // The field type reported to the access layer.
    db::FieldType fieldType() const;
    // The type reported to the access layer as the column's declared type.
    db::DeclaredType declared() const;
    // The type a value of the access layer's field type has (Unknown for Unknown).
    static SqlType ofField(db::FieldType type);
    // SQL Server's data type precedence: higher wins in mixed expressions.
    int precedence() const;
    // The bytes a value takes (DATALENGTH, COL_LENGTH): a text type's declared length in bytes,
    // -1 for max.
    int storageSize() const;
    // Decimal digits before the point that every value of a numeric type fits in.
    int integerDigits() const;

    // Parses a declared type such as "DECIMAL(18,2)"; Unknown when not a base type name.
    static SqlType fromName(const QString& name, int a = -1, int b = -1);
    static SqlType parseDeclared(const QString& declared);
};

// Type of a binary arithmetic or CASE result under SQL Server's precedence rules.
SqlType commonType(const SqlType& a, const SqlType& b);

// The decimal(p,s) an exact number type takes part in decimal arithmetic as (money is
// decimal(19,4), int decimal(10,0)).
SqlType asDecimal(const SqlType& t);
// Whether arithmetic of the two types is exact decimal (or money) arithmetic.
bool isDecimalArithmetic(const SqlType& a, const SqlType& b);
// The type of `a op b` (op one of + - * / %) for decimal and money operands, with SQL Server's
// precision and scale rules and their reduction to 38 digits.
SqlType decimalResult(char op, const SqlType& a, const SqlType& b);
// The type of SUM and AVG over a decimal or money argument.
SqlType decimalSum(const SqlType& t);
SqlType decimalAverage(const SqlType& t);

}  // namespace tsql
