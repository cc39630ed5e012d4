#pragma once

#include <QListView>

#include "ui/line_list_model.h"
#include "ui/prefix_search.h"

namespace quorva {

// The list of row lines: a plain single-selection list whose selection is the
// line list's selection in both directions, and which selects a line when the
// user types its beginning.
class TRowListView : public QListView {
    Q_OBJECT

public:
    TRowListView(TLineListModel& model, TPrefixSearch::TClock clock, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowSelectedLine(int selected);
    void TakeUserSelection();
    static bool IsTypedCharacter(const QKeyEvent& event);

    TLineListModel& model_;
    TPrefixSearch search_;
    bool showing_ = false;
};

} // namespace quorva
