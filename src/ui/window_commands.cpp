#include "ui/window_commands.h"

#include <QAction>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>

#include <utility>

#include "model/row_text_import.h"

namespace quorva {

namespace {

// A text field claims Ctrl+V before the window's shortcuts see it, through
// the shortcut-override event; unclaimed, the key reaches the shortcut.
class TRowPasteFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ShortcutOverride &&
            static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste) &&
            HoldsRow(QGuiApplication::clipboard()->text().toStdString())) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
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

void PassRowPasteToWindow(QWidget& field)
{
    field.installEventFilter(new TRowPasteFilter(&field));
}

} // namespace quorva
