#include "dbcore/DigitGroups.h"

namespace db {

QString groupedDigits(const QString& digits, const QString& separator) {
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype k = 0; k < n; ++k) {
        if (k > 0 && (n - k) % 3 == 0)
            out += separator;
        out += digits[k];
    }
    return out;
}

}  // namespace db
