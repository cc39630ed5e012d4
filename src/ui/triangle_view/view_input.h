#pragma once

#include <QPoint>
#include <Qt>

#include <cstdint>
#include <optional>

namespace quorva {

// What a key does in the triangle view, worked out from the key alone and
// the view's state, without a widget.
struct TKeyAction {
    enum class TKind { None, ZoomIn, ZoomOut, Fit, Readable, Move };
    TKind kind = TKind::None;
    // For Move: the cell wanted, before it is kept inside the triangle.
    std::int64_t line = 0;
    std::int64_t column = 0;
    // For Move: whether the selection's other corner stays.
    bool extend = false;
};

// The keys of the view: Ctrl with plus, minus, 0 or 1 zooms, fits and
// shows readable numbers; the
// arrows, Page Up and Down, Home and End move the focused cell (Home and End
// to the ends of its line; with Ctrl, of the triangle); Shift extends the
// selection. `page` is the lines a page moves by.
class TKeyController {
public:
    static TKeyAction Read(int key, Qt::KeyboardModifiers modifiers, std::int64_t line,
                           std::int64_t column, std::int64_t page, std::int64_t lastLine);
};

// The wheel of the view: with Ctrl it zooms, by one step a notch; without,
// it scrolls as usual.
class TWheelController {
public:
    static std::optional<double> ZoomFactor(Qt::KeyboardModifiers modifiers, QPoint angleDelta,
                                            double zoomStep);
};

} // namespace quorva
