#include "ui/DataGrid.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

#include "db/DataSource.h"
#include "ui/EditMask.h"
#include "ui/GridModel.h"

namespace ui {

// Cell editors: a line edit with the column's mask and, where the column asks for one, a button
// at its right end. Keys reach the grid's handler before the editor's own handling.
class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(DataGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        const GridColumn& column = grid_->columns().at(index.column());
        auto* edit = new QLineEdit(parent);
        edit->setFrame(false);
        edit->setInputMask(toInputMask(column.editMask));
        if (column.ellipsisButton) {
            QAction* button =
                edit->addAction(grid_->style()->standardIcon(QStyle::SP_FileDialogContentsView),
                                QLineEdit::TrailingPosition);
            button->setObjectName("EditButton");
            connect(button, &QAction::triggered, grid_, &DataGrid::editButtonClick);
        }
        grid_->editor_ = edit;
        return edit;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<QLineEdit*>(editor)->setText(index.data(Qt::EditRole).toString());
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        const QString text = static_cast<QLineEdit*>(editor)->text();
        if (text != index.data(Qt::EditRole).toString())
            model->setData(index, text);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && grid_->handleKey(static_cast<QKeyEvent*>(event)))
            return true;
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    DataGrid* grid_;
};

DataGrid::DataGrid(QWidget* parent) : QTableView(parent), model_(new GridModel(this)) {
    setModel(model_);
    setItemDelegate(new GridDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditable(false);
    setRowSelect(false);
    setTitleButtons(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(12);
    horizontalHeader()->setHighlightSections(false);
    QPalette shown = palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        shown.setColor(QPalette::Inactive, role, shown.color(QPalette::Active, role));
    setPalette(shown);
    connect(model_, &QAbstractItemModel::modelReset, this, &DataGrid::applyColumnLayout);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (horizontalHeader()->sectionsClickable())
            emit titleClicked(fieldName(section));
    });
    connect(qApp, &QApplication::focusChanged, this, &DataGrid::focusChanged);
}

// QWidget's destructor moves the focus away, which would reach focusChanged of a grid that is
// no longer one.
DataGrid::~DataGrid() {
    disconnect(qApp, &QApplication::focusChanged, this, &DataGrid::focusChanged);
}

void DataGrid::setDataSource(db::DataSource* source) {
    if (db::DataSource* old = model_->source())
        disconnect(old, nullptr, this, nullptr);
    model_->setSource(source);
    if (source)
        connect(source, &db::DataSource::currentRowChanged, this, &DataGrid::followRow);
}

db::DataSource* DataGrid::dataSource() const {
    return model_->source();
}

void DataGrid::setColumns(std::vector<GridColumn> columns) {
    model_->setColumns(std::move(columns));
}

const std::vector<GridColumn>& DataGrid::columns() const {
    return model_->columns();
}

void DataGrid::setColumnTitle(int column, const QString& title) {
    model_->setTitle(column, title);
    fitColumn(column);
}

void DataGrid::setColumnEditMask(int column, const QString& mask) {
    model_->setEditMask(column, mask);
}

QString DataGrid::columnTitle(int column) const {
    return model_->headerData(column, Qt::Horizontal).toString();
}

QString DataGrid::fieldName(int column) const {
    const auto& all = columns();
    return column >= 0 && column < int(all.size()) ? all[column].field : QString();
}

void DataGrid::applyColumnLayout() {
    const auto& all = columns();
    for (int i = 0; i < int(all.size()); ++i) {
        setColumnHidden(i, !all[i].visible);
        fitColumn(i);
    }
}

// The designed width, widened where the title or a value of the first rows would be cut: the
// designed widths were meant for a narrower font than Thai text needs here.
void DataGrid::fitColumn(int column) {
    const GridColumn& designed = columns().at(column);
    int width = designed.width;
    if (designed.visible)
        width = std::max(
            {width, horizontalHeader()->sectionSizeHint(column), sizeHintForColumn(column)});
    setColumnWidth(column, width);
}

void DataGrid::setRowSelect(bool on) {
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

void DataGrid::setEditable(bool on) {
    model_->setEditable(on);
    setEditTriggers(on ? QAbstractItemView::CurrentChanged | QAbstractItemView::AnyKeyPressed |
                             QAbstractItemView::DoubleClicked
                       : QAbstractItemView::NoEditTriggers);
}

void DataGrid::setTitleButtons(bool on) {
    horizontalHeader()->setSectionsClickable(on);
}

int DataGrid::currentRow() const {
    return currentIndex().row();
}

int DataGrid::currentColumn() const {
    return currentIndex().column();
}

void DataGrid::setCurrentColumn(int column) {
    setCurrentCell(std::max(currentRow(), 0), column);
}

void DataGrid::setCurrentCell(int row, int column) {
    model_->fetchUpTo(row);
    const QModelIndex cell = model_->index(row, column);
    if (cell.isValid())
        setCurrentIndex(cell);
}

QLineEdit* DataGrid::cellEditor() const {
    return editor_ && editor_->isVisible() ? editor_.data() : nullptr;
}

int DataGrid::shownRowCount() const {
    return model_->rowCount();
}

void DataGrid::followRow(int row) {
    if (committing_ || row < 0 || row == currentRow())
        return;
    setCurrentCell(row, std::max(currentColumn(), 0));
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    committing_ = true;
    QTableView::currentChanged(current, previous);
    committing_ = false;
    if (current.isValid() && model_->source())
        model_->source()->setCurrentRow(current.row());
    if (current.column() != previous.column())
        emit currentColumnChanged(previous.column(), current.column());
}

void DataGrid::keyPressEvent(QKeyEvent* event) {
    if (!handleKey(event))
        QTableView::keyPressEvent(event);
}

void DataGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    emit dblClick();
}

bool DataGrid::contains(const QWidget* widget) const {
    return widget && (widget == this || isAncestorOf(widget));
}

void DataGrid::focusChanged(QWidget* old, QWidget* now) {
    const bool wasIn = contains(old);
    const bool isIn = contains(now);
    if (!wasIn && isIn)
        emit entered();
    else if (wasIn && !isIn)
        emit exited();
}

}  // namespace ui
