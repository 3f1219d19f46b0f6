#pragma once

#include <QIcon>
#include <QObject>
#include <vector>

namespace ui {

// An ordered list of images, referred to by index.
class ImageList : public QObject {
    Q_OBJECT
public:
    explicit ImageList(QObject* parent = nullptr) : QObject(parent) {}
    void add(const QIcon& icon) { icons_.push_back(icon); }
    int count() const { return static_cast<int>(icons_.size()); }
    QIcon icon(int index) const;

private:
    std::vector<QIcon> icons_;
};

// The eight record-action glyphs of the maintenance toolbar, drawn in code:
// 0 new, 1 delete, 2 save, 3 exit, 4 history, 5 copy, 6 print, 7 approve/change code.
void addToolbarGlyphs(ImageList& list);

}  // namespace ui
