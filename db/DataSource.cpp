#include "db/DataSource.h"

namespace db {

void DataSource::setDataSet(Query* query) {
    if (query_)
        disconnect(query_, nullptr, this, nullptr);
    query_ = query;
    if (query_) {
        connect(query_, &Query::opened, this, &DataSource::reset);
        connect(query_, &Query::closed, this, &DataSource::reset);
        connect(query_, &Query::rowsChanged, this, &DataSource::reset);
        connect(query_, &Query::rowsFetched, this, [this](int, int last) { rowsFetched(last); });
        connect(query_, &Query::valueChanged, this, [this](int row, int column) {
            emit dataChanged(index(row, column), index(row, column));
        });
        connect(query_, &Query::currentChanged, this, &DataSource::currentRowChanged);
    }
    reset();
}

void DataSource::reset() {
    beginResetModel();
    rows_ = query_ && query_->isActive() ? query_->fetchedCount() : 0;
    endResetModel();
}

void DataSource::rowsFetched(int last) {
    if (last < rows_)
        return;
    beginInsertRows({}, rows_, last);
    rows_ = last + 1;
    endInsertRows();
}

int DataSource::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !query_ ? 0 : rows_;
}

bool DataSource::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && query_ && query_->isActive() && query_->canFetchMore();
}

void DataSource::fetchMore(const QModelIndex& parent) {
    if (canFetchMore(parent))
        query_->fetchMore();
}

int DataSource::columnCount(const QModelIndex& parent) const {
    if (parent.isValid() || !query_ || !query_->isActive())
        return 0;
    return static_cast<int>(query_->columns().size());
}

QVariant DataSource::data(const QModelIndex& index, int role) const {
    if (!query_ || !index.isValid())
        return {};
    const QVariant value = query_->valueAt(index.row(), index.column());
    if (role == Qt::DisplayRole)
        return variantToString(value);
    if (role == Qt::EditRole)
        return value;
    if (role == Qt::TextAlignmentRole) {
        const FieldType type = query_->columns()[index.column()].type;
        if (type == FieldType::Integer || type == FieldType::Float)
            return int(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant DataSource::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || !query_)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section < 0 || section >= int(query_->columns().size()))
        return {};
    return query_->columns()[section].name;
}

Qt::ItemFlags DataSource::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (query_ && query_->cachedUpdates())
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool DataSource::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!query_ || !index.isValid() || role != Qt::EditRole || !query_->cachedUpdates())
        return false;
    query_->setRecNo(index.row());
    query_->setFieldValue(query_->columns()[index.column()].name, value);
    return true;
}

void DataSource::setCurrentRow(int row) {
    if (query_ && query_->isActive() && row != query_->recNo())
        query_->setRecNo(row);
}

int DataSource::columnOf(const QString& fieldName) const {
    if (!query_)
        return -1;
    return columnIndex(query_->columns(), fieldName);
}

}  // namespace db
