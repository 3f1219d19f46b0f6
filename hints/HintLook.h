#pragma once

#include <QColor>
#include <QFont>
#include <cstdint>
#include <stdexcept>

// Reading order of a balloon's text.
enum class TfhSimpleBiDiMode { bdLeftToRight, bdRightToLeft };

// Where a balloon prefers to stand relative to the pointer.
enum class TfhHintDirection { dUpRight, dUpLeft, dDownRight, dDownLeft };

// Horizontal alignment of each line of a balloon's text.
enum class TfhTextAlignment { taNone, taLeft, taRight, taCenter };

// The share, in percent, of the background in a blended pixel: a whole number from 0 to 100.
class TfhTransparencyRate {
public:
    // Throws std::out_of_range for a share outside 0 to 100.
    TfhTransparencyRate(int percent = 30) : percent_(percent) {  // NOLINT: reads as a number
        if (percent < 0 || percent > 100)
            throw std::out_of_range("a transparency rate is a share from 0 to 100");
    }
    operator int() const { return percent_; }

private:
    int percent_;
};

// A font with the colour its text is drawn in.
struct HintFont {
    QFont face;
    QColor color;
    bool operator==(const HintFont& other) const = default;
};

// Where the tail stands on the balloon.
enum ArrowCorner : int {
    arrowBottomLeft = 0,
    arrowBottomRight = 1,
    arrowTopLeft = 2,
    arrowTopRight = 3,
};

inline bool tailAtTop(int arrowPosition) {
    return arrowPosition == arrowTopLeft || arrowPosition == arrowTopRight;
}

// Everything a balloon's look depends on, except its font. The body colour has no default of
// its own: a TFormHints starts with the system's tool-tip colour.
struct HintLook {
    TfhSimpleBiDiMode BiDiMode = TfhSimpleBiDiMode::bdLeftToRight;
    QColor ColorBackground;
    QColor ColorBorder = Qt::black;
    QColor ColorShadow = QColor(128, 128, 128);
    TfhHintDirection Direction = TfhHintDirection::dUpRight;
    std::uint16_t MaxWidth = 0;
    bool Rounded = true;
    std::uint16_t RoundRadius = 18;
    bool ShowArrow = true;
    bool ShowShadow = true;
    TfhTextAlignment TextAlignment = TfhTextAlignment::taNone;
    bool Transparent = false;
    TfhTransparencyRate TransparencyRate = 30;
};
