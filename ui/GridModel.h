#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <vector>

#include "db/DataSource.h"
#include "ui/GridColumn.h"

namespace ui {

// The rows of a data source as a grid shows them: the grid's columns, picked from the source by
// field name, and the rows handed to the view in batches as it scrolls towards them, fetched
// from the source's query only then, so that a long result opens as quickly as a short one.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kFetchBatch = 200;

    explicit GridModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void setSource(db::DataSource* source);
    db::DataSource* source() const { return source_; }
    void setColumns(std::vector<GridColumn> columns);
    const std::vector<GridColumn>& columns() const { return columns_; }
    void setTitle(int column, const QString& title);
    // Editors opened from now on take the mask; the rows stay as they are.
    void setEditMask(int column, const QString& mask) { columns_.at(column).editMask = mask; }
    void setEditable(bool on) { editable_ = on; }

    // Makes sure the row has been handed to the view.
    void fetchUpTo(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    int sourceRows() const;
    QModelIndex sourceIndex(const QModelIndex& index) const;
    void sourceReset();
    void sourceChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);

    QPointer<db::DataSource> source_;
    std::vector<GridColumn> columns_;
    std::vector<int> sourceColumns_;  // per grid column, -1 when the source lacks the field
    int fetched_ = 0;
    bool editable_ = false;
};

}  // namespace ui
