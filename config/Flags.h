#pragma once

#include <QString>

#include "db/Query.h"

namespace config {

// A yes/no value is true only when its text is exactly "Y".
inline bool isYes(const QString& text) {
    return text == QStringLiteral("Y");
}
inline bool isYes(const db::Field& field) {
    return isYes(field.asString());
}

}  // namespace config
