// The INFORMATION_SCHEMA views over the file's schema and the engine's metadata.
#include "tsql/InformationSchema.h"

#include <sqlite3.h>

#include <optional>

#include "tsql/Catalog.h"
#include "tsql/SqliteSyntax.h"

namespace tsql {

namespace {

struct View {
    const char* name;
    const char* columnTypes;  // T-SQL types of its columns, as SQL Server declares them
    QByteArray select;
};

const char* const kUserObject = "substr(m.name,1,7) <> 'sqlite_' AND substr(m.name,1,5) <> 'tsql_'";

std::vector<View> views(const QByteArray& catalog, bool viewText) {
    const QByteArray owner = catalog + " AS TABLE_CATALOG, 'dbo' AS TABLE_SCHEMA, ";
    QByteArray facets;
    static const char* const names[] = {
        "DATA_TYPE",         "CHARACTER_MAXIMUM_LENGTH", "CHARACTER_OCTET_LENGTH",
        "NUMERIC_PRECISION", "NUMERIC_PRECISION_RADIX",  "NUMERIC_SCALE",
        "DATETIME_PRECISION"};
    for (int k = 0; k < 7; ++k)
        facets += "tsql_type_facet(p.type, " + QByteArray::number(k) + ") AS " + names[k] + ", ";
    return {
        {"tables", "nvarchar(128);nvarchar(128);nvarchar(128);varchar(10)",
         "SELECT " + owner +
             "m.name AS TABLE_NAME, CASE m.type WHEN 'table' THEN 'BASE TABLE' ELSE 'VIEW' END "
             "AS TABLE_TYPE FROM main.sqlite_master m WHERE m.type IN ('table','view') AND " +
             kUserObject},
        {"columns",
         "nvarchar(128);nvarchar(128);nvarchar(128);nvarchar(128);int;nvarchar(4000);varchar(3);"
         "nvarchar(128);int;int;tinyint;smallint;int;smallint;nvarchar(128);nvarchar(128);"
         "nvarchar(128);nvarchar(128);nvarchar(128);nvarchar(128);nvarchar(128);nvarchar(128);"
         "nvarchar(128)",
         "SELECT " + owner +
             "m.name AS TABLE_NAME, p.name AS COLUMN_NAME, p.cid + 1 AS ORDINAL_POSITION, "
             // The default's text as SQL Server keeps it; made from its SQLite text for one
             // made before the engine kept it, or of another form.
             "CASE WHEN p.dflt_value IS NULL THEN NULL ELSE coalesce((SELECT "
             "nullif(c.detail, '') FROM main.tsql_constraints c WHERE c.kind = 'DF' AND "
             "c.table_name = m.name AND c.columns = p.name), CASE WHEN p.dflt_value GLOB "
             "'[0-9-]*' THEN '((' || p.dflt_value || '))' ELSE '(' || p.dflt_value || ')' END) "
             "END AS COLUMN_DEFAULT, CASE WHEN p.\"notnull\" THEN 'NO' ELSE 'YES' END AS "
             "IS_NULLABLE, " +
             facets +
             "NULL AS CHARACTER_SET_CATALOG, NULL AS CHARACTER_SET_SCHEMA, "
             "NULL AS CHARACTER_SET_NAME, NULL AS COLLATION_CATALOG, NULL AS COLLATION_SCHEMA, "
             "NULL AS COLLATION_NAME, NULL AS DOMAIN_CATALOG, NULL AS DOMAIN_SCHEMA, "
             "NULL AS DOMAIN_NAME "
             "FROM main.sqlite_master m, pragma_table_xinfo(m.name, 'main') p "
             "WHERE m.type IN ('table','view') AND p.hidden <> 1 AND " +
             kUserObject},
        // The T-SQL text of the view, its first 4000 characters.
        {"views", "nvarchar(128);nvarchar(128);nvarchar(128);nvarchar(4000);varchar(7);varchar(2)",
         "SELECT " + owner + "m.name AS TABLE_NAME, " +
             (viewText ? "(SELECT substr(v.definition, 1, 4000) FROM main.tsql_views v WHERE "
                         "v.name = m.name)"
                       : "NULL") +
             " AS VIEW_DEFINITION, 'NONE' AS CHECK_OPTION, 'NO' AS IS_UPDATABLE FROM "
             "main.sqlite_master m WHERE m.type = 'view' AND " +
             kUserObject},
        {"routines",
         "nvarchar(128);nvarchar(128);nvarchar(128);nvarchar(128);nvarchar(128);nvarchar(128);"
         "nvarchar(20);nvarchar(128);nvarchar(30);nvarchar(4000);datetime;datetime",
         "SELECT " + catalog +
             " AS SPECIFIC_CATALOG, 'dbo' AS SPECIFIC_SCHEMA, "
             "p.name AS SPECIFIC_NAME, " +
             catalog +
             " AS ROUTINE_CATALOG, "
             "'dbo' AS ROUTINE_SCHEMA, p.name AS ROUTINE_NAME, 'PROCEDURE' AS ROUTINE_TYPE, "
             "NULL AS DATA_TYPE, 'SQL' AS ROUTINE_BODY, "
             "substr(p.definition, 1, 4000) AS ROUTINE_DEFINITION, p.created AS CREATED, "
             "p.created AS LAST_ALTERED FROM main.tsql_procedures p "
             // A condition keeps SQLite from counting the metadata table's rows by itself.
             "WHERE p.name IS NOT NULL UNION ALL SELECT " +
             catalog + ", 'dbo', f.name, " + catalog +
             ", 'dbo', f.name, 'FUNCTION', f.data_type, 'SQL', substr(f.definition, 1, 4000), "
             "f.created, f.created FROM main.tsql_functions f WHERE f.name IS NOT NULL"},
        // A key's columns are kept as one comma-separated list: taken apart as a JSON array.
        {"key_column_usage",
         "nvarchar(128);nvarchar(128);nvarchar(128);nvarchar(128);nvarchar(128);nvarchar(128);"
         "nvarchar(128);int",
         "SELECT " + catalog +
             " AS CONSTRAINT_CATALOG, 'dbo' AS CONSTRAINT_SCHEMA, "
             "c.name AS CONSTRAINT_NAME, " +
             catalog +
             " AS TABLE_CATALOG, 'dbo' AS TABLE_SCHEMA, "
             "c.table_name AS TABLE_NAME, k.value AS COLUMN_NAME, k.key + 1 AS ORDINAL_POSITION "
             "FROM main.tsql_constraints c, json_each('[\"' || replace(replace(replace(c.columns, "
             "'\\', '\\\\'), '\"', '\\\"'), ',', '\",\"') || '\"]') k "
             "WHERE c.kind IN ('PK','UQ','FK')"},
    };
}

std::optional<qint64> facet(const SqlType& t, int which) {
    switch (which) {
        case 1:
        case 2:
            if (!t.isText())
                return std::nullopt;
            if (t.base == SqlType::Text)
                return 2147483647;
            if (t.length < 0)
                return -1;
            return which == 2 && (t.base == SqlType::NChar || t.base == SqlType::NVarChar)
                       ? 2 * t.length
                       : t.length;
        case 3: {
            static const int precisions[] = {0, 0, 3, 5, 10, 19, 0, 19, 53, 24};
            if (t.base == SqlType::Decimal)
                return t.precision;
            const int p = t.base <= SqlType::Real ? precisions[t.base] : 0;
            return p ? std::optional<qint64>(p) : std::nullopt;
        }
        case 4:
            if (t.base == SqlType::Bit || !t.isNumeric())
                return std::nullopt;
            return t.isApprox() ? 2 : 10;
        case 5:
            if (t.base == SqlType::Bit || !t.isExact())
                return std::nullopt;
            return t.base == SqlType::Decimal ? t.scale : t.base == SqlType::Money ? 4 : 0;
        case 6:
            if (!t.isTemporal())
                return std::nullopt;
            return t.base == SqlType::Date ? 0 : t.isDateTime() ? 3 : t.scale;
    }
    return std::nullopt;
}

void typeFacet(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const unsigned char* declared = sqlite3_value_text(argv[0]);
    const SqlType t = columnType(
        declared ? QString::fromUtf8(reinterpret_cast<const char*>(declared)) : QString());
    const int which = sqlite3_value_int(argv[1]);
    if (!t.known()) {
        sqlite3_result_null(ctx);
        return;
    }
    if (which == 0) {
        const QByteArray name = t.toSql().section(u'(', 0, 0).toUtf8();
        sqlite3_result_text(ctx, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        return;
    }
    const std::optional<qint64> v = facet(t, which);
    if (v)
        sqlite3_result_int64(ctx, *v);
    else
        sqlite3_result_null(ctx);
}

}  // namespace

std::vector<QByteArray> informationSchemaViews(const QString& catalog, bool viewText) {
    std::vector<QByteArray> sql;
    for (const View& v : views(sqlite::text(catalog), viewText)) {
        const QByteArray name = QByteArray("information_schema_") + v.name;
        sql.push_back("CREATE TEMP VIEW " + name + " AS " + v.select);
        sql.push_back("INSERT INTO temp.tsql_views (name, column_types) VALUES ('" + name + "', '" +
                      v.columnTypes + "')");
    }
    return sql;
}

void registerTypeFacet(sqlite3* db) {
    sqlite3_create_function(db, "tsql_type_facet", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            &typeFacet, nullptr, nullptr);
}

}  // namespace tsql
