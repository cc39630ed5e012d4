#pragma once

#include <QRect>
#include <QSize>

namespace quorva {

// Where the parts of the error dialog go, derived from its font: X is the
// average width of the 52 letters A-Z and a-z (rounded down), Y the character
// height; every dialog unit product is rounded to the nearest pixel.
struct TErrorDialogMetrics {
    int averageCharWidth = 0; // X
    int charHeight = 0;       // Y
    QSize textSize;           // the message, already wrapped
    int buttonCaptionWidth = 0;
};

struct TErrorDialogLayout {
    QRect icon;
    QRect text;
    QRect button;
    QSize client;
};

inline constexpr int ErrorIconSize = 32;

TErrorDialogLayout LayOutErrorDialog(const TErrorDialogMetrics& metrics);

} // namespace quorva
