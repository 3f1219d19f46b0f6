#include "ui/BitBtn.h"

#include <QStyle>

namespace ui {

namespace {

QStyle::StandardPixmap pixmapOf(BitBtn::Glyph glyph) {
    switch (glyph) {
        case BitBtn::Glyph::Search:
            return QStyle::SP_FileDialogContentsView;
        case BitBtn::Glyph::Ok:
            return QStyle::SP_DialogOkButton;
        case BitBtn::Glyph::Cancel:
            return QStyle::SP_DialogCancelButton;
    }
    return QStyle::SP_CustomBase;
}

}  // namespace

BitBtn::BitBtn(Glyph glyph, const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    setIcon(style()->standardIcon(pixmapOf(glyph)));
    setAutoDefault(false);
}

}  // namespace ui
