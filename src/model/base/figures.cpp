#include "model/base/figures.h"

#include <utility>

namespace quorva {
namespace {

TFigureStyle& Style()
{
    static TFigureStyle style;
    return style;
}

} // namespace

void SetFigureStyle(TFigureStyle style)
{
    Style() = std::move(style);
}

const TFigureStyle& FigureStyle()
{
    return Style();
}

std::string FormatCount(std::uint64_t count)
{
    const std::string digits = std::to_string(count);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += Style().groupSeparator;
        text += digits[i];
    }
    return text;
}

} // namespace quorva
