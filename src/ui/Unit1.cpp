#include "ui/Unit1.h"

#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>

#include <cstdint>
#include <utility>

#include "model/row_editing.h"
#include "model/row_list_file.h"
#include "triangle/triangle_csv.h"
#include "ui/busy_cursor.h"
#include "ui/column_choice.h"
#include "ui/form_layout.h"
#include "ui/row_list_view.h"
#include "ui/triangle_command.h"
#include "ui/triangle_window.h"

namespace quorva {

namespace {

constexpr QSize DesignedClientSize(423, 282);
constexpr QPoint DesignedPosition(483, 308);

// Fixed size, title bar with the system menu and close box only.
constexpr Qt::WindowFlags FrameFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

} // namespace

TForm1::TForm1(TUserDialogs& dialogs, TPrefixSearch::TClock clock, QWidget* parent)
    : QWidget(parent, FrameFlags), dialogs_(dialogs)
{
    SetUpWindow();
    const TLayoutScale scale(fontMetrics().height());
    CreateSpinFields(scale);
    CreateButtons(scale);
    CreateList(scale, std::move(clock));
    CreateColumnChoice(scale);
    SetTabOrder();
    auto* triangle = new TTriangleCommand(
        *this, [this] { return rgColumsNo->ItemIndex(); },
        [this] { RunReportingFailures(&TForm1::ShowTriangleClick); });
    triangle->AddToContextMenu(*ListBox1);
    triangle->AddToContextMenu(*rgColumsNo);

    setFixedSize(scale(DesignedClientSize));
    move(DesignedPosition);
    spinFields_.front()->setFocus();
}

void TForm1::SetUpWindow()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quorva"));
    setAccessibleName(QStringLiteral("Quorva"));
    setFont(WindowFont(screen()->logicalDotsPerInchY()));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
}

void TForm1::CreateSpinFields(const TLayoutScale& scale)
{
    for (int i = 0; i < RowWidth; ++i) {
        auto* field = new QSpinBox(this);
        field->setObjectName(QStringLiteral("ed1%1").arg(i));
        field->setAccessibleName(QStringLiteral("Column %1 value").arg(i + 1));
        field->setRange(0, 99);
        field->setSingleStep(1);
        field->setWrapping(false);
        field->setValue(i + 1);
        // The edit field and its up-down arrows, as one control.
        field->setGeometry(scale(QRect(8 + 48 * i, 8, 25 + 16, 21)));
        spinFields_[static_cast<std::size_t>(i)] = field;
    }
}

void TForm1::CreateButtons(const TLayoutScale& scale)
{
    Button2 = CreateButton("Button2", QStringLiteral("Add"), {344, 8, 75, 25}, scale,
                           &TForm1::Button2Click);
    Button3 = CreateButton("Button3", QStringLiteral("Delete"), {344, 40, 75, 25}, scale,
                           &TForm1::Button3Click);
    Button1 = CreateButton("Button1", QStringLiteral("Start"), {344, 249, 75, 25}, scale,
                           &TForm1::Button1Click);
    btnOpen = CreateButton("btnOpen", QStringLiteral("Open"), {344, 160, 75, 25}, scale,
                           &TForm1::btnOpenClick);
    btnSave = CreateButton("btnSave", QStringLiteral("Save"), {344, 192, 75, 25}, scale,
                           &TForm1::btnSaveClick);
    btnUp = CreateButton("btnUp", QStringLiteral("Moove Up"), {344, 72, 75, 25}, scale,
                         &TForm1::btnUpClick);
    btnDown = CreateButton("btnDown", QStringLiteral("Moove Down"), {344, 104, 75, 25}, scale,
                           &TForm1::btnDownClick);
}

QPushButton* TForm1::CreateButton(const char* name, const QString& caption, const QRect& designed,
                                  const TLayoutScale& scale, void (TForm1::*handler)())
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(caption);
    // Enter and Esc must press nothing in this window.
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setGeometry(scale(designed));
    connect(button, &QPushButton::clicked, this,
            [this, handler] { RunReportingFailures(handler); });
    return button;
}

void TForm1::RunReportingFailures(void (TForm1::*handler)())
{
    // A failure is reported here, before it could unwind through Qt's event
    // dispatch, whose frames are built without exception support and would
    // skip their clean-up. Anything else that escapes still reaches the
    // application's report in notify().
    try {
        (this->*handler)();
    } catch (const std::exception& failure) {
        dialogs_.ReportFailure(failure.what());
    }
}

void TForm1::CreateList(const TLayoutScale& scale, TPrefixSearch::TClock clock)
{
    ListBox1 = new TRowListView(FLinesModel, std::move(clock), this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setAccessibleName(QStringLiteral("Rows"));
    ListBox1->setGeometry(scale(QRect(8, 32, 329, 193)));
}

void TForm1::CreateColumnChoice(const TLayoutScale& scale)
{
    rgColumsNo = new TColumnChoice(this);
    rgColumsNo->setObjectName(QStringLiteral("rgColumsNo"));
    rgColumsNo->setAccessibleName(QStringLiteral("Colums No"));
    rgColumsNo->setGeometry(scale(QRect(8, 224, 329, 49)));
    rgColumsNo->ArrangeButtons(rgColumsNo->fontMetrics().height());
}

void TForm1::SetTabOrder()
{
    QList<QWidget*> chain(spinFields_.begin(), spinFields_.end());
    chain << Button2 << Button3 << ListBox1 << Button1;
    for (int i = 0; i < TColumnChoice::ColumnCount; ++i)
        chain << rgColumsNo->Button(i);
    chain << btnOpen << btnSave << btnUp << btnDown;
    for (qsizetype i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

TNumberRow TForm1::SpinValues() const
{
    TNumberRow row{};
    for (std::size_t i = 0; i < spinFields_.size(); ++i) {
        // A number still being typed counts as soon as Add is pressed.
        spinFields_[i]->interpretText();
        row[i] = static_cast<std::int16_t>(spinFields_[i]->value());
    }
    return row;
}

void TForm1::Button2Click()
{
    AddRow(FRows, FLines, SpinValues());
}

void TForm1::Button3Click()
{
    DeleteSelectedRow(FRows, FLines);
}

void TForm1::btnUpClick()
{
    MoveSelectedRowUp(FRows, FLines);
}

void TForm1::btnDownClick()
{
    MoveSelectedRowDown(FRows, FLines);
}

void TForm1::btnOpenClick()
{
    const auto fileName = dialogs_.ChooseOpenFile();
    if (!fileName)
        return;
    TBusyCursor busy;
    OpenRowListFile(FLines, FRows, *fileName,
                    [this](const std::string& message) { dialogs_.ShowError(message); });
}

void TForm1::btnSaveClick()
{
    const auto fileName = dialogs_.ChooseSaveFile(TUserDialogs::TSaveFile::RowList);
    if (!fileName)
        return;
    TBusyCursor busy;
    SaveRowListFile(FLines, *fileName);
}

void TForm1::Button1Click()
{
    const auto fileName = dialogs_.ChooseSaveFile(TUserDialogs::TSaveFile::TriangleCsv);
    if (!fileName)
        return;
    TBusyCursor busy;
    ExportTriangleCsv(FRows, rgColumsNo->ItemIndex(), *fileName);
}

void TForm1::ShowTriangleClick()
{
    ShowTriangleWindow(FRows, rgColumsNo->ItemIndex(), FLinesModel, dialogs_, this);
}

} // namespace quorva
