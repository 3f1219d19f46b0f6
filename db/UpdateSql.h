#pragma once

#include <QObject>
#include <QStringList>

namespace db {

// The statements that apply a cached-updates query's edits. Each statement refers to the new
// column values as :Column and to the values as fetched as :OLD_Column.
class UpdateSql : public QObject {
    Q_OBJECT
public:
    explicit UpdateSql(QObject* parent = nullptr) : QObject(parent) {}

    QStringList modifySql;
    QStringList insertSql;
    QStringList deleteSql;
};

}  // namespace db
