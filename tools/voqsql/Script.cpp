#include "tools/voqsql/Script.h"

#include <QFile>
#include <QStringConverter>
#include <QStringDecoder>
#include <QStringList>

#include "dbcore/TsqlScanner.h"

namespace voqsql {

ScriptError::ScriptError(const QString& message, int line)
    : std::runtime_error(message.toStdString()), message_(message), line_(line) {}

namespace {

// Advances the scan over one line. Sets hasCode when the line holds anything outside comments.
void scanLine(QStringView line, db::ScanState& state, bool& hasCode) {
    qsizetype i = 0;
    while (i < line.size()) {
        if (state.open != db::Stretch::None) {
            i = db::stretchEnd(line, i, state.open, state.depth);
            if (i < 0)
                return;  // goes on in the next line
            state.open = db::Stretch::None;
            continue;
        }
        const db::Stretch stretch = db::stretchAt(line, i);
        if (stretch == db::Stretch::LineComment)
            return;
        if (stretch == db::Stretch::None) {
            hasCode = hasCode || !line[i].isSpace();
            ++i;
            continue;
        }
        hasCode = hasCode || stretch != db::Stretch::BlockComment;
        state = {stretch, 1};
        i += db::openingLength(stretch);
    }
}

// The repeat count of a GO line, 0 when the line is not one; raises ScriptError for a GO line
// with a count that is not a positive number.
int goLineCount(QStringView line, int lineNumber) {
    const std::optional<db::GoLine> go = db::goLine(line);
    if (!go)
        return 0;
    if (go->repeat == 0)
        throw ScriptError(
            QStringLiteral("GO must stand alone or be followed by a positive count, not '%1'")
                .arg(go->count),
            lineNumber);
    return go->repeat;
}

}  // namespace

std::vector<Batch> splitBatches(const QString& script) {
    std::vector<Batch> batches;
    const QStringList lines = script.split(QLatin1Char('\n'));
    db::ScanState state;
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
        if (state.open == db::Stretch::None) {
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
