#include "ui/main_window/window_commands.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

#include <utility>

#include "model/rows/row_text_import.h"

namespace quorva {

namespace {

bool IsUndoKey(const QKeyEvent& key)
{
    return key.matches(QKeySequence::Undo);
}

bool IsRedoKey(const QKeyEvent& key)
{
    const QKeyCombination combination = key.keyCombination();
    return key.matches(QKeySequence::Redo) ||
           combination == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z) ||
           combination == QKeyCombination(Qt::CTRL, Qt::Key_Y);
}

// Whether the field takes the key for its own text rather than the rows.
bool FieldTakes(QAbstractSpinBox& field, const QKeyEvent& key)
{
    if (key.matches(QKeySequence::Paste))
        return !HoldsRow(QGuiApplication::clipboard()->text().toStdString());
    const auto* edit = field.findChild<QLineEdit*>();
    if (IsUndoKey(key))
        return edit && edit->isUndoAvailable();
    if (IsRedoKey(key))
        return edit && edit->isRedoAvailable();
    return true;
}

// A text field claims its keys before the window's shortcuts see them,
// through the shortcut-override event; unclaimed, a key reaches the shortcut.
class TRowKeysFilter : public QObject {
public:
    explicit TRowKeysFilter(QAbstractSpinBox& field) : QObject(&field), field_(field) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ShortcutOverride &&
            !FieldTakes(field_, *static_cast<QKeyEvent*>(event))) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QAbstractSpinBox& field_;
};

} // namespace

QAction* AddCommand(QWidget& owner, const char* objectName, const QString& text,
                    const QKeySequence& keys, Qt::ShortcutContext context,
                    std::function<void()> run)
{
    auto* action = new QAction(text, &owner);
    action->setObjectName(QString::fromLatin1(objectName));
    action->setShortcut(keys);
    action->setShortcutContext(context);
    action->setShortcutVisibleInContextMenu(true);
    QObject::connect(action, &QAction::triggered, &owner, std::move(run));
    owner.addAction(action);
    return action;
}

void PassRowKeysToWindow(QAbstractSpinBox& field)
{
    field.installEventFilter(new TRowKeysFilter(field));
}

void ForgetTyping(QAbstractSpinBox& field)
{
    // Setting a line's text clears its undo history.
    if (auto* edit = field.findChild<QLineEdit*>())
        edit->setText(edit->text());
}

} // namespace quorva
