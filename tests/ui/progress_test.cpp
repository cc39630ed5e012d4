// Start's progress dialog: when it shows, what Cancel and Esc leave behind,
// and that the window takes no input while it is up. The window's clock is
// the test's, so a slow operation takes no real time.

#include <QtTest>

#include <QProgressBar>

#include <QAbstractItemView>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>

#include "fake_user_dialogs.h"
#include "reporting_test_main.h"
#include "row_list_text.h"
#include "support/stepping_clock.h"
#include "ui/Unit1.h"

using quorva::TForm1;
using quorva::test::TSteppingClock;
using namespace std::chrono_literals;

namespace {

// Enough rows for dozens of progress calls: a few thousand lines of CSV.
constexpr int RowCount = 2000;

} // namespace

class TProgressTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
        dialogs_ = std::make_unique<TFakeUserDialogs>();
        clock_ = std::make_shared<TSteppingClock>();
        form_ = std::make_unique<TForm1>(*dialogs_, [clock = clock_] { return (*clock)(); });
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));

        const QString rows = folder_->filePath("rows.tir");
        std::ofstream(rows.toStdString(), std::ios::binary) << RowListText(RowCount);
        dialogs_->nextFileNames.push_back(rows.toStdString());
        Click(form_->findChild<QPushButton*>("btnOpen"));
        QCOMPARE(form_->Lines().Count(), RowCount);
        form_->findChild<QRadioButton*>()->click();
    }

    void cleanup()
    {
        QVERIFY(!dialogs_->askedWithoutAnswer);
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(!form_->findChild<QProgressDialog*>());
        form_.reset();
        dialogs_.reset();
    }

    void dialogShowsOnlyForASlowOperation_data()
    {
        // How often the progress is asked depends on how the export's two
        // threads meet, so the clock stops where the operation would end.
        QTest::addColumn<int>("millisecondsPerCall");
        QTest::addColumn<int>("lastsMilliseconds");
        QTest::addColumn<bool>("shows");
        QTest::newRow("instant") << 0 << 0 << false;
        QTest::newRow("quick") << 1 << 400 << false;
        QTest::newRow("slow") << 100 << 100000 << true;
    }

    void dialogShowsOnlyForASlowOperation()
    {
        QFETCH(int, millisecondsPerCall);
        QFETCH(int, lastsMilliseconds);
        QFETCH(bool, shows);
        clock_->step = std::chrono::milliseconds(millisecondsPerCall);
        QString shownText;
        bool modal = false;
        clock_->onRead = [&] {
            clock_->now = std::min(clock_->now, std::chrono::milliseconds(lastsMilliseconds));
            if (QProgressDialog* dialog = ShownDialog()) {
                shownText = dialog->labelText();
                QCOMPARE(dialog->findChild<QProgressBar*>()->accessibleName(), shownText);
                modal = dialog->windowModality() == Qt::WindowModal;
            }
        };

        Start("out.csv");

        QCOMPARE(!shownText.isEmpty(), shows);
        if (shows) {
            QCOMPARE(shownText, QStringLiteral("Exporting column 1 to out.csv…"));
            QVERIFY(modal);
        }
        QVERIFY(QFile::exists(folder_->filePath("out.csv")));
        QVERIFY(dialogs_->reportedFailures.empty());
    }

    void cancelLeavesTheRowsAndNoFile_data()
    {
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("Cancel button") << false;
        QTest::newRow("Esc") << true;
    }

    void cancelLeavesTheRowsAndNoFile()
    {
        QFETCH(bool, byEscape);
        ClickLine(5);
        const auto rowsBefore = form_->Rows();
        clock_->step = 100ms;
        clock_->onRead = [&] {
            QProgressDialog* dialog = ShownDialog();
            if (!dialog)
                return;
            clock_->onRead = nullptr;
            if (byEscape)
                QTest::keyClick(dialog, Qt::Key_Escape);
            else
                Click(dialog->findChild<QPushButton*>());
        };

        Start("cancelled.csv");

        QVERIFY(!clock_->onRead);
        QCOMPARE(QDir(folder_->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"rows.tir"});
        QVERIFY(form_->Rows() == rowsBefore);
        QCOMPARE(form_->Lines().Count(), RowCount);
        QCOMPARE(form_->Lines().SelectedIndex(), 5);
        QVERIFY(dialogs_->reportedFailures.empty());
        QVERIFY(dialogs_->shownErrors.empty());
    }

    // After Cancel the dialog stays until the export has ended.
    void windowTakesNoInputWhileTheDialogIsUp_data()
    {
        QTest::addColumn<bool>("afterCancel");
        QTest::newRow("dialog up") << false;
        QTest::newRow("just cancelled") << true;
    }

    void windowTakesNoInputWhileTheDialogIsUp()
    {
        QFETCH(bool, afterCancel);
        ClickLine(5);
        auto* deleteButton = form_->findChild<QPushButton*>("Button3");
        clock_->step = 100ms;
        bool clicked = false;
        clock_->onRead = [&] {
            QProgressDialog* dialog = ShownDialog();
            if (clicked || !dialog)
                return;
            clicked = true;
            if (afterCancel)
                Click(dialog->findChild<QPushButton*>());
            // Through the window system, as a user's input comes: a click
            // on Delete, and Space, which would press Start again where the
            // focus was left.
            QWindow* window = form_->windowHandle();
            QTest::mouseClick(window, Qt::LeftButton, {},
                              deleteButton->mapTo(form_.get(), deleteButton->rect().center()));
            QTest::keyClick(window, Qt::Key_Space);
        };

        Start("out.csv");
        // Nothing was kept back for later either.
        QCoreApplication::processEvents();

        QVERIFY(clicked);
        QCOMPARE(form_->Lines().Count(), RowCount);
        QCOMPARE(form_->Lines().SelectedIndex(), 5);
        QCOMPARE(QFile::exists(folder_->filePath("out.csv")), !afterCancel);
    }

    // Another of the program's windows, such as a triangle view, would start
    // a second operation in the middle of the first.
    void otherWindowsTakeNoInputWhileTheDialogIsUp()
    {
        QWidget other;
        auto* button = new QPushButton(QStringLiteral("Export"), &other);
        auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), &other);
        int pressed = 0;
        connect(button, &QPushButton::clicked, [&] { ++pressed; });
        connect(shortcut, &QShortcut::activated, [&] { ++pressed; });
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        clock_->step = 100ms;
        bool tried = false;
        clock_->onRead = [&] {
            if (tried || !ShownDialog())
                return;
            tried = true;
            QWindow* window = other.windowHandle();
            QTest::mouseClick(window, Qt::LeftButton, {}, button->geometry().center());
            QTest::keyClick(window, Qt::Key_E, Qt::ControlModifier);
        };

        Start("out.csv");
        QCoreApplication::processEvents();

        QVERIFY(tried);
        QCOMPARE(pressed, 0);
        QTest::mouseClick(other.windowHandle(), Qt::LeftButton, {}, button->geometry().center());
        QCOMPARE(pressed, 1);
    }

private:
    QProgressDialog* ShownDialog() const
    {
        auto* dialog = form_->findChild<QProgressDialog*>();
        return dialog && dialog->isVisible() ? dialog : nullptr;
    }

    void Click(QPushButton* button)
    {
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void ClickLine(int index)
    {
        auto* list = form_->findChild<QAbstractItemView*>("ListBox1");
        const QRect line = list->visualRect(list->model()->index(index, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, line.center());
        QCOMPARE(form_->Lines().SelectedIndex(), index);
    }

    void Start(const QString& name)
    {
        dialogs_->nextFileNames.push_back(folder_->filePath(name).toStdString());
        Click(form_->findChild<QPushButton*>("Button1"));
    }

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<TFakeUserDialogs> dialogs_;
    std::shared_ptr<TSteppingClock> clock_;
    std::unique_ptr<TForm1> form_;
};

QUORVA_REPORTING_TEST_MAIN(TProgressTest)
#include "progress_test.moc"
