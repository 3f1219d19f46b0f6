#include "dbcore/ConnectionParams.h"

namespace db {

static bool keyMatches(const QString& line, const QString& key) {
    const int eq = line.indexOf('=');
    return eq >= 0 && line.left(eq).compare(key, Qt::CaseInsensitive) == 0;
}

QString ConnectionParams::value(const QString& key) const {
    for (const auto& line : lines_)
        if (keyMatches(line, key))
            return line.mid(line.indexOf('=') + 1);
    return {};
}

bool ConnectionParams::contains(const QString& key) const {
    for (const auto& line : lines_)
        if (keyMatches(line, key))
            return true;
    return false;
}

}  // namespace db
