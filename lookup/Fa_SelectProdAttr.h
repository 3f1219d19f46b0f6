#pragma once

#include <QFrame>
#include <vector>

namespace db {
class DataSource;
class Query;
class UpdateSql;
}  // namespace db
namespace ui {
class DataGrid;
}

// One attribute group's range as typed in the frame.
struct AttrRange {
    QString groupCode;
    QString beginCode;
    QString endCode;
};

// The attribute range frame: every product attribute group with a begin and an end code the
// user types or picks, kept in the query's cache only. A host opens and closes QProdAttrGroup
// and reads the ranges.
class TFaSelectProdAttr : public QFrame {
    Q_OBJECT
public:
    explicit TFaSelectProdAttr(QWidget* parent = nullptr);

    ui::DataGrid* DgSelectProdAttr;
    db::Query* QProdAttrGroup;
    db::UpdateSql* UProdAttrGroup;
    db::DataSource* DProdAttrGroup;

    // The rows in the frame's order, codes as typed.
    std::vector<AttrRange> ranges() const;

    void DgSelectProdAttrEditButtonClick();

private:
    void DgSelectProdAttrEnter();
    void DgSelectProdAttrColExit(int column);
    bool DgSelectProdAttrKeyDown(QKeyEvent* event);
    void setGroupCodes();
};

// The range bounds of a group: the group code followed by the begin code, and by the end code
// or, without one, by the character 255, all trimmed.
QString beginGroupCode(const QString& groupCode, const QString& beginCode);
QString endGroupCode(const QString& groupCode, const QString& endCode);
