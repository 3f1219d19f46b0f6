#include "tools/voqsql/Script.h"

#include <QFile>
#include <QStringConverter>
#include <QStringDecoder>
#include <QStringList>

namespace voqsql {

ScriptError::ScriptError(const QString& message, int line)
    : std::runtime_error(message.toStdString()), message_(message), line_(line) {}

namespace {

// Where the scanner stands at the end of a line: inside nothing, or inside a construct that
// continues on the next line.
struct LexState {
    enum Kind { Code, String, QuotedName, BracketName, BlockComment };
    Kind kind = Code;
    int commentDepth = 0;  // T-SQL block comments nest
};

// Advances the state over one line. Sets hasCode when the line holds anything outside comments.
void scanLine(QStringView line, LexState& st, bool& hasCode) {
    const qsizetype n = line.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = line[i];
        const QChar next = i + 1 < n ? line[i + 1] : QChar();
        switch (st.kind) {
            case LexState::Code:
                if (c == '-' && next == '-')
                    return;  // the rest of the line is a comment
                if (c == '/' && next == '*') {
                    st.kind = LexState::BlockComment;
                    st.commentDepth = 1;
                    ++i;
                } else if (c == '\'') {
                    st.kind = LexState::String;
                    hasCode = true;
                } else if (c == '"') {
                    st.kind = LexState::QuotedName;
                    hasCode = true;
                } else if (c == '[') {
                    st.kind = LexState::BracketName;
                    hasCode = true;
                } else if (!c.isSpace()) {
                    hasCode = true;
                }
                break;
            case LexState::BlockComment:
                if (c == '/' && next == '*') {
                    ++st.commentDepth;
                    ++i;
                } else if (c == '*' && next == '/') {
                    ++i;
                    if (--st.commentDepth == 0)
                        st.kind = LexState::Code;
                }
                break;
            case LexState::String:
            case LexState::QuotedName:
            case LexState::BracketName: {
                const QChar close = st.kind == LexState::String       ? QChar('\'')
                                    : st.kind == LexState::QuotedName ? QChar('"')
                                                                      : QChar(']');
                if (c == close) {
                    if (next == close)
                        ++i;  // doubled: stands for itself
                    else
                        st.kind = LexState::Code;
                }
                break;
            }
        }
    }
}

// Recognises "GO" or "GO <count>" with blanks around and an optional trailing "--" comment.
// Returns the count, 0 when the line is not a GO line; raises ScriptError for a GO line with a
// count that is not a positive number.
int goLineCount(QStringView line, int lineNumber) {
    QStringView t = line.trimmed();
    if (const qsizetype comment = t.indexOf(u"--"); comment >= 2)
        t = t.left(comment).trimmed();
    if (t.size() < 2 || t.left(2).compare(u"GO", Qt::CaseInsensitive) != 0)
        return 0;
    if (t.size() == 2)
        return 1;
    if (!t[2].isSpace())
        return 0;  // GOTO, GO;, GO-- ...
    const QStringView count = t.mid(2).trimmed();
    bool ok = false;
    const int n = count.toInt(&ok);
    if (!ok || n < 1)
        throw ScriptError(
            QStringLiteral("GO must stand alone or be followed by a positive count, not '%1'")
                .arg(count.toString()),
            lineNumber);
    return n;
}

}  // namespace

std::vector<Batch> splitBatches(const QString& script) {
    std::vector<Batch> batches;
    const QStringList lines = script.split(QLatin1Char('\n'));
    LexState state;
    QStringList current;
    int currentStart = 1;
    bool hasCode = false;

    auto finish = [&](int repeat, int nextStart) {
        if (hasCode)
            batches.push_back({current.join(QLatin1Char('\n')), currentStart, repeat});
        current.clear();
        hasCode = false;
        currentStart = nextStart;
    };

    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringView line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const int lineNumber = static_cast<int>(i) + 1;
        if (state.kind == LexState::Code) {
            if (const int repeat = goLineCount(line, lineNumber)) {
                finish(repeat, lineNumber + 1);
                continue;
            }
        }
        current << line.toString();
        scanLine(line, state, hasCode);
    }
    finish(1, 0);
    return batches;
}

bool isValidVariableName(QStringView name) {
    if (name.isEmpty())
        return false;
    auto isAsciiLetter = [](QChar c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!isAsciiLetter(name[0]) && name[0] != '_')
        return false;
    for (QChar c : name)
        if (!isAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '_')
            return false;
    return true;
}

void Variables::set(const QString& name, const QString& value) {
    values_[name.toUpper()] = value;
}

std::optional<QString> Variables::value(const QString& name) const {
    auto it = values_.find(name.toUpper());
    if (it == values_.end())
        return std::nullopt;
    return it->second;
}

QString substituteVariables(const QString& text, const Variables& variables) {
    QString out;
    out.reserve(text.size());
    int line = 1;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == '$' && i + 1 < text.size() && text[i + 1] == '(') {
            const qsizetype close = text.indexOf(QLatin1Char(')'), i + 2);
            const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), i + 2);
            if (close < 0 || (lineEnd >= 0 && lineEnd < close))
                throw ScriptError(QStringLiteral("'$(' without a closing ')'"), line);
            const QString name = text.mid(i + 2, close - i - 2);
            if (!isValidVariableName(name))
                throw ScriptError(QStringLiteral("'$(%1)' is not a valid scripting variable "
                                                 "reference")
                                      .arg(name),
                                  line);
            const auto value = variables.value(name);
            if (!value)
                throw ScriptError(QStringLiteral("'%1' scripting variable not defined.").arg(name),
                                  line);
            out += *value;
            i = close + 1;
            continue;
        }
        if (c == '\n')
            ++line;
        out += c;
        ++i;
    }
    return out;
}

QString readScriptFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ScriptError(
            QStringLiteral("cannot read script '%1': %2").arg(path, file.errorString()));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ScriptError(
            QStringLiteral("cannot read script '%1': %2").arg(path, file.errorString()));
    const auto encoding = QStringConverter::encodingForData(data).value_or(QStringConverter::Utf8);
    QStringDecoder decode(encoding);  // drops the byte-order mark
    QString text = decode(data);
    if (decode.hasError())
        throw ScriptError(
            QStringLiteral("script '%1' is not valid %2 text")
                .arg(path, QLatin1String(QStringConverter::nameForEncoding(encoding))));
    return text;
}

}  // namespace voqsql
