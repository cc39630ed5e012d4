#include "ui/form_controls.h"

#include <array>

namespace quorva {

namespace {

using enum TControlKind;

// Each spin field covers its edit field and the 16 pixels of its arrows.
constexpr QRect SpinFieldPlace(int column)
{
    return {8 + 48 * column, 8, 25 + 16, 21};
}

const std::array Controls{
    TControlDesign{SpinField, "ed10", "Column 1 value", SpinFieldPlace(0)},
    TControlDesign{SpinField, "ed11", "Column 2 value", SpinFieldPlace(1)},
    TControlDesign{SpinField, "ed12", "Column 3 value", SpinFieldPlace(2)},
    TControlDesign{SpinField, "ed13", "Column 4 value", SpinFieldPlace(3)},
    TControlDesign{SpinField, "ed14", "Column 5 value", SpinFieldPlace(4)},
    TControlDesign{SpinField, "ed15", "Column 6 value", SpinFieldPlace(5)},
    TControlDesign{SpinField, "ed16", "Column 7 value", SpinFieldPlace(6)},
    TControlDesign{Button, "Button2", "Add", {344, 8, 75, 25}},
    TControlDesign{Button, "Button3", "Delete", {344, 40, 75, 25}},
    TControlDesign{List, "ListBox1", "Rows", {8, 32, 329, 193}},
    TControlDesign{Button, "Button1", "Start", {344, 249, 75, 25}},
    TControlDesign{ColumnChoice, "rgColumsNo", "Colums No", {8, 224, 329, 49}},
    TControlDesign{Button, "btnOpen", "Open", {344, 160, 75, 25}},
    TControlDesign{Button, "btnSave", "Save", {344, 192, 75, 25}},
    TControlDesign{Button, "btnUp", "Moove Up", {344, 72, 75, 25}},
    TControlDesign{Button, "btnDown", "Moove Down", {344, 104, 75, 25}},
};

} // namespace

std::span<const TControlDesign> FormControls()
{
    return Controls;
}

} // namespace quorva
