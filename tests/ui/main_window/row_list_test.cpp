// The list of row lines on screen: the model over the core's line list, the
// view's selection in step with the list's, and selecting by typing.

#include <QtTest>

#include <QScrollBar>

#include <chrono>
#include <string>
#include <vector>

#include "model/rows/row_list_parser.h"
#include "ui/base/display_text.h"
#include "ui/main_window/line_list_model.h"
#include "ui/main_window/prefix_search.h"
#include "ui/main_window/row_list_view.h"

using namespace quorva;
using namespace std::chrono_literals;

namespace {

std::vector<std::string> NumberedLines(int count)
{
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back("line " + std::to_string(i));
    return lines;
}

// Every structural signal of a model, in order, as text.
class TModelRecorder : public QObject {
public:
    explicit TModelRecorder(QAbstractItemModel& model)
    {
        auto range = [this](const char* what) {
            return [this, what](const QModelIndex&, int first, int last) {
                log << QStringLiteral("%1 %2-%3").arg(what).arg(first).arg(last);
            };
        };
        connect(&model, &QAbstractItemModel::rowsInserted, this, range("inserted"));
        connect(&model, &QAbstractItemModel::rowsRemoved, this, range("removed"));
        connect(&model, &QAbstractItemModel::modelReset, this, [this] { log << "reset"; });
        connect(&model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& first, const QModelIndex& last) {
                    log << QStringLiteral("changed %1-%2").arg(first.row()).arg(last.row());
                });
    }
    QStringList log;
};

// A view over `count` numbered lines, shown at 200 by 100 pixels.
struct TShownView {
    TLineList lines;
    TLineListModel model{lines};
    TRowListView view{model, SteadyMilliseconds};

    explicit TShownView(int count)
    {
        lines.Assign(NumberedLines(count));
        view.resize(200, 100);
        view.show();
    }
    bool Exposed() { return QTest::qWaitForWindowExposed(&view); }
};

// The one row selected in the view; the current row exists only while the
// view has the focus.
int SelectedRow(const QListView& view)
{
    const QModelIndexList selected = view.selectionModel()->selectedIndexes();
    return selected.size() == 1 ? selected.first().row() : -1;
}

} // namespace

class TRowListTest : public QObject {
    Q_OBJECT

private slots:
    void displayText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ASCII") << QByteArray("01 02 03") << QStringLiteral("01 02 03");
        QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9") << QStringLiteral("caf\u00e9");
        QTest::newRow("Cyrillic UTF-8")
            << QByteArray("\xd0\x9d\xd0\xb5") << QStringLiteral("\u041d\u0435");
        QTest::newRow("Latin-1 byte") << QByteArray("caf\xe9") << QStringLiteral("caf\u00e9");
        QTest::newRow("cp1251 bytes") << QByteArray("\xcd\xe5") << QStringLiteral("\u00cd\u00e5");
        QTest::newRow("cut UTF-8 sequence") << QByteArray("a\xc3") << QStringLiteral("a\u00c3");
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << QStringLiteral("\u00c0\u00af");
        QTest::newRow("byte-order mark kept") << QByteArray("\xef\xbb\xbf"
                                                            "01")
                                              << QStringLiteral("\ufeff"
                                                                "01");
    }

    void displayText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QCOMPARE(DisplayText(std::string_view(bytes.constData(), size_t(bytes.size()))), shown);
    }

    void modelFollowsEachChangeFinely_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QStringList>("expectedSignals");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("add") << 0 << QStringList{"inserted 3-3"} << QStringList{"a", "b", "c", "d"};
        QTest::newRow("delete") << 1 << QStringList{"removed 1-1"} << QStringList{"a", "c"};
        QTest::newRow("replace") << 2 << QStringList{"changed 2-2"} << QStringList{"a", "b", "z"};
        QTest::newRow("clear") << 3 << QStringList{"reset"} << QStringList{};
        QTest::newRow("assign") << 4 << QStringList{"reset"} << QStringList{"x"};
        QTest::newRow("select") << 5 << QStringList{} << QStringList{"a", "b", "c"};
    }

    void modelFollowsEachChangeFinely()
    {
        QFETCH(int, operation);
        QFETCH(QStringList, expectedSignals);
        QFETCH(QStringList, shown);
        TLineList lines;
        lines.Assign({"a", "b", "c"});
        TLineListModel model(lines);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        TModelRecorder recorder(model);

        switch (operation) {
        case 0:
            lines.Add("d");
            break;
        case 1:
            lines.Delete(1);
            break;
        case 2:
            lines.Replace(2, "z");
            break;
        case 3:
            lines.Clear();
            break;
        case 4:
            lines.Assign({"x"});
            break;
        case 5:
            lines.Select(1);
            break;
        }

        QCOMPARE(recorder.log, expectedSignals);
        QStringList actual;
        for (int i = 0; i < model.rowCount(); ++i)
            actual << model.index(i).data().toString();
        QCOMPARE(actual, shown);
    }

    void modelLetsGoOfTheList()
    {
        TLineList lines;
        {
            TLineListModel model(lines);
        }
        lines.Add("still fine"); // would reach a destroyed observer otherwise
        QCOMPARE(lines.Count(), 1);
    }

    void selectionFollowsTheListAndScrollsIntoView()
    {
        TLineList lines;
        lines.Assign(NumberedLines(500));
        TLineListModel model(lines);
        TRowListView view(model, SteadyMilliseconds);
        view.resize(200, 100);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        lines.Select(400);
        QCOMPARE(view.currentIndex().row(), 400);
        QCOMPARE(view.selectionModel()->selectedIndexes().size(), qsizetype{1});
        QVERIFY(view.viewport()->rect().contains(view.visualRect(model.index(400))));

        lines.Select(TLineList::NoSelection);
        QVERIFY(view.selectionModel()->selectedIndexes().isEmpty());
        QVERIFY(!view.currentIndex().isValid());
    }

    void userSelectionReachesTheList()
    {
        TLineList lines;
        lines.Assign(NumberedLines(5));
        TLineListModel model(lines);
        TRowListView view(model, SteadyMilliseconds);
        view.resize(200, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                          view.visualRect(model.index(3)).center());
        QCOMPARE(lines.SelectedIndex(), 3);
        QTest::keyClick(&view, Qt::Key_Up);
        QCOMPARE(lines.SelectedIndex(), 2);
    }

    void listChangesKeepTheListsSelection()
    {
        TLineList lines;
        lines.Assign(NumberedLines(5));
        TLineListModel model(lines);
        TRowListView view(model, SteadyMilliseconds);
        lines.Select(2);

        lines.Delete(2); // the view moves its current row to a neighbour
        QCOMPARE(lines.SelectedIndex(), TLineList::NoSelection);
        QVERIFY(view.selectionModel()->selectedIndexes().isEmpty());
        lines.Select(3);
        lines.Delete(0);
        QCOMPARE(SelectedRow(view), lines.SelectedIndex());
        lines.Assign(NumberedLines(2));
        QCOMPARE(lines.SelectedIndex(), TLineList::NoSelection);
        QVERIFY(view.selectionModel()->selectedIndexes().isEmpty());
    }

    void aMillionLinesMakeNoWidgets()
    {
        TLineList lines;
        TLineListModel model(lines);
        TRowListView view(model, SteadyMilliseconds);
        view.resize(329, 193);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const qsizetype widgetsBefore = view.findChildren<QObject*>().size();

        lines.Assign(NumberedLines(1'000'000));
        lines.Select(999'999);
        QCoreApplication::processEvents();

        QCOMPARE(model.rowCount(), 1'000'000);
        QCOMPARE(view.findChildren<QObject*>().size(), widgetsBefore);
        QVERIFY(view.uniformItemSizes());
        QVERIFY(view.verticalScrollBar()->isVisible());
        QCOMPARE(view.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    }

    void scrollBarOnlyOnOverflow_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("scrollBar");
        QTest::newRow("empty") << 0 << false;
        QTest::newRow("fits") << 3 << false;
        QTest::newRow("overflows") << 50 << true;
    }

    void scrollBarOnlyOnOverflow()
    {
        QFETCH(int, count);
        QFETCH(bool, scrollBar);
        TShownView shown(count);
        QVERIFY(shown.Exposed());
        QCOMPARE(shown.view.verticalScrollBar()->isVisible(), scrollBar);
        QVERIFY(!shown.view.horizontalScrollBar()->isVisible());
    }

    // Keys move the selection over the lines and keep it in view; the
    // clicked line stays under the pointer.
    void keysMoveAndScroll_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("selected");
        QTest::newRow("End") << QList<int>{Qt::Key_End} << 99'999;
        QTest::newRow("End, Up") << QList<int>{Qt::Key_End, Qt::Key_Up} << 99'998;
        QTest::newRow("Down at the end") << QList<int>{Qt::Key_End, Qt::Key_Down} << 99'999;
        QTest::newRow("Home") << QList<int>{Qt::Key_End, Qt::Key_Home} << 0;
        QTest::newRow("Up at the top") << QList<int>{Qt::Key_Up} << 0;
        QTest::newRow("Down") << QList<int>{Qt::Key_Down, Qt::Key_Down} << 2;
        QTest::newRow("PageUp at the top") << QList<int>{Qt::Key_PageUp} << 0;
    }

    void keysMoveAndScroll()
    {
        QFETCH(QList<int>, keys);
        QFETCH(int, selected);
        TShownView shown(100'000);
        QVERIFY(shown.Exposed());
        TRowListView& view = shown.view;
        view.setFocus();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                          view.visualRect(shown.model.index(0)).center());
        QCOMPARE(shown.lines.SelectedIndex(), 0);

        for (int key : keys)
            QTest::keyClick(&view, static_cast<Qt::Key>(key));

        QCOMPARE(shown.lines.SelectedIndex(), selected);
        const QRect line = view.visualRect(shown.model.index(selected));
        QVERIFY(view.viewport()->rect().contains(line));
        QCOMPARE(view.indexAt(line.center()).row(), selected);
    }

    void pageDownMovesByAPage()
    {
        TShownView shown(1000);
        QVERIFY(shown.Exposed());
        shown.view.setFocus();
        shown.lines.Select(0);
        const int height = shown.view.visualRect(shown.model.index(0)).height();
        const int page = shown.view.viewport()->height() / height;

        QTest::keyClick(&shown.view, Qt::Key_PageDown);

        QCOMPARE(shown.lines.SelectedIndex(), page);
        QVERIFY(
            shown.view.viewport()->rect().contains(shown.view.visualRect(shown.model.index(page))));
    }

    void prefixSearch_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("keys");        // '\b' is Backspace
        QTest::addColumn<QList<int>>("gapsMs");   // before each key after the first
        QTest::addColumn<QList<int>>("selected"); // after each key; -2 keeps

        const QStringList lines = {"05 01 00 00 00 00 00", "12 02 00 00 00 00 00",
                                   "13 03 00 00 00 00 00", "1a x"};
        QTest::newRow("first match") << lines << "1" << QList<int>{} << QList<int>{1};
        QTest::newRow("extends within the pause")
            << lines << "13" << QList<int>{499} << QList<int>{1, 2};
        QTest::newRow("starts afresh after the pause")
            << lines << "10" << QList<int>{500} << QList<int>{1, 0};
        QTest::newRow("no match keeps the selection")
            << lines << "19" << QList<int>{10} << QList<int>{1, -2};
        QTest::newRow("case ignored") << lines << "1A" << QList<int>{10} << QList<int>{1, 3};
        QTest::newRow("backspace shortens")
            << lines << "13\b" << QList<int>{10, 10} << QList<int>{1, 2, 1};
        QTest::newRow("empty text selects the first line")
            << lines << "1\b" << QList<int>{10} << QList<int>{1, 0};
        QTest::newRow("backspace alone") << lines << "\b" << QList<int>{} << QList<int>{0};
        QTest::newRow("Enter is a character")
            << lines << "1\r" << QList<int>{10} << QList<int>{1, -2};
        QTest::newRow("empty list")
            << QStringList{} << "\b1" << QList<int>{10} << QList<int>{-2, -2};
    }

    void prefixSearch()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, keys);
        QFETCH(QList<int>, gapsMs);
        QFETCH(QList<int>, selected);

        // Lines that keep their text, and lines rendered from their rows.
        for (const bool rendering : {false, true}) {
            TRowTable rows;
            TLineList list = rendering ? TLineList(rows) : TLineList();
            for (const QString& line : lines) {
                rows.push_back(line[1].isDigit() ? LineToRow(line.toStdString()) : TNumberRow{});
                list.Add(line.toStdString());
            }
            auto now = 10'000ms;
            TPrefixSearch search([&now] { return now; });
            QList<int> actual;
            for (qsizetype i = 0; i < keys.size(); ++i) {
                if (i > 0)
                    now += std::chrono::milliseconds(gapsMs[i - 1]);
                actual << search.Type(keys[i], list).value_or(-2);
            }
            QCOMPARE(actual, selected);
        }
    }

    void typingInTheViewSelects()
    {
        TLineList lines;
        lines.Assign({"alpha", "beta", "Bravo", "charlie"});
        TLineListModel model(lines);
        auto now = 0ms;
        TRowListView view(model, [&now] { return now; });
        lines.Select(3);

        QTest::keyClicks(&view, "BR");
        QCOMPARE(lines.SelectedIndex(), 2);
        QCOMPARE(SelectedRow(view), 2);
        QTest::keyClick(&view, Qt::Key_Backspace);
        QCOMPARE(lines.SelectedIndex(), 1);
        now += 500ms;
        QTest::keyClick(&view, Qt::Key_Backspace);
        QCOMPARE(lines.SelectedIndex(), 0);
    }
};

QTEST_MAIN(TRowListTest)
#include "row_list_test.moc"
