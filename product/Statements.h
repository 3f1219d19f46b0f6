#pragma once

// Building blocks the parts of the product services module share: named, typed statements on
// the company connection and the settings they read.

#include <QStringList>
#include <initializer_list>
#include <utility>
#include <vector>

#include "db/Query.h"

namespace product::detail {

using ParamTypes = std::vector<std::pair<const char*, db::FieldType>>;

// A query named `name` on DMDATA holding `lines`, its parameters typed.
db::Query* makeQuery(QObject* owner, const char* name, const QStringList& lines,
                     ParamTypes params = {});

// Closes a query and gives its parameters values, in the order listed, each converted to the
// parameter's declared type.
void closeAndSet(db::Query& query, std::initializer_list<std::pair<const char*, QVariant>> values);

// Puts `line` at `index` of the query's statement; a line that already reads so is kept, which
// spares scanning the statement again.
void rewriteLine(db::Query& query, int index, const QString& line);

// Opens a query (closed and given its parameters by the caller) and tells whether it holds a
// row; it stays open on its first row.
bool openFound(db::Query& query);

// The first row's column as text, or empty text when the query holds no row.
QString firstText(db::Query& query, const char* column);

// Settings of the company configuration row.
QString configText(const char* column);
qint64 configInteger(const char* column);

// The current user's id, as the configuration module holds it.
int currentUserId();

}  // namespace product::detail
