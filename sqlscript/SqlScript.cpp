#include "sqlscript/SqlScript.h"

#include <iostream>

#include "db/Connection.h"
#include "dbcore/Error.h"
#include "db/ParamScanner.h"
#include "db/Query.h"
#include "ui/Abort.h"

namespace {

std::function<void(const std::exception&)>& applicationErrorHandler() {
    static std::function<void(const std::exception&)> handler;
    return handler;
}

// Leading and trailing blanks and control characters removed.
QString trimmed(const QString& s) {
    int begin = 0;
    int end = static_cast<int>(s.size());
    while (begin < end && s[begin].unicode() <= ' ')
        ++begin;
    while (end > begin && s[end - 1].unicode() <= ' ')
        --end;
    return s.mid(begin, end - begin);
}

}  // namespace

TSQLScript::TSQLScript(QObject* parent) : QObject(parent), statementQuery_(new db::Query(this)) {}

TSQLScript::~TSQLScript() = default;

void TSQLScript::setApplicationErrorHandler(std::function<void(const std::exception&)> handler) {
    applicationErrorHandler() = std::move(handler);
}

void TSQLScript::setSQL(const QStringList& lines) {
    sql_ = lines;
    params_.rebuild(db::scanParams(sql_.join('\n')).names);
}

db::Connection& TSQLScript::Database() const {
    return db::Connection::byName(DatabaseName);
}

void TSQLScript::run(int n) {
    if (sql_.isEmpty())
        throw db::Error::client(QStringLiteral("No SQL statement available"));
    statementQuery_->setObjectName(objectName());
    statementQuery_->setDatabaseName(DatabaseName);
    db::Connection& conn = Database();
    conn.open();
    if (!conn.isOpen())
        throw db::Error::client(
            QStringLiteral("Cannot perform this operation on a closed database"));
    if (BeforeExec)
        BeforeExec(*this);
    ExecuteScript(n);
    if (AfterExec)
        AfterExec(*this);
}

void TSQLScript::ExecuteScript(int n) {
    db::Connection& conn = Database();
    bool inTransaction = Transaction && !conn.inTransaction() && n < 0;
    if (inTransaction) {
        try {
            conn.startTransaction();
        } catch (const db::Error&) {
            inTransaction = false;  // run without one
        }
    }
    try {
        const int lineCount = static_cast<int>(sql_.size());
        int lineIndex = 0;
        int statementCount = 0;
        bool found = false;
        QString carry;
        while (lineIndex < lineCount) {
            QStringList statement;
            for (;;) {
                if (!carry.isEmpty()) {
                    statement << carry;
                    carry.clear();
                }
                if (lineIndex < lineCount) {
                    QString s = trimmed(sql_[lineIndex]);
                    ++lineIndex;
                    const int semicolon = SemicolonTerm ? static_cast<int>(s.indexOf(';')) : -1;
                    if (semicolon >= 0) {
                        carry = trimmed(s.mid(semicolon + 1));
                        s = s.left(semicolon);
                        if (!s.isEmpty())
                            statement << s;
                        break;
                    }
                    if (s == QString(Term))
                        break;
                    if (!s.isEmpty())
                        statement << s;
                }
                if (lineIndex >= lineCount)
                    break;
            }
            if (statement.isEmpty())
                continue;
            if (n < 0 || n == statementCount) {
                found = true;
                ExecuteStatement(statement, lineIndex - 1, statementCount);
                if (n == statementCount)
                    break;
            }
            ++statementCount;
        }
        if (!found)
            throw db::Error::client(QStringLiteral("List index out of bounds (%1)").arg(n));
        if (inTransaction)
            conn.commit();
    } catch (...) {
        if (inTransaction && conn.inTransaction())
            conn.rollback();
        throw;
    }
}

void TSQLScript::executeOnce(const QStringList& statement) {
    if (IgnoreParams) {
        Database().execute(statement.join('\n'));
        return;
    }
    statementQuery_->setSql(statement);
    for (auto& p : statementQuery_->params())
        p.assignValue(params_.byName(p.name()));
    statementQuery_->execSql();
}

void TSQLScript::ExecuteStatement(const QStringList& statement, int lineNo, int statementNo) {
    for (;;) {
        try {
            executeOnce(statement);
            return;
        } catch (db::Error& e) {
            TScriptAction action = TScriptAction::ScriptActionFail;
            const QString suffix = QStringLiteral("Error on line %1").arg(lineNo);
            if (e.isServerError())
                e.addMessage({suffix, 0, lineNo, {}});
            else
                e.setMessage(e.message().isEmpty() ? suffix : e.message() + ". " + suffix);
            if (OnScriptError)
                OnScriptError(*this, e, lineNo, statementNo, action);
            switch (action) {
                case TScriptAction::ScriptActionFail:
                    throw;
                case TScriptAction::ScriptActionAbort:
                    throw ui::Abort();
                case TScriptAction::ScriptActionContinue:
                    if (applicationErrorHandler())
                        applicationErrorHandler()(e);
                    else
                        std::cerr << e.what() << '\n';
                    return;
                case TScriptAction::ScriptActionIgnore:
                    return;
                case TScriptAction::ScriptActionRetry:
                    break;
            }
        }
    }
}
