#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace db {

// The lexical rules of T-SQL that every reader of its text shares: the stretches inside which
// code is not code (quoted texts and names, comments) and the GO lines between batches.

// A stretch that hides code. A doubled closing quote or bracket inside it stands for itself;
// block comments nest.
enum class Stretch { None, String, QuotedName, BracketName, LineComment, BlockComment };

// The stretch that opens at text[at]; None when code stands there.
Stretch stretchAt(QStringView text, qsizetype at);

// Length of a stretch's opening mark.
int openingLength(Stretch stretch);

// Where a stretch open at `from` (just after its opening mark, or at the start of a later piece
// of text) ends: the position after its closing mark, for a line comment the position of its line
// feed or the end of the text. -1 when the text ends first. `depth` counts the block comments
// open (1 after the opening mark) and is kept up to date for a scan that goes on in the next
// piece of text.
qsizetype stretchEnd(QStringView text, qsizetype from, Stretch stretch, int& depth);

// The body of a quoted text or name (the characters between its marks) with each doubled
// closing character taken once.
QString unquoted(QStringView body, QChar close);

// Where a scan of text piece by piece stands between pieces: in code, or inside a stretch.
struct ScanState {
    Stretch open = Stretch::None;
    int depth = 0;
};

// A line that holds only GO (case ignored, blanks around it, an optional trailing "--" comment),
// optionally followed by a count. repeat is the count, 0 when the count is not a positive number;
// count is the count's text as written.
struct GoLine {
    int repeat = 1;
    QString count;
};
std::optional<GoLine> goLine(QStringView line);

}  // namespace db
