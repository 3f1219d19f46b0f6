#include "ui/GridModel.h"

#include <algorithm>

#include "db/DataSource.h"

namespace ui {

void GridModel::setSource(db::DataSource* source) {
    if (source_)
        disconnect(source_, nullptr, this, nullptr);
    source_ = source;
    if (source_) {
        connect(source_, &QAbstractItemModel::modelReset, this, &GridModel::sourceReset);
        connect(source_, &QAbstractItemModel::dataChanged, this, &GridModel::sourceChanged);
    }
    sourceReset();
}

void GridModel::setColumns(std::vector<GridColumn> columns) {
    columns_ = std::move(columns);
    sourceReset();
}

void GridModel::setTitle(int column, const QString& title) {
    columns_.at(column).title = title;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void GridModel::sourceReset() {
    beginResetModel();
    sourceColumns_.clear();
    for (const GridColumn& c : columns_)
        sourceColumns_.push_back(source_ ? source_->columnOf(c.field) : -1);
    fetched_ = std::min(sourceRows(), kFetchBatch);
    endResetModel();
}

// Cell by cell, so that an open cell editor shows a value written while it is open.
void GridModel::sourceChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight) {
    const int last = std::min(bottomRight.row(), fetched_ - 1);
    for (int row = topLeft.row(); row <= last; ++row)
        for (int column = 0; column < columnCount(); ++column) {
            const int source = sourceColumns_[column];
            if (source >= topLeft.column() && source <= bottomRight.column())
                emit dataChanged(index(row, column), index(row, column));
        }
}

int GridModel::sourceRows() const {
    return source_ ? source_->rowCount() : 0;
}

void GridModel::fetchUpTo(int row) {
    while (row >= sourceRows() && source_ && source_->canFetchMore({}))
        source_->fetchMore({});
    if (row < fetched_ || row >= sourceRows())
        return;
    const int last = std::min(sourceRows(), (row / kFetchBatch + 1) * kFetchBatch) - 1;
    beginInsertRows({}, fetched_, last);
    fetched_ = last + 1;
    endInsertRows();
}

bool GridModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && (fetched_ < sourceRows() || (source_ && source_->canFetchMore({})));
}

void GridModel::fetchMore(const QModelIndex& parent) {
    if (canFetchMore(parent))
        fetchUpTo(fetched_);
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : fetched_;
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QModelIndex GridModel::sourceIndex(const QModelIndex& index) const {
    if (!source_ || !index.isValid())
        return {};
    const int column = sourceColumns_.at(index.column());
    return column < 0 ? QModelIndex() : source_->index(index.row(), column);
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const GridColumn& column = columns_.at(index.column());
    if (role == Qt::TextAlignmentRole && column.alignment)
        return int(column.alignment | Qt::AlignVCenter);
    if (role == Qt::BackgroundRole && column.background.isValid())
        return column.background;
    const QModelIndex source = sourceIndex(index);
    return source.isValid() ? source.data(role) : QVariant();
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const QModelIndex source = sourceIndex(index);
    return source.isValid() && source_->setData(source, value, role);
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const GridColumn& column = columns_.at(section);
    if (role == Qt::DisplayRole)
        return column.title.isEmpty() ? column.field : column.title;
    if (role == Qt::TextAlignmentRole && column.titleAlignment)
        return int(column.titleAlignment | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const QModelIndex source = sourceIndex(index);
    if (editable_ && source.isValid() && !columns_.at(index.column()).readOnly)
        flags |= source.flags() & Qt::ItemIsEditable;
    return flags;
}

}  // namespace ui
