#include "db/StoredProc.h"

#include "db/Connection.h"
#include "dbcore/Error.h"

namespace db {

Param& StoredProc::addParam(const QString& name, FieldType type, ParamDirection direction) {
    if (!name.startsWith('@'))
        throw Error::client(
            QStringLiteral("%1: parameter name '%2' must begin with '@'").arg(objectName(), name));
    return params_.add(Param(name, type, direction));
}

void StoredProc::execProc() {
    if (procName_.isEmpty())
        throw Error::client(QStringLiteral("%1: no procedure name").arg(objectName()));
    std::vector<ProcArg> args;
    for (const auto& p : params_) {
        if (p.direction() == ParamDirection::Result)
            continue;
        if ((p.direction() == ParamDirection::Input ||
             p.direction() == ParamDirection::InputOutput) &&
            !p.isBound())
            throw Error::client(QStringLiteral("No value for parameter '%1'").arg(p.name()));
        args.push_back({p.name(), p.type(), p.direction(), p.value()});
    }
    results_ = {};
    result_ = Connection::byName(databaseName_).callProcedure(procName_, args, &results_);
    for (const auto& a : args) {
        if (a.direction == ParamDirection::Output || a.direction == ParamDirection::InputOutput)
            params_.byName(a.name).setValue(a.type, a.value);
    }
    for (auto& p : params_)
        if (p.direction() == ParamDirection::Result)
            p.setValue(FieldType::Integer, QVariant::fromValue<qint64>(result_));
}

}  // namespace db
