#include "ui/main_window/form_layout.h"

#include <cmath>

namespace quorva {

namespace {

int MulDivRounded(int value, int numerator, int denominator)
{
    return static_cast<int>(std::lround(static_cast<double>(value) * numerator / denominator));
}

} // namespace

QFont WindowFont(qreal logicalDpi)
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(static_cast<int>(std::lround(DesignedFontPixels * logicalDpi / DesignedDpi)));
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    return font;
}

int TLayoutScale::operator()(int designed) const
{
    return MulDivRounded(designed, textHeight_, DesignedTextHeight);
}

QRect TLayoutScale::operator()(const QRect& designed) const
{
    return {(*this)(designed.x()), (*this)(designed.y()), (*this)(designed.width()),
            (*this)(designed.height())};
}

QSize TLayoutScale::operator()(const QSize& designed) const
{
    return {(*this)(designed.width()), (*this)(designed.height())};
}

} // namespace quorva
