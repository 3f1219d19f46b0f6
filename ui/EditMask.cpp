#include "ui/EditMask.h"

#include <QHash>

namespace ui {

namespace {

// Mask characters of the forms' notation and the toolkit's character of the same meaning.
const QHash<QChar, QChar>& maskCharacters() {
    static const QHash<QChar, QChar> map{
        {'L', 'A'}, {'l', 'a'},  // letter, required / optional
        {'A', 'N'}, {'a', 'n'},  // letter or digit
        {'C', 'X'}, {'c', 'x'},  // any character
        {'0', '9'}, {'9', '0'},  // digit
        {'#', '#'},              // digit or sign, optional
        {'>', '>'}, {'<', '<'},  // upper / lower case from here on
    };
    return map;
}

// Characters the toolkit reads as mask characters, escaped where the forms mean them literally.
bool specialToToolkit(QChar c) {
    return QStringLiteral("AaNnXx90Dd#HhBb><!\\[]{}").contains(c);
}

QString translateCharacters(const QString& mask) {
    QString out;
    for (int i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        if (c == '<' && i + 1 < mask.size() && mask[i + 1] == '>') {
            out += '!';  // case conversion off
            ++i;
        } else if (c == '\\' && i + 1 < mask.size()) {
            const QChar literal = mask[++i];
            out += specialToToolkit(literal) ? QString('\\') + literal : QString(literal);
        } else if (maskCharacters().contains(c)) {
            out += maskCharacters().value(c);
        } else if (c == '_') {
            out += ' ';
        } else if (c != '!') {  // '!' (drop leading blanks) has no counterpart
            out += specialToToolkit(c) ? QString('\\') + c : QString(c);
        }
    }
    return out;
}

}  // namespace

QString toInputMask(const QString& editMask) {
    if (editMask.isEmpty())
        return {};
    // The blank is the last field; the field before it (keep literals) concerns the value only.
    const qsizetype last = editMask.lastIndexOf(';');
    const qsizetype first = editMask.indexOf(';');
    if (first < 0 || first == last || last == editMask.size() - 1)
        return translateCharacters(first < 0 ? editMask : editMask.left(first));
    return translateCharacters(editMask.left(first)) + ';' + editMask.mid(last + 1, 1);
}

}  // namespace ui
