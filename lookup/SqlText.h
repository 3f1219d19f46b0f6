#pragma once

#include <QString>

namespace lookup {

// Typed text inside a single-quoted SQL literal: apostrophes doubled.
QString literalText(const QString& typed);

// Typed text inside a LIKE pattern, to be matched as typed: an opening bracket no longer starts
// a set of characters. The wildcards % and _ keep their meaning. Apostrophes are left alone.
QString likeText(const QString& typed);

// Both: typed text inside a LIKE pattern written as a literal.
inline QString likeLiteralText(const QString& typed) {
    return literalText(likeText(typed));
}

}  // namespace lookup
