#pragma once

#include <QAbstractListModel>

#include "model/rows/line_list.h"

namespace quorva {

// Presents the core's line list to a Qt view without copying it: the view asks
// for the lines it paints, and every change of the list arrives as the
// matching fine-grained model signal, so a million lines cost no more than the
// lines on screen.
class TLineListModel : public QAbstractListModel, private TLineListObserver {
    Q_OBJECT

public:
    explicit TLineListModel(TLineList& lines, QObject* parent = nullptr);
    ~TLineListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const TLineList& Lines() const { return lines_; }
    // The user picked a line in the view (NoSelection for none).
    void SelectLine(int index) { lines_.Select(index); }
    // True between the announcement of a change of the lines and its end,
    // when the view may shuffle its own selection but the list's selection is
    // still the list's business.
    bool IsChanging() const { return changing_; }

signals:
    void SelectedLineChanged(int selected);

private:
    void LinesAboutToBeInserted(int first, int last) override;
    void LinesInserted(int first, int last) override;
    void LinesAboutToBeRemoved(int first, int last) override;
    void LinesRemoved(int first, int last) override;
    void LinesChanged(int first, int last) override;
    void LinesAboutToBeReset() override;
    void LinesReset() override;
    void SelectionChanged(int selected) override;

    TLineList& lines_;
    bool changing_ = false;
};

} // namespace quorva
