#include "ui/input_blocker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace quorva {
namespace {

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

} // namespace

TInputBlocker::TInputBlocker(QWidget* window) : window_(window)
{
    QCoreApplication::instance()->installEventFilter(this);
}

TInputBlocker::~TInputBlocker()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool TInputBlocker::eventFilter(QObject* receiver, QEvent* event)
{
    return IsUserInput(event->type()) && IsInWindow(receiver);
}

bool TInputBlocker::IsInWindow(QObject* receiver) const
{
    if (const auto* widget = qobject_cast<QWidget*>(receiver))
        return widget->window() == window_;
    return receiver == window_->windowHandle();
}

} // namespace quorva
