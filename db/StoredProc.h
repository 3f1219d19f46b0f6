#pragma once

#include <QObject>

#include "db/Param.h"

namespace db {

class Connection;

// A stored procedure on a named connection with `@name` parameters in or out, and the integer
// return status in result().
class StoredProc : public QObject {
    Q_OBJECT
public:
    explicit StoredProc(QObject* parent = nullptr) : QObject(parent) {}
    // The procedure `procedure` on the connection `databaseName`, named `name`.
    StoredProc(const QString& name, const QString& databaseName, const QString& procedure,
               QObject* parent)
        : QObject(parent), databaseName_(databaseName), procName_(procedure) {
        setObjectName(name);
    }

    void setDatabaseName(const QString& name) { databaseName_ = name; }
    const QString& databaseName() const { return databaseName_; }
    void setStoredProcName(const QString& name) { procName_ = name; }
    const QString& storedProcName() const { return procName_; }

    Params& params() { return params_; }
    Param& paramByName(const QString& name) { return params_.byName(name); }
    // Declares a parameter; `name` carries its '@'.
    Param& addParam(const QString& name, FieldType type,
                    ParamDirection direction = ParamDirection::Input);

    // Executes; output parameters then hold the values the procedure set.
    void execProc();
    int result() const { return result_; }
    // Row sets the procedure yielded on its last run.
    const BatchResult& results() const { return results_; }

private:
    QString databaseName_;
    QString procName_;
    Params params_;
    int result_ = 0;
    BatchResult results_;
};

}  // namespace db
