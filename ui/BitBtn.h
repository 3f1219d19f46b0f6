#pragma once

#include <QPushButton>

namespace ui {

// A push button with a glyph beside its caption.
class BitBtn : public QPushButton {
    Q_OBJECT
public:
    enum class Glyph { Search, Ok, Cancel };

    BitBtn(Glyph glyph, const QString& caption, QWidget* parent = nullptr);
};

}  // namespace ui
