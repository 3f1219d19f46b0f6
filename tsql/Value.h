#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include "dbcore/Types.h"
#include "tsql/SqlType.h"

struct sqlite3_value;
struct sqlite3_stmt;
struct sqlite3_context;

namespace tsql {

// A runtime scalar as SQLite holds it: texts are UTF-8, dates canonical texts.
struct Value {
    enum Kind { Null, Int, Real, Text };
    Kind kind = Null;
    qint64 i = 0;
    double d = 0;
    QByteArray s;

    static Value null() { return {}; }
    static Value integer(qint64 v) {
        Value r;
        r.kind = Int;
        r.i = v;
        return r;
    }
    static Value real(double v) {
        Value r;
        r.kind = Real;
        r.d = v;
        return r;
    }
    static Value text(const QByteArray& v) {
        Value r;
        r.kind = Text;
        r.s = v;
        return r;
    }
    static Value text(const QString& v) { return text(v.toUtf8()); }

    bool isNull() const { return kind == Null; }
    double toDouble() const;
    // The double nearest to a number's text (0 when it is none).
    static double textToDouble(const char* text, qsizetype size);
    QString toString() const;

    static Value fromSqlite(sqlite3_value* v);
    static Value fromColumn(sqlite3_stmt* st, int col);
    void bind(sqlite3_stmt* st, int index) const;
    void result(sqlite3_context* ctx) const;

    // Value of an access-layer parameter; dates become the canonical text.
    static Value fromBound(const db::BoundValue& b);
    // Binds an access-layer parameter as fromBound(b).bind would; a NULL, an id or count and a
    // text are bound without making a Value of them first.
    static void bindBound(sqlite3_stmt* st, int index, const db::BoundValue& b);
    // The value as the access layer reports a column of the given type.
    QVariant toVariant(const SqlType& type) const;
};

}  // namespace tsql
