#pragma once

#include <QAbstractTableModel>
#include <QPointer>

#include "db/Query.h"

namespace db {

// Exposes a query's rows to Qt item views: one row per record, one column per field, titles
// from the field names. Follows the query as it opens, closes, changes and fetches, and its
// current record; a view fetches the query's further rows through it as it scrolls towards them.
// The fields of a query with cached updates can be edited through it.
class DataSource : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DataSource(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void setDataSet(Query* query);
    Query* dataSet() const { return query_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    // Writes the value into the row's field in the query's cache.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Makes the row the query's current record.
    void setCurrentRow(int row);
    // Column index of a field name, -1 when absent.
    int columnOf(const QString& fieldName) const;

signals:
    // The query's current record moved.
    void currentRowChanged(int row);

private:
    void reset();
    void rowsFetched(int last);

    QPointer<Query> query_;
    int rows_ = 0;  // the query's rows the views know of
};

}  // namespace db
