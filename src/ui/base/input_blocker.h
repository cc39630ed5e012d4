#pragma once

#include <QObject>

class QEvent;
class QWidget;

namespace quorva {

// Drops the user's clicks, keys and wheel turns meant for any of the
// program's windows but one (a progress dialog) for as long as it lives,
// wherever they come from. A modal dialog blocks its window only while it is
// visible, and not the program's other windows; input still queued when the
// dialog goes would reach them afterwards, and input to another window would
// start a second operation in the middle of the first.
class TInputBlocker final : public QObject {
public:
    explicit TInputBlocker(QWidget* exempt);
    ~TInputBlocker() override;

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

private:
    bool IsExempt(QObject* receiver) const;

    QWidget* exempt_;
};

} // namespace quorva
