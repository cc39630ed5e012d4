#include "ui/triangle_view/triangle_command.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QMenu>
#include <QWidget>

#include <utility>

namespace quorva {

TTriangleCommand::TTriangleCommand(QWidget& window, std::function<int()> chosenColumn,
                                   std::function<void()> show)
    : QObject(&window), chosenColumn_(std::move(chosenColumn)), action_(new QAction(&window))
{
    action_->setObjectName(QStringLiteral("ShowTriangle"));
    action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    action_->setShortcutContext(Qt::WindowShortcut);
    connect(action_, &QAction::triggered, this, [this, show = std::move(show)] {
        UpdateText();
        show();
    });
    window.addAction(action_);
    UpdateText();
}

void TTriangleCommand::UpdateText()
{
    action_->setText(QStringLiteral("Show triangle of column %1").arg(chosenColumn_() + 1));
}

void TTriangleCommand::AddToContextMenu(QWidget& widget, const QList<QAction*>& leading)
{
    // A scroll area reports the menu's place in its viewport's coordinates.
    auto* scrollArea = qobject_cast<QAbstractScrollArea*>(&widget);
    QWidget* origin = scrollArea ? scrollArea->viewport() : &widget;
    widget.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&widget, &QWidget::customContextMenuRequested, this,
            [this, origin, leading](QPoint place) {
                UpdateText();
                QMenu menu(origin);
                // The place's own commands, such as Undo and Redo, come first.
                menu.addActions(origin->actions());
                if (!menu.isEmpty() && !leading.isEmpty())
                    menu.addSeparator();
                menu.addActions(leading);
                if (!menu.isEmpty())
                    menu.addSeparator();
                menu.addAction(action_);
                menu.exec(origin->mapToGlobal(place));
            });
}

} // namespace quorva
