#include "tsql/Lexer.h"

#include <QSet>

#include "dbcore/TsqlScanner.h"
#include "tsql/Errors.h"

namespace tsql {

namespace {

bool isIdentStart(QChar c) {
    return c.isLetter() || c == u'_' || c == u'#';
}

bool isIdentPart(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'#' || c == u'$' || c == u'@' ||
           c.category() == QChar::Mark_NonSpacing || c.category() == QChar::Mark_SpacingCombining;
}

class Scanner {
public:
    explicit Scanner(const QString& s) : s_(s) {}

    std::vector<Token> run() {
        std::vector<Token> out;
        int params = 0;
        for (;;) {
            skipBlanks();
            Token t;
            t.offset = pos_;
            t.line = line_;
            if (pos_ >= s_.size()) {
                out.push_back(t);
                return out;
            }
            QChar c = s_[pos_];
            if ((c == u'N' || c == u'n') && peek(1) == u'\'') {
                ++pos_;
                t.national = true;
                readString(t);
            } else if (c == u'\'') {
                readString(t);
            } else if (c == u'[') {
                readDelimited(t, u']');
            } else if (c == u'"') {
                readDelimited(t, u'"');
            } else if (c.isDigit() || (c == u'.' && peek(1).isDigit())) {
                readNumber(t);
            } else if (c == u'$' && (peek(1).isDigit() || (peek(1) == u'.' && peek(2).isDigit()))) {
                ++pos_;  // a money constant: $12.50
                readNumber(t);
                t.kind = TokenKind::Money;
            } else if (c == u'$' && peek(1).isLetter()) {
                const int start = pos_++;  // $action of MERGE's OUTPUT
                while (pos_ < s_.size() && isIdentPart(s_[pos_]))
                    ++pos_;
                t.kind = TokenKind::Identifier;
                t.text = s_.mid(start, pos_ - start);
            } else if (c == u'@') {
                readVariable(t);
            } else if (c == u'?') {
                ++pos_;
                t.kind = TokenKind::Param;
                t.text = QStringLiteral("?");
                t.paramIndex = params++;
            } else if (isIdentStart(c)) {
                int start = pos_;
                while (pos_ < s_.size() && isIdentPart(s_[pos_]))
                    ++pos_;
                t.kind = TokenKind::Identifier;
                t.text = s_.mid(start, pos_ - start);
            } else {
                readSymbol(t);
            }
            out.push_back(std::move(t));
        }
    }

private:
    QChar peek(int ahead) const {
        int p = pos_ + ahead;
        return p < s_.size() ? s_[p] : QChar();
    }

    void skipBlanks() {
        while (pos_ < s_.size()) {
            const QChar c = s_[pos_];
            const db::Stretch comment = db::stretchAt(s_, pos_);
            if (c == u'\n') {
                ++line_;
                ++pos_;
            } else if (c.isSpace()) {
                ++pos_;
            } else if (comment == db::Stretch::LineComment ||
                       comment == db::Stretch::BlockComment) {
                int depth = 1;
                const qsizetype end =
                    db::stretchEnd(s_, pos_ + db::openingLength(comment), comment, depth);
                if (end < 0)
                    raise(113, QStringLiteral("Missing end comment mark '*/'."));
                advanceTo(end);
            } else {
                break;
            }
        }
    }

    // Moves to `end`, counting the lines passed.
    void advanceTo(qsizetype end) {
        line_ += static_cast<int>(QStringView(s_).mid(pos_, end - pos_).count(u'\n'));
        pos_ = static_cast<int>(end);
    }

    void readString(Token& t) {
        t.kind = TokenKind::String;
        t.text = readQuoted(u'\'');
    }

    void readDelimited(Token& t, QChar close) {
        t.kind = TokenKind::QuotedName;
        t.text = readQuoted(close);
    }

    // The text up to the closing character, a doubled one standing for itself.
    QString readQuoted(QChar close) {
        const db::Stretch stretch = db::stretchAt(s_, pos_);
        int depth = 0;
        const qsizetype end = db::stretchEnd(s_, pos_ + 1, stretch, depth);
        if (end < 0)
            raise(105, QStringLiteral("Unclosed quotation mark after the character string '%1'.")
                           .arg(s_.mid(pos_ + 1)));
        const QString text = db::unquoted(QStringView(s_).mid(pos_ + 1, end - pos_ - 2), close);
        advanceTo(end);
        return text;
    }

    void readNumber(Token& t) {
        int start = pos_;
        bool point = false, exponent = false;
        while (pos_ < s_.size()) {
            QChar c = s_[pos_];
            if (c.isDigit()) {
                ++pos_;
            } else if (c == u'.' && !point && !exponent) {
                point = true;
                ++pos_;
            } else if ((c == u'e' || c == u'E') && !exponent &&
                       (peek(1).isDigit() ||
                        ((peek(1) == u'+' || peek(1) == u'-') && peek(2).isDigit()))) {
                exponent = true;
                pos_ += 2;
            } else {
                break;
            }
        }
        t.text = s_.mid(start, pos_ - start);
        t.kind = exponent ? TokenKind::Float : point ? TokenKind::Decimal : TokenKind::Integer;
    }

    void readVariable(Token& t) {
        int start = pos_;
        bool global = peek(1) == u'@';
        pos_ += global ? 2 : 1;
        while (pos_ < s_.size() && isIdentPart(s_[pos_]))
            ++pos_;
        t.kind = global ? TokenKind::Global : TokenKind::Variable;
        t.text = s_.mid(start, pos_ - start);
        if (t.text.size() == (global ? 2 : 1))
            syntaxError(t.text);
    }

    void readSymbol(Token& t) {
        static const char* const twoChar[] = {"<>", "!=", "<=", ">=", "!<", "!>", "+=", "-=",
                                              "*=", "/=", "%=", "&=", "|=", "^=", "::"};
        t.kind = TokenKind::Symbol;
        if (pos_ + 1 < s_.size()) {
            QString two = s_.mid(pos_, 2);
            for (const char* op : twoChar) {
                if (two == QLatin1String(op)) {
                    t.text = two;
                    pos_ += 2;
                    return;
                }
            }
        }
        QChar c = s_[pos_];
        static const QString single = QStringLiteral("+-*/%=<>(),.;&|^~!:");
        if (!single.contains(c))
            syntaxError(QString(c));
        t.text = QString(c);
        ++pos_;
    }

    const QString& s_;
    int pos_ = 0;
    int line_ = 1;
};

}  // namespace

std::vector<Token> tokenize(const QString& sql) {
    return Scanner(sql).run();
}

// SQL Server's reserved keywords (the list of its Transact-SQL reference).
bool isReservedKeyword(const Token& t) {
    static const QSet<QString> words = [] {
        const QStringList list =
            QStringLiteral(
                "ADD ALL ALTER AND ANY AS ASC AUTHORIZATION BACKUP BEGIN BETWEEN BREAK "
                "BROWSE BULK BY CASCADE CASE CHECK CHECKPOINT CLOSE CLUSTERED COALESCE "
                "COLLATE COLUMN COMMIT COMPUTE CONSTRAINT CONTAINS CONTAINSTABLE CONTINUE "
                "CONVERT CREATE CROSS CURRENT CURRENT_DATE CURRENT_TIME CURRENT_TIMESTAMP "
                "CURRENT_USER CURSOR DATABASE DBCC DEALLOCATE DECLARE DEFAULT DELETE DENY "
                "DESC DISK DISTINCT DISTRIBUTED DOUBLE DROP DUMP ELSE END ERRLVL ESCAPE "
                "EXCEPT EXEC EXECUTE EXISTS EXIT EXTERNAL FETCH FILE FILLFACTOR FOR FOREIGN "
                "FREETEXT FREETEXTTABLE FROM FULL FUNCTION GOTO GRANT GROUP HAVING HOLDLOCK "
                "IDENTITY IDENTITY_INSERT IDENTITYCOL IF IN INDEX INNER INSERT INTERSECT "
                "INTO IS JOIN KEY KILL LEFT LIKE LINENO LOAD MERGE NATIONAL NOCHECK "
                "NONCLUSTERED NOT NULL NULLIF OF OFF OFFSETS ON OPEN OPENDATASOURCE "
                "OPENQUERY OPENROWSET OPENXML OPTION OR ORDER OUTER OVER PERCENT PIVOT PLAN "
                "PRECISION PRIMARY PRINT PROC PROCEDURE PUBLIC RAISERROR READ READTEXT "
                "RECONFIGURE REFERENCES REPLICATION RESTORE RESTRICT RETURN REVERT REVOKE "
                "RIGHT ROLLBACK ROWCOUNT ROWGUIDCOL RULE SAVE SCHEMA SECURITYAUDIT SELECT "
                "SEMANTICKEYPHRASETABLE SEMANTICSIMILARITYDETAILSTABLE "
                "SEMANTICSIMILARITYTABLE SESSION_USER SET SETUSER SHUTDOWN SOME STATISTICS "
                "SYSTEM_USER TABLE TABLESAMPLE TEXTSIZE THEN TO TOP TRAN TRANSACTION "
                "TRIGGER TRUNCATE TRY_CONVERT TSEQUAL UNION UNIQUE UNPIVOT UPDATE "
                "UPDATETEXT USE USER VALUES VARYING VIEW WAITFOR WHEN WHERE WHILE WITH "
                "WITHIN WRITETEXT")
                .split(u' ');
        return QSet<QString>(list.begin(), list.end());
    }();
    return t.kind == TokenKind::Identifier && words.contains(t.text.toUpper());
}

}  // namespace tsql
