#include "dbcore/TsqlScanner.h"

namespace db {

namespace {

QChar closingMark(Stretch stretch) {
    switch (stretch) {
        case Stretch::String:
            return u'\'';
        case Stretch::QuotedName:
            return u'"';
        case Stretch::BracketName:
            return u']';
        default:
            return {};
    }
}

qsizetype quotedEnd(QStringView text, qsizetype from, QChar close) {
    for (qsizetype i = from; i < text.size(); ++i) {
        if (text[i] != close)
            continue;
        if (i + 1 < text.size() && text[i + 1] == close)
            ++i;  // doubled: stands for itself
        else
            return i + 1;
    }
    return -1;
}

qsizetype blockCommentEnd(QStringView text, qsizetype from, int& depth) {
    for (qsizetype i = from; i + 1 < text.size(); ++i) {
        if (text[i] == u'/' && text[i + 1] == u'*') {
            ++depth;
            ++i;
        } else if (text[i] == u'*' && text[i + 1] == u'/') {
            ++i;
            if (--depth == 0)
                return i + 1;
        }
    }
    return -1;
}

}  // namespace

Stretch stretchAt(QStringView text, qsizetype at) {
    const QChar c = text[at];
    const QChar next = at + 1 < text.size() ? text[at + 1] : QChar();
    if (c == u'\'')
        return Stretch::String;
    if (c == u'"')
        return Stretch::QuotedName;
    if (c == u'[')
        return Stretch::BracketName;
    if (c == u'-' && next == u'-')
        return Stretch::LineComment;
    if (c == u'/' && next == u'*')
        return Stretch::BlockComment;
    return Stretch::None;
}

int openingLength(Stretch stretch) {
    return stretch == Stretch::LineComment || stretch == Stretch::BlockComment ? 2 : 1;
}

qsizetype stretchEnd(QStringView text, qsizetype from, Stretch stretch, int& depth) {
    switch (stretch) {
        case Stretch::None:
            return from;
        case Stretch::LineComment: {
            const qsizetype feed = text.indexOf(u'\n', from);
            return feed < 0 ? text.size() : feed;
        }
        case Stretch::BlockComment:
            return blockCommentEnd(text, from, depth);
        default:
            return quotedEnd(text, from, closingMark(stretch));
    }
}

QString unquoted(QStringView body, QChar close) {
    QString out;
    out.reserve(body.size());
    for (qsizetype i = 0; i < body.size(); ++i) {
        out += body[i];
        if (body[i] == close && i + 1 < body.size() && body[i + 1] == close)
            ++i;
    }
    return out;
}

std::optional<GoLine> goLine(QStringView line) {
    QStringView t = line.trimmed();
    if (const qsizetype comment = t.indexOf(u"--"); comment >= 2)
        t = t.left(comment).trimmed();
    if (t.size() < 2 || t.left(2).compare(u"GO", Qt::CaseInsensitive) != 0)
        return std::nullopt;
    if (t.size() == 2)
        return GoLine{};
    if (!t[2].isSpace())
        return std::nullopt;  // GOTO, GO;, GO-- ...
    GoLine go;
    go.count = t.mid(2).trimmed().toString();
    bool ok = false;
    go.repeat = go.count.toInt(&ok);
    if (!ok || go.repeat < 1)
        go.repeat = 0;
    return go;
}

}  // namespace db
