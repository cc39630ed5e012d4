#include "ui/main_window/column_choice.h"

#include <QButtonGroup>
#include <QRadioButton>

namespace quorva {

TColumnChoice::TColumnChoice(QWidget* parent)
    : QGroupBox(QStringLiteral("Colums No"), parent), group_(new QButtonGroup(this))
{
    for (int i = 0; i < ColumnCount; ++i) {
        auto* button = new QRadioButton(QString::number(i + 1), this);
        button->setAccessibleName(QStringLiteral("Column %1").arg(i + 1));
        group_->addButton(button, i);
        buttons_[static_cast<std::size_t>(i)] = button;
    }
    connect(group_, &QButtonGroup::idToggled, this,
            [this](int, bool) { KeepOnlyChosenButtonInTabChain(); });
    SetItemIndex(0);
}

int TColumnChoice::ItemIndex() const
{
    return group_->checkedId();
}

void TColumnChoice::SetItemIndex(int index)
{
    Button(index)->setChecked(true);
}

void TColumnChoice::ArrangeButtons(int textHeight)
{
    const int columnWidth = (width() - 10) / ColumnCount;
    const int top = textHeight + 1;
    const int buttonHeight = height() - textHeight - 5;
    for (int i = 0; i < ColumnCount; ++i)
        Button(i)->setGeometry(8 + columnWidth * i, top, columnWidth, buttonHeight);
}

void TColumnChoice::KeepOnlyChosenButtonInTabChain()
{
    for (QRadioButton* button : buttons_)
        button->setFocusPolicy(button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

} // namespace quorva
