#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "tsql/Ast.h"
#include "tsql/Token.h"

namespace tsql {

struct MergeClause;
struct MergeNames;

// Recursive-descent parser of the T-SQL subset. Raises db::Error 102 for a syntax error and
// the engine's "not supported" error for recognised constructs it does not run.
class Parser {
public:
    // Grouping sets of a SELECT core: for each set, the indexes of its expressions in the core's
    // GROUP BY list.
    using GroupingSets = std::vector<std::vector<int>>;

    explicit Parser(const QString& sql);

    // The statements of a batch.
    StmtList parseBatch();
    // A single expression (used by tests and for stored defaults).
    ExprPtr parseStandaloneExpression();
    // Number of `?` markers in the text.
    int parameterCount() const { return paramCount_; }
    // Statements parsed so far, nested ones included: their indexes are below this.
    int statementCount() const { return statements_; }

private:
    // statements
    StmtPtr parseStatement();
    StmtPtr parseStatementBody();
    StmtPtr parseSelectStatement();
    StmtPtr parseWith();
    StmtPtr parseTruncate();
    StmtPtr parseLoopControl(Stmt::Kind kind);
    StmtPtr parsePrint();
    StmtPtr parseWaitfor();
    StmtPtr parseUse();
    StmtList parseUntilEnd(const char* endWord, const char* second = nullptr);
    StmtPtr parseBegin();
    StmtPtr parseIf();
    StmtPtr parseWhile();
    StmtPtr parseDeclare();
    StmtPtr parseSet();
    std::unique_ptr<ExecStmt> parseExec();
    StmtPtr parseReturn();
    StmtPtr parseTransaction(int action);
    StmtPtr parseRaiserror();
    StmtPtr parseThrow();
    StmtPtr parseInsert();
    StmtPtr parseUpdate();
    std::vector<Assignment> parseAssignments();
    StmtPtr parseDelete();
    // OUTPUT, FROM, WHERE (CURRENT OF too) and OPTION, with which UPDATE and DELETE end.
    template <typename Change>
    void parseChangeClauses(Change& s, bool outputsInserted);
    // cursors (ParseCursors.cpp)
    StmtPtr parseCursorDeclaration(const QString& name);
    bool parseCursorOptions(DeclareCursorStmt& d);
    std::unique_ptr<Select> parseCursorSelect();
    CursorRef parseCursorRef();
    StmtPtr parseCursorAction(int action);
    StmtPtr parseFetch();
    ExprPtr parseChangeCondition(const ObjectName& target, std::optional<CursorRef>& cursor);
    // MERGE (ParseMerge.cpp)
    StmtPtr parseMerge();
    void skipTableHints();
    MergeClause parseMergeClause(const MergeNames& names, int number);
    StmtPtr parseMergeInsert(const MergeNames& names, ExprPtr filedHere);
    std::unique_ptr<Select> mergeRows(const MergeNames& names, TableRefPtr source, ExprPtr on,
                                      std::vector<MergeClause>& clauses);
    std::unique_ptr<OutputClause> parseMergeOutput(const char* action);
    StmtPtr parseCreate();
    StmtPtr parseAlter();
    StmtPtr parseDrop();
    StmtPtr parseCreateTable();
    StmtPtr parseCreateProcedure(bool alter);
    StmtPtr parseCreateTrigger(CreateTriggerStmt::Mode mode);
    StmtList parseRestOfBatch();
    StmtPtr parseCreateFunction(bool alter, bool orAlter);
    std::vector<ProcParam> parseParameters();
    void skipRoutineOptions();
    void parseTableColumns(CreateTableStmt& t);
    StmtPtr parseCreateIndex(bool unique, bool clustered);
    ColumnDef parseColumnDef(std::vector<TableConstraint>& constraints);
    bool parseTableConstraint(std::vector<TableConstraint>& out);
    void parseReferences(ObjectName& table, QStringList& columns);
    void skipIndexOptions();

    // queries
    std::unique_ptr<Select> parseSelect();
    std::vector<SelectCore> parseSelectCores();
    SelectCore parseSelectCore(GroupingSets* sets);
    // GROUP BY ROLLUP, CUBE and GROUPING SETS (ParseGrouping.cpp).
    GroupingSets parseGroupBy(SelectCore& c);
    GroupingSets parseGroupingElement(std::vector<ExprPtr>& grouping, bool inSets);
    GroupingSets parseRollupOrCube(std::vector<ExprPtr>& grouping);
    std::vector<int> parseGroupingColumns(std::vector<ExprPtr>& grouping);
    bool isColumnList() const;
    SelectItem parseSelectItem();
    std::vector<TableRefPtr> parseFromList();
    TableRefPtr parseTableRef();
    TableRefPtr parseJoins(TableRefPtr left);
    std::optional<TableRef::JoinType> parseJoinType();
    TableRefPtr parseTablePrimary();
    // PIVOT and UNPIVOT after a table source (ParsePivot.cpp).
    TableRefPtr parseRotation(TableRefPtr source);
    std::vector<OrderItem> parseOrderList();
    ExprPtr parseTop();
    void parseOffset(Select& s);
    int parseOption();
    void skipPlanHint();
    std::unique_ptr<OutputClause> parseOutput(bool inserted, bool deleted);
    std::unique_ptr<Select> parseValues();
    void nameColumns(TableRef& t);

    // expressions
    ExprPtr parseExpr();
    // An expression that yields a value, where SQL Server takes no condition (a select list's
    // item): a comparison, IS, BETWEEN, LIKE or IN after it is left to fail as a syntax error.
    ExprPtr parseValue();
    ExprPtr parseAnd();
    ExprPtr parseNot();
    ExprPtr parsePredicate();
    // The comparison operator at the current token, consumed, in its canonical spelling (!= is
    // <>, !< is >=, !> is <=); empty when there is none.
    QString acceptComparison();
    static ExprPtr predicate(Expr::Kind kind, ExprPtr operand, bool negated);
    ExprPtr parseBetween(ExprPtr operand, bool negated);
    ExprPtr parseLike(ExprPtr operand, bool negated);
    ExprPtr parseIn(ExprPtr operand, bool negated);
    ExprPtr parseAdditive();
    ExprPtr parseMultiplicative();
    ExprPtr parseUnary();
    ExprPtr parsePrimary();
    ExprPtr parseLiteral();
    ExprPtr parseParenthesized();
    ExprPtr parseWordPrimary();
    ExprPtr parseColumnReference();
    ExprPtr parseFunction(const QString& name);
    // (argument, ...) of a user function, which may be DEFAULT.
    std::vector<ExprPtr> parseCallArguments();
    ExprPtr parseExprOrDefault();
    std::unique_ptr<WindowSpec> parseOver();
    WindowFrame::Bound parseFrameBound(bool following);
    ExprPtr parseCase();
    ExprPtr parseCast(bool convert);
    SqlType parseType(QString* aliasName);
    ObjectName parseObjectName();
    // A table name, or a table variable (@t) kept as its name.
    ObjectName parseTableName();
    QString parseName();
    QStringList parseNamesToParenthesis();
    qint64 parseSignedInteger();
    bool startsSubquery() const;

    // tokens
    const Token& peek(int ahead = 0) const;
    const Token& next();
    bool acceptWord(const char* w);
    bool acceptSymbol(const char* s);
    void expectWord(const char* w);
    void expectSymbol(const char* s);
    bool atStatementEnd() const;
    bool isReserved(const Token& t) const;
    [[noreturn]] void fail() const;
    QString sourceFrom(int startToken) const;

    // One level of nesting (a parenthesis, a sub-select, NOT, a statement inside a block, a
    // join) while it lives. Beyond the limit the statement ends with SQL Server's error 191,
    // long before the recursion of the parser, the translation or the interpreter could exhaust
    // the stack. Flat chains (a OR b OR c ..., a + b + c ...) do not nest.
    class Nesting {
    public:
        explicit Nesting(Parser& p);
        ~Nesting() { --p_.depth_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        Parser& p_;
    };
    static constexpr int kMaxNesting = 128;

    QString sql_;
    std::vector<Token> toks_;
    size_t pos_ = 0;
    int paramCount_ = 0;
    int statements_ = 0;
    int depth_ = 0;
    size_t groupingCores_ = 0;  // the SELECT cores grouping sets have made so far
    QString mergeAction_;  // while an OUTPUT is read as a MERGE clause's: its verb, for $action
};

}  // namespace tsql
