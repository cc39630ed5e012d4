#pragma once

#include <QObject>

class QEvent;
class QWidget;

namespace quorva {

// Drops the user's clicks, keys and wheel turns meant for one window for as
// long as it lives, wherever they come from. A modal dialog blocks its window
// only while it is visible; input that is still queued when the dialog goes
// would reach the window afterwards.
class TInputBlocker final : public QObject {
public:
    explicit TInputBlocker(QWidget* window);
    ~TInputBlocker() override;

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

private:
    bool IsInWindow(QObject* receiver) const;

    QWidget* window_;
};

} // namespace quorva
