#include "dbcore/Types.h"

namespace db {

int RowSet::indexOf(const QString& name) const {
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
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
