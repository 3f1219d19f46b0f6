#include "tsql/KeptText.h"

#include <QStringList>

#include "tsql/Ast.h"

namespace tsql {

namespace {

std::optional<QString> partText(const Expr& e) {
    switch (e.kind) {
        case Expr::Literal:
            if (e.lit == Expr::Null)
                return QStringLiteral("NULL");
            if (e.lit == Expr::String)
                return (e.national ? QStringLiteral("N'") : QStringLiteral("'")) +
                       QString(e.text).replace(u'\'', QStringLiteral("''")) + u'\'';
            return u'(' + e.text + u')';
        case Expr::Column:  // a date part of DATEADD and its kin
            if (e.parts.size() == 1)
                return e.parts.front();
            return std::nullopt;
        case Expr::Function: {
            if (e.isUserFunction() || e.star || e.distinct || e.over || e.withinGroup)
                return std::nullopt;
            QStringList args;
            for (const ExprPtr& a : e.args) {
                const std::optional<QString> arg = partText(*a);
                if (!arg)
                    return std::nullopt;
                args << *arg;
            }
            return e.text + u'(' + args.join(u',') + u')';
        }
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<QString> keptDefaultText(const Expr& e) {
    const std::optional<QString> text = partText(e);
    if (!text)
        return std::nullopt;
    return u'(' + *text + u')';
}

}  // namespace tsql
