#pragma once

#include <QList>
#include <QObject>

#include <functional>

class QAction;
class QWidget;

namespace quorva {

// "Show triangle of column N": Ctrl+T anywhere in the window, and an entry of
// the context menus of the given widgets. N is the column chosen at the
// moment the menu opens.
class TTriangleCommand : public QObject {
    Q_OBJECT

public:
    TTriangleCommand(QWidget& window, std::function<int()> chosenColumn,
                     std::function<void()> show);

    // Gives `widget` a context menu holding `leading`, then the command.
    void AddToContextMenu(QWidget& widget, const QList<QAction*>& leading = {});
    // Brings the command's text up to date with the chosen column.
    void UpdateText();

private:
    std::function<int()> chosenColumn_;
    QAction* action_;
};

} // namespace quorva
