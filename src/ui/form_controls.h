#pragma once

#include <QRect>

#include <span>

namespace quorva {

enum class TControlKind { SpinField, Button, List, ColumnChoice };

// One control of the window as designed: its place at 96 dots per inch for a
// text height of 13 (TLayoutScale scales it to the font), its object name
// (by which the window finds a button's handler) and its caption (a
// button's text, otherwise its accessible name).
struct TControlDesign {
    TControlKind kind;
    const char* name;
    const char* caption;
    QRect designed;
};

// Every control of the window in its tab order; the window is built from this
// table and its tests check against it.
std::span<const TControlDesign> FormControls();

} // namespace quorva
