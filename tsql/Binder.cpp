#include "tsql/Binder.h"

#include "tsql/Errors.h"

namespace tsql {

void Binder::addCommonTable(const QString& name, std::vector<ColumnInfo> columns) {
    commonTables_.emplace_back(name, std::move(columns));
}

const std::vector<ColumnInfo>* Binder::commonTable(const QString& name) const {
    for (auto it = commonTables_.rbegin(); it != commonTables_.rend(); ++it)
        if (it->first.compare(name, Qt::CaseInsensitive) == 0)
            return &it->second;
    return nullptr;
}

void Binder::push() {
    levels_.emplace_back();
}

void Binder::pop() {
    levels_.pop_back();
}

void Binder::addTable(const QString& alias, const TableInfo* table) {
    if (levels_.empty())
        push();
    for (const auto& s : levels_.back().sources)
        if (s.alias.compare(alias, Qt::CaseInsensitive) == 0)
            raise(1013,
                  QStringLiteral("The objects \"%1\" and \"%1\" in the FROM clause have the "
                                 "same exposed names. Use correlation names to distinguish them.")
                      .arg(alias));
    levels_.back().sources.push_back({alias, table->columns});
}

void Binder::addDerived(const QString& alias, std::vector<ColumnInfo> columns) {
    if (levels_.empty())
        push();
    levels_.back().sources.push_back({alias, std::move(columns)});
}

void Binder::setSelectAliases(std::vector<std::pair<QString, SqlType>> aliases) {
    if (levels_.empty())
        push();
    levels_.back().aliases = std::move(aliases);
}

std::optional<std::pair<QString, SqlType>> Binder::selectAlias(const QString& name) const {
    if (levels_.empty())
        return std::nullopt;
    for (const auto& a : levels_.back().aliases)
        if (a.first.compare(name, Qt::CaseInsensitive) == 0)
            return a;
    return std::nullopt;
}

void Binder::bind(const Expr& column) const {
    const QStringList& parts = column.parts;
    const QString col = parts.last();
    // Qualifier: the last qualifying part is the table's correlation name (Db.dbo.T.Col too).
    const QString qualifier = parts.size() >= 2 ? parts[parts.size() - 2] : QString();
    for (auto level = levels_.rbegin(); level != levels_.rend(); ++level) {
        const Source* found = nullptr;
        const ColumnInfo* info = nullptr;
        for (const auto& s : level->sources) {
            if (!qualifier.isEmpty() && s.alias.compare(qualifier, Qt::CaseInsensitive) != 0)
                continue;
            for (const auto& c : s.columns) {
                if (c.name.compare(col, Qt::CaseInsensitive) == 0) {
                    if (found && qualifier.isEmpty())
                        raise(209, QStringLiteral("Ambiguous column name '%1'.").arg(col));
                    found = &s;
                    info = &c;
                    break;
                }
            }
        }
        if (found) {
            column.binding = {found->alias, info->name, info->type};
            return;
        }
        if (!qualifier.isEmpty()) {
            bool known = false;
            for (const auto& s : level->sources)
                known = known || s.alias.compare(qualifier, Qt::CaseInsensitive) == 0;
            if (known)
                invalidColumn(col);
        }
    }
    if (!qualifier.isEmpty()) {
        raise(4104, QStringLiteral("The multi-part identifier \"%1\" could not be bound.")
                        .arg(parts.join(u'.')));
    }
    invalidColumn(col);
}

std::vector<ColumnBinding> Binder::star(const QStringList& qualifier) const {
    std::vector<ColumnBinding> out;
    if (levels_.empty())
        raise(263, QStringLiteral("Must specify table to select from."));
    const QString q = qualifier.isEmpty() ? QString() : qualifier.last();
    bool matched = false;
    for (const auto& s : levels_.back().sources) {
        if (!q.isEmpty() && s.alias.compare(q, Qt::CaseInsensitive) != 0)
            continue;
        matched = true;
        for (const auto& c : s.columns)
            out.push_back({s.alias, c.name, c.type});
    }
    if (!matched) {
        if (q.isEmpty())
            raise(263, QStringLiteral("Must specify table to select from."));
        raise(4104, QStringLiteral("The multi-part identifier \"%1\" could not be bound.")
                        .arg(qualifier.join(u'.')));
    }
    return out;
}

}  // namespace tsql
