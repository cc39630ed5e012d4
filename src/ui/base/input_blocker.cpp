#include "ui/base/input_blocker.h"

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

TInputBlocker::TInputBlocker(QWidget* exempt) : exempt_(exempt)
{
    QCoreApplication::instance()->installEventFilter(this);
}

TInputBlocker::~TInputBlocker()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool TInputBlocker::eventFilter(QObject* receiver, QEvent* event)
{
    return IsUserInput(event->type()) && !IsExempt(receiver);
}

bool TInputBlocker::IsExempt(QObject* receiver) const
{
    if (receiver == exempt_->windowHandle())
        return true;
    // A shortcut or an action belongs to the window of the widget that owns
    // it: the dialog's own Esc shortcut goes through, the windows' do not.
    for (QObject* owner = receiver; owner; owner = owner->parent()) {
        if (const auto* widget = qobject_cast<QWidget*>(owner))
            return widget->window() == exempt_;
    }
    return false;
}

} // namespace quorva
