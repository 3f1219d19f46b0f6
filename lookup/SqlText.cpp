#include "lookup/SqlText.h"

namespace lookup {

QString literalText(const QString& typed) {
    QString text = typed;
    return text.replace('\'', QStringLiteral("''"));
}

QString likeText(const QString& typed) {
    QString text = typed;
    return text.replace('[', QStringLiteral("[[]"));
}

}  // namespace lookup
