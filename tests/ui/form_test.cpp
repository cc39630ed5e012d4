// The window's buttons wired to the core, with the dialogs answered in
// advance: what each press does to the rows, the lines, the selection and the
// files, and how failures reach the user.

#include <QtTest>

#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <array>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

#include "form_fixture.h"
#include "model/files/file_descriptor.h"
#include "model/files/in_place_backup.h"
#include "model/files/state_folder.h"
#include "model/rows/row_list_file.h"
#include "reporting_test_main.h"
#include "row_list_text.h"
#include "support/stalled_pipe.h"
#include "support/temp_dir.h"
#include "ui/Unit1.h"
#include "ui/base/figure_locale.h"

using quorva::TForm1;
using quorva::TNumberRow;
using TSaveFile = quorva::TUserDialogs::TSaveFile;

namespace {

std::string ReadBytes(const QString& path)
{
    return quorva::test::ReadBytes(path.toStdString());
}

void WriteBytes(const QString& path, const std::string& bytes)
{
    quorva::test::WriteBytes(path.toStdString(), bytes);
}

// Lowers this process's file size limit for one scope, with SIGXFSZ ignored
// so that a write past it fails instead of ending the process; both are put
// back afterwards. Unlike permissions, the limit holds for root too.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(qint64 bytes) : active_(bytes > 0)
    {
        if (!active_)
            return;
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit lowered = previous_;
        lowered.rlim_cur = static_cast<rlim_t>(bytes);
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~TFileSizeLimit()
    {
        if (!active_)
            return;
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    bool active_;
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

} // namespace

class TFormTest : public QObject {
    Q_OBJECT

private slots:
    void init() { fixture_.Start(); }
    void cleanup() { fixture_.Stop(); }

    void addTakesTheSpinPositionsInOrder()
    {
        SetSpins({10, 0, 99, 5, 42, 7, 13});
        Click("Button2");
        QCOMPARE(form_->Rows().size(), size_t{1});
        QCOMPARE(form_->Rows()[0], (TNumberRow{10, 0, 99, 5, 42, 7, 13}));
        QCOMPARE(form_->Lines().Line(0), std::string_view("10 00 99 05 42 07 13"));
        QCOMPARE(ShownLine(0), QStringLiteral("10 00 99 05 42 07 13"));
    }

    void addTakesANumberStillBeingTyped()
    {
        auto* field = Spin(2);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, "42");
        Click("Button2");
        QCOMPARE(form_->Rows().at(0)[2], 42);
    }

    void addingSevenTimesSelectsTheLastLine()
    {
        for (int i = 0; i < 7; ++i)
            Click("Button2");
        QCOMPARE(form_->Lines().Count(), 7);
        for (int i = 0; i < 7; ++i)
            QCOMPARE(form_->Lines().Line(i), std::string_view("01 02 03 04 05 06 07"));
        QCOMPARE(form_->Lines().SelectedIndex(), 6);
        QCOMPARE(ViewSelection(), 6);
    }

    // Rows 0, 1, 2, ... each hold their index in every column, so a row's
    // values tell where it came from.
    void selectionAfterEditing_data()
    {
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<int>("selectBefore");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QList<int>>("rowsAfter");
        QTest::addColumn<int>("selectedAfter");

        QTest::newRow("delete middle") << 3 << 1 << "Button3" << QList<int>{0, 2} << 1;
        QTest::newRow("delete last") << 3 << 2 << "Button3" << QList<int>{0, 1} << 1;
        QTest::newRow("delete only") << 1 << 0 << "Button3" << QList<int>{} << -1;
        QTest::newRow("delete unselected") << 2 << -1 << "Button3" << QList<int>{0, 1} << -1;
        QTest::newRow("Delete key") << 3 << 1 << "Del" << QList<int>{0, 2} << 1;
        QTest::newRow("Delete key, nothing selected") << 2 << -1 << "Del" << QList<int>{0, 1} << -1;
        QTest::newRow("up") << 3 << 2 << "btnUp" << QList<int>{0, 2, 1} << 1;
        QTest::newRow("up first") << 3 << 0 << "btnUp" << QList<int>{0, 1, 2} << 0;
        QTest::newRow("up unselected") << 2 << -1 << "btnUp" << QList<int>{0, 1} << -1;
        QTest::newRow("down") << 3 << 0 << "btnDown" << QList<int>{1, 0, 2} << 1;
        QTest::newRow("down last") << 3 << 2 << "btnDown" << QList<int>{0, 1, 2} << 2;
        QTest::newRow("down unselected") << 2 << -1 << "btnDown" << QList<int>{0, 1} << -1;
        QTest::newRow("up by key") << 3 << 2 << "Alt+Up" << QList<int>{0, 2, 1} << 1;
        QTest::newRow("down by key in a number field")
            << 3 << 0 << "ed13 Alt+Down" << QList<int>{1, 0, 2} << 1;
    }

    void selectionAfterEditing()
    {
        QFETCH(int, rowCount);
        QFETCH(int, selectBefore);
        QFETCH(QString, button);
        QFETCH(QList<int>, rowsAfter);
        QFETCH(int, selectedAfter);

        OpenIndexedRows(rowCount);
        ClickLine(selectBefore);
        QCOMPARE(form_->Lines().SelectedIndex(), selectBefore);

        Click(button);

        QCOMPARE(RowMarks(), rowsAfter);
        QCOMPARE(form_->Lines().SelectedIndex(), selectedAfter);
        QCOMPARE(ViewSelection(), selectedAfter);
        for (int i = 0; i < form_->Lines().Count(); ++i)
            QCOMPARE(ShownLine(i), QString::fromStdString(std::string(form_->Lines().Line(i))));
    }

    void arrowKeysMoveTheLineSelection()
    {
        AddIndexedRows(3);
        ClickLine(0);
        QTest::keyClick(List(), Qt::Key_Down);
        QCOMPARE(form_->Lines().SelectedIndex(), 1);
        QTest::keyClick(List(), Qt::Key_End);
        QCOMPARE(form_->Lines().SelectedIndex(), 2);
    }

    void typingSelectsByPrefix()
    {
        auto now = std::chrono::milliseconds(1000);
        TForm1 form(*dialogs_, [&now] { return now; });
        auto* field = form.findChild<QSpinBox*>("ed10");
        for (int first : {5, 12, 13}) {
            field->setValue(first);
            form.Button2Click();
        }
        auto* list = form.findChild<QListView*>("ListBox1");

        QTest::keyClicks(list, "1");
        QCOMPARE(form.Lines().SelectedIndex(), 1);
        now += std::chrono::milliseconds(499);
        QTest::keyClicks(list, "3");
        QCOMPARE(form.Lines().SelectedIndex(), 2);
        now += std::chrono::milliseconds(500);
        QTest::keyClicks(list, "0");
        QCOMPARE(form.Lines().SelectedIndex(), 0);
        QVERIFY(list->selectionModel()->isSelected(list->model()->index(0, 0)));
    }

    void doubleClickAndValueChangesRunNothing()
    {
        AddIndexedRows(2);
        const auto rows = form_->Rows();
        ClickLine(1);
        QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, LineCenter(1));
        Spin(0)->setValue(50);
        ColumnButton(3)->click();
        QCOMPARE(form_->Rows(), rows);
        QCOMPARE(form_->Lines().SelectedIndex(), 1);
        QVERIFY(dialogs_->saveQuestions.empty());
        QCOMPARE(dialogs_->openQuestions, 0);
    }

    void startExportsTheChosenColumn()
    {
        SetSpins({1, 2, 4, 0, 0, 0, 0});
        Click("Button2");
        SetSpins({1, 2, 9, 0, 0, 0, 0});
        Click("Button2");
        ColumnButton(2)->click();
        const QString csv = folder_->filePath("out.csv");
        dialogs_->nextFileNames.push_back(csv.toStdString());

        Click("Button1");

        QCOMPARE(dialogs_->saveQuestions, std::vector<TSaveFile>{TSaveFile::TriangleCsv});
        QCOMPARE(ReadBytes(csv), std::string("4;\r\n;5;\r\n9;\r\n"));
        QCOMPARE(form_->Lines().SelectedIndex(), 1);
        QVERIFY(dialogs_->reportedFailures.empty());
    }

    void cancelledDialogsDoNothing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("Start") << "Button1";
        QTest::newRow("Save") << "btnSave";
        QTest::newRow("Open") << "btnOpen";
        QTest::newRow("Save by key") << "Ctrl+S";
        QTest::newRow("Open by key") << "Ctrl+O";
        QTest::newRow("Export to spreadsheet by key") << "Ctrl+E";
    }

    void cancelledDialogsDoNothing()
    {
        QFETCH(QString, button);
        AddIndexedRows(2);
        ClickLine(0);
        const auto rows = form_->Rows();
        dialogs_->nextFileNames.push_back(std::nullopt);

        Click(button);

        QCOMPARE(dialogs_->openQuestions + static_cast<int>(dialogs_->saveQuestions.size()), 1);
        QCOMPARE(dialogs_->openQuestions, int{button == "btnOpen" || button == "Ctrl+O"});
        QCOMPARE(form_->Rows(), rows);
        QCOMPARE(form_->Lines().SelectedIndex(), 0);
        QVERIFY(dialogs_->shownErrors.empty());
        QVERIFY(dialogs_->reportedFailures.empty());
        QVERIFY(QDir(folder_->path()).isEmpty());
    }

    // An empty list is refused once a name is chosen; a triangle too large
    // for the memory before anything is asked.
    // Targets: "out.csv", the open row list itself, a symbolic or a hard
    // link to it, a file of the program's state folder ("state:" NAME).
    void startReportsAndWritesNothing_data()
    {
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("report");
        QTest::addColumn<QLocale>("locale"); // how figures are written
        QTest::newRow("empty list") << 0 << "out.csv"
                                    << "Range check error" << QLocale::c();
        QTest::newRow("too large for memory") << 1'000'000 << ""
                                              << "The triangle of 1000000 values" << QLocale::c();
        QTest::newRow("too large, English figures")
            << 1'000'000 << ""
            << "The triangle of 1,000,000 values" << QLocale(QLocale::English);
        QTest::newRow("too large, German figures")
            << 1'000'000 << ""
            << "The triangle of 1.000.000 values" << QLocale(QLocale::German);
        const QString overRows = "The triangle cannot be written to";
        QTest::newRow("the row list") << 3 << "rows.tir" << overRows << QLocale::c();
        QTest::newRow("a link to it") << 3 << "link.csv" << overRows << QLocale::c();
        QTest::newRow("a hard link to it") << 3 << "hard.csv" << overRows << QLocale::c();
        QTest::newRow("a state file") << 3 << "state:test-output.base" << overRows << QLocale::c();
    }

    void startReportsAndWritesNothing()
    {
        QFETCH(int, rowCount);
        QFETCH(QString, target);
        QFETCH(QString, report);
        QFETCH(QLocale, locale);
        quorva::FollowLocaleInFigures(locale);
        const QString tir = folder_->filePath("rows.tir");
        WriteBytes(tir, RowListText(rowCount));
        QFile::link(tir, folder_->filePath("link.csv"));
        QVERIFY(::link(QFile::encodeName(tir), QFile::encodeName(folder_->filePath("hard.csv"))) ==
                0);
        dialogs_->nextFileNames.push_back(tir.toStdString());
        Click("btnOpen");
        std::string targetPath = folder_->filePath(target).toStdString();
        if (target.startsWith("state:")) {
            targetPath = quorva::StateFolder("outputs") + "/" + target.mid(6).toStdString();
            WriteBytes(QString::fromStdString(targetPath), "base");
        }
        if (!target.isEmpty())
            dialogs_->nextFileNames.push_back(targetPath);

        Click("Button1");
        if (target.startsWith("state:")) {
            QCOMPARE(ReadBytes(QString::fromStdString(targetPath)), std::string("base"));
            QVERIFY(QFile::remove(QString::fromStdString(targetPath)));
        }

        QCOMPARE(dialogs_->saveQuestions.size(), std::size_t(!target.isEmpty()));
        QCOMPARE(dialogs_->reportedFailures.size(), std::size_t{1});
        quorva::FollowLocaleInFigures(QLocale::c());
        QVERIFY2(QString::fromStdString(dialogs_->reportedFailures[0]).startsWith(report),
                 dialogs_->reportedFailures[0].c_str());
        QVERIFY(!QFile::exists(folder_->filePath("out.csv")));
        QCOMPARE(ReadBytes(tir), RowListText(rowCount));
        ExpectWindowStillWorks();
    }

    // Past a spreadsheet's columns Start says so first; the default goes on.
    void startSaysWhatSpreadsheetsDrop_data()
    {
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<bool>("answerNo");
        QTest::addColumn<int>("questions");
        QTest::addColumn<int>("fileDialogs");
        QTest::newRow("as many columns as spreadsheets keep") << 16'384 << false << 0 << 1;
        QTest::newRow("one more, the default") << 16'385 << false << 1 << 1;
        QTest::newRow("one more, answered no") << 16'385 << true << 1 << 0;
    }

    void startSaysWhatSpreadsheetsDrop()
    {
        QFETCH(int, rowCount);
        QFETCH(bool, answerNo);
        QFETCH(int, questions);
        QFETCH(int, fileDialogs);
        const QString tir = folder_->filePath("rows.tir");
        WriteBytes(tir, RowListText(rowCount));
        dialogs_->nextFileNames.push_back(tir.toStdString());
        Click("btnOpen");
        if (answerNo)
            dialogs_->answers.push_back(false);
        // The file dialog is cancelled: what matters is whether it came.
        dialogs_->nextFileNames.push_back(std::nullopt);

        Click("Button1");

        QCOMPARE(int(dialogs_->questions.size()), questions);
        QCOMPARE(int(dialogs_->saveQuestions.size()), fileDialogs);
        QVERIFY(dialogs_->reportedFailures.empty());
    }

    void saveWritesTheLinesAsTheyStand()
    {
        SetSpins({1, 2, 3, 4, 5, 6, 7});
        Click("Button2");
        SetSpins({10, 0, 99, 5, 42, 7, 13});
        Click("Button2");
        const QString tir = folder_->filePath("rows.tir");
        dialogs_->nextFileNames.push_back(tir.toStdString());

        Click("btnSave");

        QCOMPARE(dialogs_->saveQuestions, std::vector<TSaveFile>{TSaveFile::RowList});
        QCOMPARE(ReadBytes(tir), std::string("01 02 03 04 05 06 07\r\n10 00 99 05 42 07 13\r\n"));
        QCOMPARE(form_->Lines().SelectedIndex(), 1);
    }

    // Steps are words: "add", "save" (to rows.tir), "undo", "redo" (by key
    // from the list) and "rewrite" (another process writes rows.tir); the
    // last is "close", "quit" (Ctrl+Q), "open" or "new" (Ctrl+N).
    void unsavedRowsAreNotDroppedUnasked_data()
    {
        using TAnswer = quorva::TUserDialogs::TUnsavedAnswer;
        const QList<TAnswer> none, cancel{TAnswer::Cancel}, discard{TAnswer::Discard};
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QList<TAnswer>>("answers");
        QTest::addColumn<bool>("keeps"); // the window stays, or Open does not ask for a file
        QTest::newRow("close, Cancel keeps") << "add add close" << cancel << true;
        QTest::newRow("close, Discard closes") << "add close" << discard << false;
        QTest::newRow("close, Save cancelled") << "add close" << QList{TAnswer::Save} << true;
        QTest::newRow("close after Save") << "add save close" << none << false;
        QTest::newRow("undo to the saved rows") << "add save add undo close" << none << false;
        QTest::newRow("undo to the empty start") << "add add undo undo close" << none << false;
        QTest::newRow("redo past the saved rows")
            << "add save add undo redo close" << cancel << true;
        QTest::newRow("open, Cancel") << "add open" << cancel << true;
        QTest::newRow("open, Discard") << "add open" << discard << false;
        QTest::newRow("Ctrl+Q, Cancel keeps") << "add quit" << cancel << true;
        QTest::newRow("Ctrl+Q after Save") << "add save quit" << none << false;
        QTest::newRow("Ctrl+N, Cancel keeps") << "add new" << cancel << true;
        QTest::newRow("Ctrl+N, Discard empties") << "add new" << discard << false;
    }

    void unsavedRowsAreNotDroppedUnasked()
    {
        using TAnswer = quorva::TUserDialogs::TUnsavedAnswer;
        using TDropping = quorva::TUserDialogs::TDropping;
        QFETCH(QString, steps);
        QFETCH(QList<TAnswer>, answers);
        QFETCH(bool, keeps);
        const QString action = steps.section(' ', -1);
        RunSteps(steps.section(' ', 0, -2));
        const auto rows = form_->Rows();
        dialogs_->unsavedAnswers.assign(answers.begin(), answers.end());
        if (answers.contains(TAnswer::Save) || action == "open")
            dialogs_->nextFileNames.push_back(std::nullopt);

        const std::map<QString, std::pair<QString, TDropping>> actions{
            {"close", {"", TDropping::Closing}},
            {"quit", {"Ctrl+Q", TDropping::Closing}},
            {"open", {"btnOpen", TDropping::OpeningAnother}},
            {"new", {"Ctrl+N", TDropping::StartingNew}}};
        const auto& [keys, dropping] = actions.at(action);

        if (keys.isEmpty())
            form_->close();
        else
            Click(keys);

        QCOMPARE(dialogs_->unsavedQuestions, answers.size());
        for (TDropping asked : dialogs_->unsavedReasons)
            QCOMPARE(asked, dropping);
        const bool kept = action == "open"  ? dialogs_->openQuestions == 0
                          : action == "new" ? form_->Rows() == rows
                                            : form_->isVisible();
        QCOMPARE(kept, keeps);
        QCOMPARE(form_->Rows(), keeps || action != "new" ? rows : quorva::TRowTable());
    }

    void historyKeysTakeBackAndRedoSteps_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("rowsLeft");
        QTest::addColumn<QString>("undoText");
        // What a screen reader was told last.
        QTest::addColumn<QString>("heard");
        const QString row = QStringLiteral("01 02 03 04 05 06 07");
        QTest::newRow("two undone") << "add add add undo undo" << 1 << "Undo Add"
                                    << "Undo: Removed row 2; 1 row left";
        QTest::newRow("all undone") << "add add undo undo undo" << 0 << "Undo"
                                    << "Undo: Removed row 1; 0 rows left";
        QTest::newRow("delete named") << "add add delete" << 1 << "Undo Delete"
                                      << "Deleted row 1: " + row + "; 1 row left";
        QTest::newRow("delete undone") << "add add delete undo" << 2 << "Undo Add"
                                       << "Undo: Restored row 1 of 2: " + row;
        QTest::newRow("Ctrl+Y") << "add add undo redo" << 2 << "Undo Add"
                                << "Redo: Added row 2 of 2: " + row;
        QTest::newRow("Ctrl+Shift+Z") << "add add delete undo shift-redo" << 1 << "Undo Delete"
                                      << "Redo: Deleted row 1: " + row + "; 1 row left";
        QTest::newRow("Ctrl+Z in a number field after Add") << "type add field-undo" << 0 << "Undo"
                                                            << "Undo: Removed row 1; 0 rows left";
        QTest::newRow("Ctrl+Z in a number field, typing first")
            << "add type field-undo field-undo" << 0 << "Undo"
            << "Undo: Removed row 1; 0 rows left";
        QTest::newRow("Ctrl+Return in a number field") << "type field-add" << 1 << "Undo Add"
                                                       << "Added row 1 of 1: 01 02 42 04 05 06 07";
        QTest::newRow("moved up") << "add type add up" << 2 << "Undo Moove Up"
                                  << "Moved up to row 1 of 2: 01 02 42 04 05 06 07";
        QTest::newRow("move undone") << "add type add up undo" << 2 << "Undo Add"
                                     << "Undo: Moved down to row 2 of 2: 01 02 42 04 05 06 07";
        QTest::newRow("Ctrl+N leaves no steps") << "add add new" << 0 << "Undo"
                                                << "Added row 2 of 2: " + row;
    }

    void historyKeysTakeBackAndRedoSteps()
    {
        QFETCH(QString, steps);
        QFETCH(int, rowsLeft);
        QFETCH(QString, undoText);
        QFETCH(QString, heard);

        RunSteps(steps);

        QCOMPARE(form_->Lines().Count(), rowsLeft);
        QCOMPARE(form_->findChild<QAction*>("actUndo")->text(), undoText);
        const auto* announcement = form_->findChild<QWidget*>("Announcement");
        QVERIFY(announcement);
        QCOMPARE(announcement->accessibleName(), heard);
        QCOMPARE(announcement->focusPolicy(), Qt::NoFocus);
        // Typing undone is undone in the field, not added.
        if (steps.contains("type field-undo"))
            QCOMPARE(Spin(2)->text(), QStringLiteral("3"));
    }

    // Where each file dialog starts after the steps: "open" (rows.tir),
    // "export" (to sub/out.csv), "save-other" (to sub/other.tir), "add" and
    // "new"; the last word names the dialog, which is then cancelled. After
    // "=" stands its folder under the test's folder and the name, "/" between.
    void dialogsStartAtTheRowsFile_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::newRow("Save after Open") << "open save = /rows.tir";
        QTest::newRow("Save after another Save") << "open save-other save = sub/other.tir";
        QTest::newRow("Start after Open") << "open start = /rows-column1.csv";
        QTest::newRow("Start after an export") << "open export start = /rows-column1.csv";
        QTest::newRow("Start without a file, where last exported")
            << "add export start = sub/column1.csv";
        QTest::newRow("Start without a file, after a failed export")
            << "add export export-failed start = sub/column1.csv";
        QTest::newRow("Open after Open") << "open open = /";
        QTest::newRow("Save after New") << "open new save = /";
    }

    void dialogsStartAtTheRowsFile()
    {
        QFETCH(QString, steps);
        QVERIFY(QDir(folder_->path()).mkdir("sub"));
        WriteBytes(folder_->filePath("rows.tir"), "01 02 03 04 05 06 07\r\n");
        const std::map<QString, std::pair<QString, QString>> answered{
            {"open", {"btnOpen", "rows.tir"}},
            {"export", {"Button1", "sub/out.csv"}},
            {"export-failed", {"Button1", "gone/out.csv"}},
            {"save-other", {"btnSave", "sub/other.tir"}}};
        for (const QString& step : steps.section(" = ", 0, 0).split(' ')) {
            if (const auto found = answered.find(step); found != answered.end()) {
                dialogs_->nextFileNames.push_back(
                    folder_->filePath(found->second.second).toStdString());
                Click(found->second.first);
                dialogs_->reportedFailures.clear();
            } else if (step == "add" || step == "new") {
                Click(step == "add" ? "Button2" : "Ctrl+N");
            } else {
                dialogs_->nextFileNames.push_back(std::nullopt);
                Click(step == "save" ? "btnSave" : step == "start" ? "Button1" : "btnOpen");
            }
        }
        const QString expected = steps.section(" = ", 1);
        const quorva::TFileProposal& proposed = dialogs_->proposals.back();
        QCOMPARE(QString::fromStdString(proposed.folder),
                 expected.isEmpty()
                     ? QString()
                     : QDir(folder_->filePath(expected.section('/', 0, 0))).absolutePath());
        QCOMPARE(QString::fromStdString(proposed.name), expected.section('/', 1));
        QVERIFY(dialogs_->reportedFailures.empty());
    }

    // Files opened or saved are offered newest first, eight at most, and
    // open as Open does.
    void recentFilesAreOfferedNewestFirst()
    {
        QStringList opened;
        for (int i = 0; i < 9; ++i) {
            opened.prepend(folder_->filePath(QStringLiteral("rows%1.tir").arg(i)));
            WriteBytes(opened.front(),
                       QStringLiteral("0%1 02 03 04 05 06 07\r\n").arg(i).toStdString());
            dialogs_->nextFileNames.push_back(opened.front().toStdString());
            Click("btnOpen");
        }
        dialogs_->nextFileNames.push_back(opened.last().toStdString());
        Click("btnOpen"); // back to the first; once in the list
        opened.move(opened.size() - 1, 0);
        auto* recent = form_->findChild<QMenu*>("RecentFiles");
        QStringList offered;
        for (const QAction* action : recent->actions())
            offered << action->text();
        QCOMPARE(offered, opened.mid(0, 8));

        recent->actions().at(3)->trigger();

        QTRY_COMPARE(form_->Rows().at(0)[0], 6);
        QCOMPARE(recent->actions().at(0)->text(), opened.at(3));

        // One that has gone is named as gone before any question, the rows
        // stay, and it is offered no more.
        QVERIFY(QFile::rename(opened.at(1), opened.at(1) + ".moved"));
        Click("Button2");
        const int asked = dialogs_->unsavedQuestions;
        recent->actions().at(2)->trigger();
        QTRY_COMPARE(dialogs_->shownErrors.size(), std::size_t{1});
        QCOMPARE(dialogs_->shownErrors.front(), "Cannot open file \"" + opened.at(1).toStdString() +
                                                    "\". No such file or directory");
        QCOMPARE(dialogs_->unsavedQuestions, asked);
        QCOMPARE(form_->Lines().Count(), 2);
        QCOMPARE(recent->actions().size(), 7);
        for (const QAction* action : recent->actions())
            QVERIFY(action->text() != opened.at(1));
    }

    // A window that ends without saving leaves its steps; the next window
    // offers them at start, whatever became of the file they came from, and
    // once they are saved or given up nothing is left to ask.
    void leftRowsAreOfferedAtStart_data()
    {
        QTest::addColumn<QString>("fate");    // of rows.tir before the start
        QTest::addColumn<QString>("answers"); // to the question, then to "for good?"
        QTest::addColumn<QString>("then");    // steps in the new window
        QTest::addColumn<bool>("restored");
        QTest::addColumn<int>("journalsLeft");
        const struct {
            const char *name, *fate, *answers, *then;
            bool restored;
            int journalsLeft;
        } rows[] = {
            {"restore", "", "restore", "", true, 1},
            {"not now", "", "later", "", false, 1},
            {"discard", "", "discard yes", "", false, 0},
            {"discard, not for good, asks again", "", "discard no later", "", false, 1},
            {"discard, not for good, restore", "", "discard no restore", "", true, 1},
            {"file cut short", "cut", "restore", "", true, 1},
            {"file deleted", "delete", "restore", "", true, 1},
            {"restore, save", "", "restore", "save", true, 0},
            {"restore, open another", "", "restore", "open", true, 0},
            {"restore, new list", "", "restore", "new", true, 0},
            {"file rewritten, save asks", "rewrite", "restore", "save", true, 1},
            {"two windows ended", "another window", "restore", "", true, 2},
            {"file rewritten before the edits", "rewritten first", "restore", "", true, 1},
        };
        for (const auto& row : rows)
            QTest::newRow(row.name) << QString(row.fate) << QString(row.answers)
                                    << QString(row.then) << row.restored << row.journalsLeft;
    }

    void leftRowsAreOfferedAtStart()
    {
        using TAnswer = quorva::TUserDialogs::TRestoreAnswer;
        QFETCH(QString, fate);
        QFETCH(QString, answers);
        QFETCH(QString, then);
        QFETCH(bool, restored);
        QFETCH(int, journalsLeft);
        const QString state = folder_->filePath("state");
        const QString tir = folder_->filePath("rows.tir");
        qputenv("XDG_STATE_HOME", QFile::encodeName(state));
        // Rewritten before the first edit: the journal starts from the rows.
        RunSteps(fate == "rewritten first" ? "add save rewrite add add"
                                           : "add save add add delete add undo add");
        QCoreApplication::processEvents();
        const auto lines = form_->Lines().Lines();
        if (fate == "another window") {
            TForm1 other(*dialogs_);
            other.findChild<QPushButton*>("Button2")->click();
        }
        form_.reset();
        if (fate == "cut")
            QFile::resize(tir, 10);
        else if (fate == "delete")
            QFile::remove(tir);
        else if (fate == "rewrite")
            RunSteps("rewrite");
        // Each word answers the restore question, but "yes" and "no" the
        // question whether to discard for good.
        for (const QString& word : answers.split(' ')) {
            if (word == "yes" || word == "no")
                dialogs_->answers.push_back(word == "yes");
            else
                dialogs_->restoreAnswers.push_back(word == "restore" ? TAnswer::Restore
                                                   : word == "later" ? TAnswer::Later
                                                                     : TAnswer::Discard);
        }

        form_ = std::make_unique<TForm1>(*dialogs_);
        form_->show();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        form_->RestoreLeftRows();
        const bool two = fate == "another window";
        QCOMPARE(dialogs_->restoreQuestions.size(),
                 (two ? 2u : 1u) + std::size_t(answers.count(" no")));
        // Found before any goes: a window takes its own top-level helpers along.
        QList<TForm1*> others;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* other = qobject_cast<TForm1*>(window); other && other != form_.get())
                others << other;
        QCOMPARE(others.size(), two ? 1 : 0);
        for (TForm1* other : others) {
            QCOMPARE(other->Lines().Count(), 1);
            delete other;
        }
        QCOMPARE(form_->Lines().Lines() == lines, restored);
        QCOMPARE(form_->HasUnsavedRows(), restored);
        RunSteps(then);
        quorva::test::UseStateFolderOfThisUser();

        QCOMPARE(dialogs_->changedFileQuestions.size(), std::size_t(fate == "rewrite"));
        QCOMPARE(form_->HasUnsavedRows(), journalsLeft > 0 && restored);
        QCOMPARE(QDir(state + "/quorva/journals").entryList({"*.journal"}).size(), journalsLeft);
    }

    // Rows whose journal can't be kept (here, a state folder others may
    // write) are said to be at risk once, not at every step.
    void journalThatCannotBeKeptIsSaidOnce()
    {
        const QString state = folder_->filePath("state");
        QVERIFY(QDir().mkpath(state + "/quorva"));
        QFile::setPermissions(state + "/quorva", QFileDevice::Permissions(0x7777));
        qputenv("XDG_STATE_HOME", QFile::encodeName(state));
        RunSteps("add add");
        QTRY_COMPARE(dialogs_->shownErrors.size(), std::size_t{1});
        RunSteps("add delete");
        QTest::qWait(50);
        quorva::test::UseStateFolderOfThisUser();
        QCOMPARE(dialogs_->shownErrors.size(), std::size_t{1});
        QVERIFY(dialogs_->shownErrors[0].find("will not survive a crash") != std::string::npos);
    }

    // Save onto the file this window last opened or saved asks first when
    // another process has written it since.
    void saveOntoAFileChangedOnDisk_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<bool>("asks");
        QTest::addColumn<bool>("written");
        QTest::newRow("unchanged") << "add save add" << false << false << true;
        QTest::newRow("rewritten, No") << "add save rewrite add" << false << true << false;
        QTest::newRow("rewritten, Yes") << "add save rewrite add" << true << true << true;
        QTest::newRow("never opened here") << "rewrite add" << false << false << true;
        QTest::newRow("saved through a link")
            << "add save-link rewrite add" << false << true << false;
    }

    void saveOntoAFileChangedOnDisk()
    {
        QFETCH(QString, steps);
        QFETCH(bool, replace);
        QFETCH(bool, asks);
        QFETCH(bool, written);
        RunSteps(steps);
        const std::string before = ReadBytes(folder_->filePath("rows.tir"));
        dialogs_->replaceChangedFile = replace;

        RunSteps("save");

        QCOMPARE(dialogs_->changedFileQuestions.size(), std::size_t(asks));
        QCOMPARE(ReadBytes(folder_->filePath("rows.tir")) != before, written);
        QCOMPARE(form_->HasUnsavedRows(), !written);
    }

    // Failures a person can meet while saving or exporting: each is reported
    // with its message, and leaves the rows, the selection and the folder as
    // they were (the previous file byte for byte, no temporary file).
    void failedWriteReportsAndChangesNothing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("systemText");   // or the whole text of a failed write
        QTest::addColumn<qint64>("fileSizeLimit"); // 0: none
        for (const QString& button : {QStringLiteral("btnSave"), QStringLiteral("Button1")}) {
            const QByteArray tag = button.toLatin1() + ": ";
            QTest::newRow(tag + "missing folder") << button << "missing/out"
                                                  << "No such file or directory" << qint64{0};
            QTest::newRow(tag + "folder as target") << button << "folder"
                                                    << "Is a directory" << qint64{0};
            QTest::newRow(tag + "dangling link into a missing folder")
                << button << "dangling"
                << "No such file or directory" << qint64{0};
            QTest::newRow(tag + "disk full")
                << button << "previous"
                << "Stream write error. File too large" << qint64{4096};
            // The program must outlive the pipe's reader, and not wait for it.
            QTest::newRow(tag + "pipe whose reader leaves")
                << button << "pipe"
                << "Stream write error. Broken pipe" << qint64{0};
        }
    }

    void failedWriteReportsAndChangesNothing()
    {
        QFETCH(QString, button);
        QFETCH(QString, target);
        QFETCH(QString, systemText);
        QFETCH(qint64, fileSizeLimit);
        QVERIFY(QDir(folder_->path()).mkdir("folder"));
        QVERIFY(QFile::link("gone/file", folder_->filePath("dangling")));
        WriteBytes(folder_->filePath("previous"), "previous contents\r\n");
        quorva::test::TStalledPipe pipe(folder_->filePath("pipe").toStdString());
        // A list whose text is well past the file size limit.
        const QString rowList = folder_->filePath("rows.tir");
        WriteBytes(rowList, RowListText(600));
        dialogs_->nextFileNames.push_back(rowList.toStdString());
        Click("btnOpen");
        QCOMPARE(form_->Lines().Count(), 600);
        ClickLine(1);
        const auto rows = form_->Rows();
        const QStringList listing =
            QDir(folder_->path())
                .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
        const QString path = folder_->filePath(target);
        dialogs_->nextFileNames.push_back(path.toStdString());

        std::thread reader([&pipe, leaves = target == "pipe"] {
            while (leaves && !pipe.Full())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            pipe.Leave();
        });
        {
            const TFileSizeLimit limit(fileSizeLimit);
            Click(button);
        }
        reader.join();

        const std::string message =
            systemText.startsWith("Stream write error")
                ? systemText.toStdString()
                : "Cannot create file \"" + path.toStdString() + "\". " + systemText.toStdString();
        QCOMPARE(dialogs_->reportedFailures, std::vector<std::string>{message});
        QCOMPARE(form_->Rows(), rows);
        QCOMPARE(form_->Lines().SelectedIndex(), 1);
        QCOMPARE(
            QDir(folder_->path())
                .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
            listing);
        QCOMPARE(ReadBytes(folder_->filePath("previous")), std::string("previous contents\r\n"));
        ExpectWindowStillWorks();
    }

    void openReadsLinesAndRowsWithoutSelection()
    {
        const QString tir = folder_->filePath("in.tir");
        WriteBytes(tir, "01 02 03 04 05 06 07 extra\n-5 +1 $F xF  7 08 9\r\n");
        AddIndexedRows(1);
        dialogs_->nextFileNames.push_back(tir.toStdString());

        Click("btnOpen");

        QCOMPARE(dialogs_->openQuestions, 1);
        QVERIFY(dialogs_->shownErrors.empty());
        QCOMPARE(form_->Rows(),
                 (quorva::TRowTable{{1, 2, 3, 4, 5, 6, 7}, {-5, 1, 15, 15, 7, 8, 9}}));
        QCOMPARE(ShownLine(0), QStringLiteral("01 02 03 04 05 06 07 extra"));
        QCOMPARE(ShownLine(1), QStringLiteral("-5 +1 $F xF  7 08 9"));
        QCOMPARE(form_->Lines().SelectedIndex(), -1);
        QCOMPARE(ViewSelection(), -1);
    }

    void failedOpenShowsItsMessageAndKeepsTheRows_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("malformed") << "bad.tir" << QByteArray("01 02 03 04 05 06 07\r\n\r\n");
        QTest::newRow("missing") << "missing.tir" << QByteArray();
        QTest::newRow("byte-order mark") << "bom.tir"
                                         << QByteArray("\xEF\xBB\xBF"
                                                       "01 02 03 04 05 06 07\r\n");
        QTest::newRow("NUL inside a line")
            << "nul.tir" << QByteArray("01 02 03 04\0 05 06 07\r\n", 23);
        QTest::newRow("binary bytes")
            << "binary.tir" << QByteArray("\x01\x89PNG\r\n\x1a\n\xff\xfe", 12);
    }

    void failedOpenShowsItsMessageAndKeepsTheRows()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, contents);
        const QString path = folder_->filePath(fileName);
        if (!contents.isEmpty())
            WriteBytes(path, contents.toStdString());
        AddIndexedRows(3);
        ClickLine(1);
        const auto rows = form_->Rows();
        dialogs_->nextFileNames.push_back(path.toStdString());

        Click("btnOpen");

        QCOMPARE(dialogs_->shownErrors, std::vector<std::string>{quorva::SBadFileFormat});
        // The work is over: the message waits for the user without a busy cursor.
        QCOMPARE(dialogs_->cursorsWhileShowingError, std::vector<Qt::CursorShape>{Qt::ArrowCursor});
        QVERIFY(dialogs_->reportedFailures.empty());
        QCOMPARE(form_->Rows(), rows);
        QCOMPARE(List()->model()->rowCount(), 3);
        ExpectWindowStillWorks();
    }

    // A save that stopped while rewriting a file in place left a backup: the
    // next Open or Save of the file tells of it, and puts it back when asked;
    // otherwise the backup stays.
    void leftBackupIsOfferedAndKeptUnlessPutBack_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("answer");       // 1 yes, 0 no, -1 the default
        QTest::addColumn<QByteArray>("shown"); // the name's line in the question
        QTest::newRow("Open, put back")
            << "btnOpen" << QByteArray("list.tir") << 1 << QByteArray("/list.tir\"\n");
        QTest::newRow("Save, kept")
            << "btnSave" << QByteArray("list.tir") << 0 << QByteArray("/list.tir\"\n");
        QTest::newRow("Open, odd name, default answer")
            << "btnOpen" << QByteArray("a\"\n\nPut it back? Yes is safe\xff.tir") << -1
            << QByteArray("/a\\\"\\n\\nPut it back? Yes is safe\\xff.tir\"\n");
    }

    void leftBackupIsOfferedAndKeptUnlessPutBack()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, name);
        QFETCH(int, answer);
        QFETCH(QByteArray, shown);
        const std::string folder = folder_->path().toStdString();
        const std::string path = folder + "/" + name.toStdString();
        quorva::test::WriteBytes(path, RowListText(3));
        quorva::TFileDescriptor file(::open(path.c_str(), O_RDWR));
        const std::string backup = quorva::TInPlaceBackup(path, file.Get()).Path();
        QCOMPARE(::ftruncate(file.Get(), 0), 0); // and the save stopped here
        if (answer >= 0)
            dialogs_->answers.push_back(answer == 1);
        dialogs_->nextFileNames.push_back(path);

        Click(button);

        QCOMPARE(dialogs_->questions.size(), size_t{1});
        const std::string& question = dialogs_->questions[0];
        QVERIFY2(question.find("\n\"" + folder + shown.toStdString()) != std::string::npos,
                 question.c_str());
        QCOMPARE(quorva::test::Exists(backup), answer == 0);
        QCOMPARE(form_->Lines().Count(), answer != 0 ? 3 : 0);
        ::unlink(path.c_str()); // Qt cannot name it to remove the folder
    }

    // What is shown is only a view of the bytes: lines that are not UTF-8 are
    // shown byte for byte and saved back unchanged.
    void displayLeavesTheBytesAlone()
    {
        const std::string bytes = "01 02 03 04 05 06 07 caf\xe9\r\n"
                                  "01 02 03 04 05 06 07 caf\xc3\xa9\r\n";
        const QString in = folder_->filePath("bytes.tir");
        const QString out = folder_->filePath("copy.tir");
        WriteBytes(in, bytes);
        dialogs_->nextFileNames.push_back(in.toStdString());
        dialogs_->nextFileNames.push_back(out.toStdString());

        Click("btnOpen");
        Click("btnSave");

        QCOMPARE(ShownLine(0), QStringLiteral("01 02 03 04 05 06 07 caf\u00e9"));
        QCOMPARE(ShownLine(1), QStringLiteral("01 02 03 04 05 06 07 caf\u00e9"));
        QCOMPARE(ReadBytes(out), bytes);
    }

private:
    // Clicks the button of that name, or presses those keys where the focus
    // is, or in the control named before them ("ed10 Ctrl+Return").
    void Click(const QString& name)
    {
        if (auto* button = form_->findChild<QPushButton*>(name)) {
            QTest::mouseClick(button, Qt::LeftButton);
            return;
        }
        const QString keys = name.section(' ', -1);
        if (name.contains(' '))
            form_->findChild<QWidget*>(name.section(' ', 0, 0))->setFocus();
        QVERIFY2(!QKeySequence(keys).isEmpty(), qPrintable(name));
        QTest::keySequence(QApplication::focusWidget(), QKeySequence(keys));
    }

    void RunSteps(const QString& steps)
    {
        const QString tir = folder_->filePath("rows.tir");
        for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
            if (step == "add" || step == "up") {
                Click(step == "add" ? "Button2" : "btnUp");
            } else if (step == "save") {
                dialogs_->nextFileNames.push_back(tir.toStdString());
                Click("btnSave");
            } else if (step == "rewrite") {
                QCOMPARE(QProcess::execute("sh", {"-c", "printf 'other\\r\\n' > \"$0\"", tir}), 0);
            } else if (step == "save-link") {
                QFile::link(tir, folder_->filePath("link.tir"));
                dialogs_->nextFileNames.push_back(folder_->filePath("link.tir").toStdString());
                Click("btnSave");
            } else if (step == "open") {
                OpenIndexedRows(2);
            } else if (step == "new") {
                Click("Ctrl+N");
            } else if (step == "delete") {
                ClickLine(0);
                Click("Button3");
            } else if (step == "type") {
                Spin(2)->setFocus();
                Spin(2)->selectAll();
                QTest::keyClicks(Spin(2), "42");
            } else if (step.startsWith("field-")) {
                const std::map<QString, QString> keys{{"field-undo", "ed12 Ctrl+Z"},
                                                      {"field-add", "ed12 Ctrl+Return"}};
                Click(keys.at(step));
            } else if (step == "new" || step == "quit") {
                Click(step == "new" ? "Ctrl+N" : "Ctrl+Q");
            } else {
                const std::map<QString, QKeySequence> keys{
                    {"undo", QKeySequence(Qt::CTRL | Qt::Key_Z)},
                    {"redo", QKeySequence(Qt::CTRL | Qt::Key_Y)},
                    {"shift-redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}};
                List()->setFocus();
                QTest::keySequence(List(), keys.at(step));
            }
        }
    }

    QSpinBox* Spin(int index) const
    {
        return form_->findChild<QSpinBox*>(QStringLiteral("ed1%1").arg(index));
    }

    void SetSpins(const std::array<int, 7>& values)
    {
        for (int i = 0; i < 7; ++i)
            Spin(i)->setValue(values[static_cast<std::size_t>(i)]);
    }

    void AddIndexedRows(int count)
    {
        for (int i = 0; i < count; ++i) {
            SetSpins({i, i, i, i, i, i, i});
            Click("Button2");
        }
    }

    // Right after Open no line is selected.
    void OpenIndexedRows(int count)
    {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += QStringLiteral("0%1 0%1 0%1 0%1 0%1 0%1 0%1\r\n").arg(i).toStdString();
        const QString path = folder_->filePath("indexed.tir");
        WriteBytes(path, text);
        dialogs_->nextFileNames.push_back(path.toStdString());
        Click("btnOpen");
        QCOMPARE(form_->Lines().Count(), count);
    }

    QList<int> RowMarks() const
    {
        QList<int> marks;
        for (const TNumberRow& row : form_->Rows())
            marks << row[0];
        return marks;
    }

    QListView* List() const { return form_->findChild<QListView*>("ListBox1"); }

    QRadioButton* ColumnButton(int index) const
    {
        for (QRadioButton* button : form_->findChildren<QRadioButton*>()) {
            if (button->text() == QString::number(index + 1))
                return button;
        }
        return nullptr;
    }

    QPoint LineCenter(int line) const
    {
        return List()->visualRect(List()->model()->index(line, 0)).center();
    }

    void ClickLine(int line)
    {
        if (line < 0)
            return;
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, LineCenter(line));
    }

    int ViewSelection() const
    {
        const QModelIndexList selected = List()->selectionModel()->selectedIndexes();
        if (selected.isEmpty())
            return -1;
        if (List()->hasFocus() && List()->currentIndex() != selected.first())
            return -2; // current and selected disagree
        return selected.first().row();
    }

    QString ShownLine(int line) const { return List()->model()->index(line, 0).data().toString(); }

    void ExpectWindowStillWorks()
    {
        const int count = form_->Lines().Count();
        Click("Button2");
        QCOMPARE(form_->Lines().Count(), count + 1);
        QCOMPARE(form_->Lines().SelectedIndex(), count);
        QVERIFY(form_->isEnabled());
        QVERIFY(form_->isVisible());
    }

    TFormFixture fixture_;
    std::unique_ptr<QTemporaryDir>& folder_ = fixture_.folder;
    std::unique_ptr<TFakeUserDialogs>& dialogs_ = fixture_.dialogs;
    std::unique_ptr<TForm1>& form_ = fixture_.form;
};

QUORVA_REPORTING_TEST_MAIN(TFormTest)
#include "form_test.moc"
