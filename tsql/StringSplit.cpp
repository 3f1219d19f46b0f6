#include "tsql/StringSplit.h"

#include "tsql/Errors.h"
#include "tsql/Parser.h"

namespace tsql {

namespace {

std::shared_ptr<const CreateFunctionStmt> parsedStringSplit() {
    const QString source =
        QStringLiteral(
            "CREATE FUNCTION %1 (@string nvarchar(max), @separator nvarchar(max)) "
            "RETURNS @rows TABLE (value varchar(8000)) AS BEGIN RETURN END")
            .arg(QLatin1StringView(kStringSplit));
    auto statements = std::make_shared<StmtList>(Parser(source).parseBatch());
    return {statements, static_cast<const CreateFunctionStmt*>(statements->front().get())};
}

}  // namespace

std::shared_ptr<const CreateFunctionStmt> builtinTableFunction(const ObjectName& name) {
    if (!name.database.isEmpty() || !name.schema.isEmpty())
        return nullptr;
    if (name.name.compare(u"string_split", Qt::CaseInsensitive) != 0 &&
        name.name.compare(QLatin1StringView(kStringSplit), Qt::CaseInsensitive) != 0)
        return nullptr;
    static const std::shared_ptr<const CreateFunctionStmt> stringSplit = parsedStringSplit();
    return stringSplit;
}

std::vector<std::vector<Value>> stringSplitRows(const std::vector<Value>& args) {
    const QString separator = args.size() > 1 ? args[1].toString() : QString();
    if (args.size() != 2 || args[1].isNull() || separator.size() != 1)
        raise(214, QStringLiteral("Procedure expects parameter 'separator' of type "
                                  "'nchar(1)/nvarchar(1)'."));
    std::vector<std::vector<Value>> rows;
    if (args[0].isNull())
        return rows;
    for (const QString& piece : args[0].toString().split(separator.front()))
        rows.push_back({Value::text(piece)});
    return rows;
}

}  // namespace tsql
