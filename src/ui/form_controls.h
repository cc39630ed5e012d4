#pragma once

#include <QRect>

#include <span>

namespace quorva {

class TForm1;

enum class TControlKind { SpinField, Button, List, ColumnChoice };

// One control of the window as designed: its place at 96 dots per inch for a
// text height of 13 (TLayoutScale scales it to the font), its object name,
// its caption (a button's text, otherwise its accessible name) and, for a
// button, the handler a press runs.
struct TControlDesign {
    TControlKind kind;
    const char* name;
    const char* caption;
    QRect designed;
    void (TForm1::*handler)() = nullptr;
};

// Every control of the window in its tab order; the window is built from this
// table and its tests check against it.
std::span<const TControlDesign> FormControls();

} // namespace quorva
