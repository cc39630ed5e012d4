#pragma once

#include <QGroupBox>

#include <array>

class QButtonGroup;
class QRadioButton;

namespace quorva {

// The "Colums No" group: seven radio buttons "1" to "7" in one row, exactly
// one of them chosen. Tab reaches only the chosen button; the arrow keys move
// between them, as in a native radio group.
class TColumnChoice : public QGroupBox {
    Q_OBJECT

public:
    static constexpr int ColumnCount = 7;

    explicit TColumnChoice(QWidget* parent = nullptr);

    // 0 for "1" up to 6 for "7".
    int ItemIndex() const;
    void SetItemIndex(int index);

    QRadioButton* Button(int index) const { return buttons_.at(static_cast<std::size_t>(index)); }

    // Places the buttons inside the group as it now stands: each column is
    // (width - 10) div 7 wide, starting 8 pixels in; the buttons start one
    // pixel below the caption's text height and end 5 pixels above the frame.
    void ArrangeButtons(int textHeight);

private:
    void KeepOnlyChosenButtonInTabChain();

    std::array<QRadioButton*, ColumnCount> buttons_{};
    QButtonGroup* group_;
};

} // namespace quorva
