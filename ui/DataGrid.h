#pragma once

#include <QPointer>
#include <QTableView>
#include <functional>
#include <vector>

#include "ui/GridColumn.h"

class QLineEdit;
namespace db {
class DataSource;
}

namespace ui {

class GridModel;

// A grid over a data source's rows: columns bound to field names with titles and widths, the
// current row following the query's current record and moving it, title clicks that name the
// clicked column's field, and rows handed to the view as it scrolls to them. Editing, whole-row
// selection and title clicks are options; the selection shows also while the grid has no focus.
class DataGrid : public QTableView {
    Q_OBJECT
public:
    using KeyHandler = std::function<bool(QKeyEvent*)>;

    explicit DataGrid(QWidget* parent = nullptr);
    ~DataGrid() override;

    void setDataSource(db::DataSource* source);
    db::DataSource* dataSource() const;
    void setColumns(std::vector<GridColumn> columns);
    const std::vector<GridColumn>& columns() const;
    void setColumnTitle(int column, const QString& title);
    QString columnTitle(int column) const;
    void setColumnEditMask(int column, const QString& mask);
    // Field name of a column; empty when there is no such column.
    QString fieldName(int column) const;

    void setRowSelect(bool on);
    void setEditable(bool on);
    void setTitleButtons(bool on);

    int currentRow() const;
    int currentColumn() const;
    void setCurrentColumn(int column);
    void setCurrentCell(int row, int column);
    // Rows handed to the view so far.
    int shownRowCount() const;
    // The open cell editor, nullptr when no cell is being edited.
    QLineEdit* cellEditor() const;

    // Sees every key pressed in the grid or in its cell editor first; true when it handled it.
    void setKeyDownHandler(KeyHandler handler) { keyDown_ = std::move(handler); }

signals:
    void titleClicked(const QString& fieldName);
    void dblClick();
    void editButtonClick();
    void currentColumnChanged(int previous, int current);
    void entered();  // the focus came into the grid or its editor
    void exited();   // the focus went elsewhere

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    friend class GridDelegate;
    bool handleKey(QKeyEvent* event) { return keyDown_ && keyDown_(event); }
    void followRow(int row);
    void applyColumnLayout();
    void fitColumn(int column);
    void focusChanged(QWidget* old, QWidget* now);
    bool contains(const QWidget* widget) const;

    GridModel* model_;
    KeyHandler keyDown_;
    bool committing_ = false;  // the view moves on while an edit is written back
    mutable QPointer<QLineEdit> editor_;
};

}  // namespace ui
