#include "bench/common/RawRows.h"

#include <sqlite3.h>

#include <QString>

namespace bench {

std::vector<QVariantList> stepRows(sqlite3_stmt* st) {
    std::vector<QVariantList> rows;
    const int n = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        QVariantList row;
        for (int k = 0; k < n; ++k) {
            switch (sqlite3_column_type(st, k)) {
                case SQLITE_INTEGER:
                    row << QVariant(sqlite3_column_int64(st, k));
                    break;
                case SQLITE_FLOAT:
                    row << QVariant(sqlite3_column_double(st, k));
                    break;
                case SQLITE_NULL:
                    row << QVariant();
                    break;
                default:
                    row << QVariant(QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(st, k))));
            }
        }
        rows.push_back(std::move(row));
    }
    sqlite3_reset(st);
    return rows;
}

}  // namespace bench
