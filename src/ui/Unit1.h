#pragma once

#include <QWidget>

#include <array>

#include "model/line_list.h"
#include "model/number_row.h"
#include "ui/line_list_model.h"
#include "ui/prefix_search.h"
#include "ui/user_dialogs.h"

class QPushButton;
class QSpinBox;

namespace quorva {

class TColumnChoice;
class TLayoutScale;
class TRowListView;

// The tool's one window. It owns the row table and the line list for the
// program's whole life; each button runs one operation of the core on them,
// and the list on screen follows the line list by itself.
class TForm1 : public QWidget {
    Q_OBJECT

public:
    explicit TForm1(TUserDialogs& dialogs, TPrefixSearch::TClock clock = SteadyMilliseconds,
                    QWidget* parent = nullptr);

    const TRowTable& Rows() const { return FRows; }
    const TLineList& Lines() const { return FLines; }

    void Button2Click(); // Add
    void Button3Click(); // Delete
    void btnUpClick();   // Moove Up
    void btnDownClick(); // Moove Down
    void btnOpenClick();
    void btnSaveClick();
    void Button1Click(); // Start
    void ShowTriangleClick();

private:
    void SetUpWindow();
    void CreateSpinFields(const TLayoutScale& scale);
    void CreateList(const TLayoutScale& scale, TPrefixSearch::TClock clock);
    void CreateColumnChoice(const TLayoutScale& scale);
    void CreateButtons(const TLayoutScale& scale);
    QPushButton* CreateButton(const char* name, const QString& caption, const QRect& designed,
                              const TLayoutScale& scale, void (TForm1::*handler)());
    void RunReportingFailures(void (TForm1::*handler)());
    void SetTabOrder();
    TNumberRow SpinValues() const;

    TUserDialogs& dialogs_;
    TRowTable FRows;
    TLineList FLines;
    TLineListModel FLinesModel{FLines};

    std::array<QSpinBox*, RowWidth> spinFields_{};
    TRowListView* ListBox1 = nullptr;
    TColumnChoice* rgColumsNo = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* btnUp = nullptr;
    QPushButton* btnDown = nullptr;
    QPushButton* btnOpen = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* Button1 = nullptr;
};

} // namespace quorva
