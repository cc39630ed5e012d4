#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace quorva {

// The window was laid out at 96 pixels per inch for a font whose text height
// is 13 pixels. These helpers keep it readable elsewhere: the font follows
// the screen's density, and the layout follows the font.

inline constexpr int DesignedDpi = 96;
inline constexpr int DesignedTextHeight = 13;
inline constexpr int DesignedFontPixels = 11;

// "MS Sans Serif" at 11 pixels, scaled by `logicalDpi` / 96.
QFont WindowFont(qreal logicalDpi);

// Scales designed coordinates by textHeight / 13, rounding to the nearest
// pixel; the identity when the text height is 13.
class TLayoutScale {
public:
    explicit TLayoutScale(int textHeight) : textHeight_(textHeight) {}

    int operator()(int designed) const;
    QRect operator()(const QRect& designed) const;
    QSize operator()(const QSize& designed) const;

private:
    int textHeight_;
};

} // namespace quorva
