#include "ui/dialogs/error_dialog_layout.h"

#include <algorithm>
#include <cmath>

namespace quorva {

namespace {

// Dialog units: quarters of X across, eighths of Y down.
int Across(int quarters, int x)
{
    return static_cast<int>(std::lround(quarters * x / 4.0));
}

int Down(int eighths, int y)
{
    return static_cast<int>(std::lround(eighths * y / 8.0));
}

} // namespace

TErrorDialogLayout LayOutErrorDialog(const TErrorDialogMetrics& m)
{
    const int x = m.averageCharWidth;
    const int y = m.charHeight;
    const int marginX = Across(8, x);
    const int marginY = Down(8, y);
    const int spacingX = Across(10, x);
    const int spacingY = Down(10, y);
    const int buttonWidth = std::max(Across(50, x), m.buttonCaptionWidth + 8);
    const int buttonHeight = Down(14, y);

    const int bodyWidth = std::max(m.textSize.width() + spacingX + ErrorIconSize, buttonWidth);
    const int bodyHeight = std::max(m.textSize.height(), ErrorIconSize);

    TErrorDialogLayout layout;
    layout.client =
        QSize(bodyWidth + 2 * marginX, bodyHeight + buttonHeight + spacingY + 2 * marginY);
    layout.icon = QRect(marginX, marginY, ErrorIconSize, ErrorIconSize);
    layout.text = QRect(QPoint(marginX + ErrorIconSize + spacingX, marginY), m.textSize);
    layout.button = QRect((layout.client.width() - buttonWidth) / 2,
                          marginY + bodyHeight + spacingY, buttonWidth, buttonHeight);
    return layout;
}

} // namespace quorva
