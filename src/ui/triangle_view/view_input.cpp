#include "ui/triangle_view/view_input.h"

#include <cmath>

namespace quorva {
namespace {

TKeyAction Zoom(int key)
{
    switch (key) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return {TKeyAction::TKind::ZoomIn};
    case Qt::Key_Minus:
        return {TKeyAction::TKind::ZoomOut};
    case Qt::Key_0:
        return {TKeyAction::TKind::Fit};
    case Qt::Key_1:
        return {TKeyAction::TKind::Readable};
    default:
        return {};
    }
}

} // namespace

TKeyAction TKeyController::Read(int key, Qt::KeyboardModifiers modifiers, std::int64_t line,
                                std::int64_t column, std::int64_t page, std::int64_t lastLine)
{
    const bool control = modifiers & Qt::ControlModifier;
    if (control)
        if (const TKeyAction zoom = Zoom(key); zoom.kind != TKeyAction::TKind::None)
            return zoom;
    std::int64_t k = line;
    std::int64_t j = column;
    switch (key) {
    case Qt::Key_Left:
        --j;
        break;
    case Qt::Key_Right:
        ++j;
        break;
    case Qt::Key_Up:
        --k;
        break;
    case Qt::Key_Down:
        ++k;
        break;
    case Qt::Key_PageUp:
        k -= page;
        break;
    case Qt::Key_PageDown:
        k += page;
        break;
    case Qt::Key_Home:
        k = control ? 0 : k;
        j = 0;
        break;
    case Qt::Key_End:
        // The end of the line: any column past it is kept to its last cell.
        k = control ? lastLine : k;
        j = control ? 0 : lastLine;
        break;
    default:
        return {};
    }
    return {TKeyAction::TKind::Move, k, j, bool(modifiers & Qt::ShiftModifier)};
}

std::optional<double> TWheelController::ZoomFactor(Qt::KeyboardModifiers modifiers,
                                                   QPoint angleDelta, double zoomStep)
{
    if (!(modifiers & Qt::ControlModifier))
        return std::nullopt;
    return std::pow(zoomStep, angleDelta.y() / 120.0);
}

} // namespace quorva
