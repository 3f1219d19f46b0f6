#include "dbcore/Types.h"

namespace db {

namespace {

template <typename Name>
int indexOfName(const Columns& columns, const Name& name) {
    for (qsizetype i = 0; i < columns.size(); ++i)
        if (sameName(columns[i].name, name))
            return static_cast<int>(i);
    return -1;
}

}  // namespace

int columnIndex(const Columns& columns, const QString& name) {
    return indexOfName(columns, name);
}

int columnIndex(const Columns& columns, QLatin1StringView name) {
    return indexOfName(columns, name);
}

const StatementResult* BatchResult::firstRowSet() const {
    for (const auto& r : results)
        if (r.hasRowSet)
            return &r;
    return nullptr;
}

qint64 BatchResult::lastRowsAffected() const {
    for (auto it = results.rbegin(); it != results.rend(); ++it)
        if (!it->hasRowSet && it->rowsAffected >= 0)
            return it->rowsAffected;
    return -1;
}

}  // namespace db
