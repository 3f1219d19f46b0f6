#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

#include "db/Param.h"

namespace db {
class Connection;
class Error;
class Query;
}  // namespace db

// What to do with a statement of a script that failed.
enum class TScriptAction {
    ScriptActionFail,      // let the error pass on
    ScriptActionAbort,     // end the run silently
    ScriptActionRetry,     // run the same statement again
    ScriptActionIgnore,    // go on with the next statement
    ScriptActionContinue,  // report the error to the application, then go on
};

class TSQLScript;
using TScriptErrorEvent = std::function<void(TSQLScript& sender, db::Error& e, int lineNo,
                                             int statementNo, TScriptAction& action)>;

// Runs a script of several statements on a named connection, one after the other. Statements end
// at a line holding only Term ("/") or, with SemicolonTerm, at a semicolon. One set of named
// parameters serves every statement.
class TSQLScript : public QObject {
    Q_OBJECT
public:
    explicit TSQLScript(QObject* parent = nullptr);
    ~TSQLScript() override;

    QString DatabaseName;
    bool IgnoreParams = false;
    bool SemicolonTerm = true;
    QString SessionName;
    QChar Term = '/';
    bool Transaction = false;
    std::function<void(TSQLScript&)> BeforeExec;
    std::function<void(TSQLScript&)> AfterExec;
    TScriptErrorEvent OnScriptError;

    const QStringList& SQL() const { return sql_; }
    // Replaces the lines and rebuilds Params, keeping values of names that remain.
    void setSQL(const QStringList& lines);
    db::Params& Params() { return params_; }
    // Copies type and value of each given parameter into the script's one of the same name.
    void setParams(const db::Params& params) { params_.assignValues(params); }
    db::Param& ParamByName(const QString& name) { return params_.byName(name); }

    db::Connection& Database() const;

    // Runs every statement, in order.
    void ExecSQL() { run(-1); }
    // Runs only statement n (counted from 0 over the non-empty statements), never in a
    // transaction. Fails with a list-index error when there is no such statement.
    void ExecStatement(int n) { run(n); }

    // Receives the errors of statements whose error hook chose ScriptActionContinue; the
    // application sets it to its error handler. Without one they go to standard error.
    static void setApplicationErrorHandler(std::function<void(const std::exception&)> handler);

protected:
    virtual void ExecuteScript(int n);

private:
    void run(int n);
    void ExecuteStatement(const QStringList& statement, int lineNo, int statementNo);
    void executeOnce(const QStringList& statement);

    QStringList sql_;
    db::Params params_;
    db::Query* statementQuery_;
};
