#pragma once

#include <QString>
#include <QStringView>
#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

namespace voqsql {

// A script that cannot be run as written: a bad GO line, an undefined or malformed $(name)
// reference, an unreadable file. line() is 1-based within the text examined, 0 when unknown.
class ScriptError : public std::runtime_error {
public:
    explicit ScriptError(const QString& message, int line = 0);
    const QString& message() const { return message_; }
    int line() const { return line_; }

private:
    QString message_;
    int line_;
};

// One batch of a script: the text between two GO lines, where it starts, and how often GO asked
// for it to run ("GO 3").
struct Batch {
    QString text;
    int firstLine = 1;  // line of the script the batch text starts on, 1-based
    int repeat = 1;
};

// Splits a script into batches at lines that hold only GO (case ignored, blanks around it
// allowed, optionally followed by a positive repeat count). A GO line inside a block comment,
// a quoted string or a quoted identifier that spans lines does not split. Batches that hold
// nothing but blanks and comments are dropped. Line ends may be LF or CRLF; batch texts use LF.
std::vector<Batch> splitBatches(const QString& script);

// Scripting variable names: a letter or '_' followed by letters, digits or '_'.
bool isValidVariableName(QStringView name);

// Scripting variables for $(name) references; names compare without regard to letter case.
class Variables {
public:
    void set(const QString& name, const QString& value);
    std::optional<QString> value(const QString& name) const;
    bool empty() const { return values_.empty(); }

private:
    std::map<QString, QString> values_;  // key: upper-cased name
};

// Replaces every $(name) in the text by the variable's value. Values are inserted as they are
// and not scanned again. An undefined variable or a "$(" that does not form a reference raises
// ScriptError naming it, with the line it occurs on.
QString substituteVariables(const QString& text, const Variables& variables);

// Reads a script file as UTF-8, or as UTF-16/UTF-32 when it starts with a byte-order mark.
// A missing or unreadable file, or text that is not valid in its encoding, raises ScriptError.
QString readScriptFile(const QString& path);

}  // namespace voqsql
