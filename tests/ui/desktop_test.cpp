// The window as a desktop program: rows pasted and copied through the
// clipboard, files dropped on it, the selection that no gesture clears, the
// plain-text failure report, its placement and what assistive technology
// learns about it.

#include <QtTest>

#include <QAccessible>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QSettings>
#include <QStandardPaths>

#include "form_fixture.h"
#include "model/rows/row_line.h"
#include "reporting_test_main.h"
#include "support/temp_dir.h"
#include "ui/base/application_identity.h"
#include "ui/base/dialog_placement.h"
#include "ui/dialogs/failure_report.h"
#include "ui/main_window/dropped_file.h"

using quorva::TNumberRow;

namespace {

void SetClipboard(const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
}

QString RepeatedLines(const QString& line, int count)
{
    QString text;
    text.reserve(static_cast<qsizetype>((line.size() + 1) * count));
    for (int i = 0; i < count; ++i)
        text += line + u'\n';
    return text;
}

QAccessibleInterface* Accessible(QObject* object)
{
    return QAccessible::queryAccessibleInterface(object);
}

} // namespace

class TDesktopTest : public QObject {
    Q_OBJECT

private slots:
    void init() { fixture_.Start(); }
    void cleanup() { fixture_.Stop(); }

    void paste_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QStringList>("linesAfter");
        QTest::addColumn<QString>("report");

        const QString existing = QStringLiteral("01 02 03 04 05 06 07");
        const auto bad = [](int line, const char* shown) {
            return QStringLiteral("Line %1 is not a row of seven whole numbers from 0 to 99:\n"
                                  "\"%2\"\nNothing was added.")
                .arg(line)
                .arg(QString::fromUtf8(shown));
        };
        QTest::newRow("spreadsheet cells")
            << "5\t6\t7\t8\t9\t10\t99\r\n0\t0\t0\t0\t0\t0\t0\r\n"
            << "ListBox1" << QStringList{existing, "05 06 07 08 09 10 99", "00 00 00 00 00 00 00"}
            << "";
        QTest::newRow("text file, mixed separators")
            << "1, 2, 3; 4 5\t6 7\n\n"
            << "ListBox1" << QStringList{existing, existing} << "";
        QTest::newRow("row into a spin field") << "1 2 3 4 5 6 7"
                                               << "ed13" << QStringList{existing, existing} << "";
        QTest::newRow("above 99") << "1 2 3 4 5 6 7\n1 2 3 4 5 6 100"
                                  << "ListBox1" << QStringList{existing}
                                  << bad(2, "1 2 3 4 5 6 100");
        QTest::newRow("too few") << "1 2 3"
                                 << "ListBox1" << QStringList{existing} << bad(1, "1 2 3");
        QTest::newRow("not a number")
            << "\n1 2 3 4 5 6 x"
            << "ListBox1" << QStringList{existing} << bad(2, "1 2 3 4 5 6 x");
        QTest::newRow("tabbed bad line")
            << "1\t2\t3\t4\t5\t6\t7\n1\t2\t3"
            << "ed10" << QStringList{existing} << bad(2, "1\u21e52\u21e53");
        QTest::newRow("empty cell") << "1\t\t3\t4\t5\t6\t7\t8"
                                    << "ListBox1" << QStringList{existing}
                                    << bad(1, "1\u21e5\u21e53\u21e54\u21e55\u21e56\u21e57\u21e58");
        QTest::newRow("empty clipboard") << ""
                                         << "ListBox1" << QStringList{existing} << "";
    }

    // Ctrl+V with the focus in the list, or in a spin field when the
    // clipboard holds a whole row, appends the rows, or reports the first bad
    // line and adds nothing.
    void paste()
    {
        QFETCH(QString, clipboard);
        QFETCH(QString, focus);
        QFETCH(QStringList, linesAfter);
        QFETCH(QString, report);
        fixture_.Click("Button2");
        SetClipboard(clipboard);
        auto* target = fixture_.Find<QWidget>(focus.toLatin1().constData());
        target->setFocus();

        QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);

        QStringList shown;
        for (int i = 0; i < fixture_.form->Lines().Count(); ++i)
            shown << QString::fromStdString(std::string(fixture_.form->Lines().Line(i)));
        QCOMPARE(shown, linesAfter);
        QCOMPARE(fixture_.form->Rows().size(), static_cast<std::size_t>(linesAfter.size()));
        QCOMPARE(fixture_.form->Lines().SelectedIndex(), static_cast<int>(linesAfter.size()) - 1);
        QStringList reports;
        for (const std::string& message : fixture_.dialogs->reportedFailures)
            reports << QString::fromStdString(message);
        QCOMPARE(reports, report.isEmpty() ? QStringList{} : QStringList{report});
    }

    void pasteFromAButton()
    {
        auto* add = fixture_.Find<QPushButton>("Button2");
        add->setFocus();
        SetClipboard(QStringLiteral("1 2 3 4 5 6 7"));
        QTest::keyClick(add, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(fixture_.form->Lines().Count(), 1);
    }

    void pasteInASpinFieldIsTheFieldsOwn()
    {
        auto* field = fixture_.Spin(0);
        field->setFocus();
        field->selectAll();
        SetClipboard(QStringLiteral("42"));
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(fixture_.form->Lines().Count(), 0);
        QCOMPARE(field->text(), QStringLiteral("42"));
    }

    void largePaste()
    {
        constexpr int Count = 100'000;
        SetClipboard(RepeatedLines(QStringLiteral("99\t0\t1\t2\t3\t4\t5"), Count));
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(fixture_.List(), Qt::Key_V, Qt::ControlModifier);
        qInfo("pasting %d lines took %lld ms", Count, timer.elapsed());

        QCOMPARE(fixture_.form->Lines().Count(), Count);
        QCOMPARE(fixture_.form->Lines().Line(Count - 1), std::string_view("99 00 01 02 03 04 05"));
        QCOMPARE(fixture_.form->Lines().SelectedIndex(), Count - 1);
        QVERIFY(fixture_.List()->viewport()->rect().contains(
            fixture_.List()->visualRect(fixture_.List()->model()->index(Count - 1, 0))));
    }

    void copyTakesTheSelectedLine()
    {
        fixture_.Click("Button2");
        fixture_.Spin(0)->setValue(42);
        fixture_.Click("Button2");
        QTest::keyClick(fixture_.List(), Qt::Key_Up);
        SetClipboard(QStringLiteral("untouched"));

        QTest::keyClick(fixture_.List(), Qt::Key_C, Qt::ControlModifier);

        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("01 02 03 04 05 06 07"));
        QCOMPARE(fixture_.form->Lines().SelectedIndex(), 0);
    }

    // Every command of the list is found in its menu, with its keys and
    // without a mnemonic.
    void listMenuShowsTheCommandsAndTheirKeys()
    {
        QStringList entries;
        QTimer::singleShot(0, this, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (const QAction* action : menu->actions())
                entries << action->text() + u'|' + action->shortcut().toString();
            menu->close();
        });
        emit fixture_.List()->customContextMenuRequested(QPoint(10, 10));
        QCOMPARE(entries, (QStringList{"Undo|Ctrl+Z", "Redo|Ctrl+Shift+Z", "|", "Copy|Ctrl+C",
                                       "Paste|Ctrl+V", "Delete|Del", "|", "Add|Ctrl+Return",
                                       "Moove Up|Alt+Up", "Moove Down|Alt+Down", "|", "New|Ctrl+N",
                                       "Open|Ctrl+O", "Open Recent|", "Save|Ctrl+S",
                                       "Export to spreadsheet\u2026|Ctrl+E", "Quit|Ctrl+Q", "|",
                                       "Show triangle of column 1|Ctrl+T"}));
    }

    void ctrlGesturesKeepTheSelection()
    {
        fixture_.Click("Button2");
        fixture_.Click("Button2");
        QListView* list = fixture_.List();
        const QPoint second = list->visualRect(list->model()->index(1, 0)).center();

        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, second);
        QCOMPARE(fixture_.form->Lines().SelectedIndex(), 1);
        QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
        QCOMPARE(fixture_.form->Lines().SelectedIndex(), 1);
        QCOMPARE(list->selectionModel()->selectedIndexes().size(), qsizetype{1});

        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          list->visualRect(list->model()->index(0, 0)).center());
        QCOMPARE(fixture_.form->Lines().SelectedIndex(), 0);
    }

    void reportShowsMarkupAsText()
    {
        QString shown;
        Qt::TextFormat format = Qt::AutoText;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            format = box->textFormat();
            shown = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->text();
            box->button(QMessageBox::Ok)->click();
        });

        quorva::ReportFailure("Cannot create file /tmp/<b>bold</b>.csv", QStringLiteral("Quorva"));

        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(shown, QStringLiteral("Cannot create file /tmp/<b>bold</b>.csv."));
    }

    void droppedFile_data()
    {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<QString>("taken");
        const QUrl rows = QUrl::fromLocalFile(QStringLiteral("/data/rows.tir"));
        QTest::newRow("one row list") << QList<QUrl>{rows} << "/data/rows.tir";
        QTest::newRow("upper-case extension")
            << QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/d/R.TIR"))} << "/d/R.TIR";
        QTest::newRow("two files") << QList<QUrl>{rows, rows} << "";
        QTest::newRow("other extension")
            << QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/d/rows.csv"))} << "";
        QTest::newRow("remote") << QList<QUrl>{QUrl(QStringLiteral("https://h/rows.tir"))} << "";
        QTest::newRow("no files") << QList<QUrl>{} << "";
    }

    void droppedFile()
    {
        QFETCH(QList<QUrl>, urls);
        QFETCH(QString, taken);
        QMimeData data;
        data.setUrls(urls);
        const auto fileName = quorva::DroppedRowListFile(data);
        QCOMPARE(QString::fromStdString(fileName.value_or("")), taken);
    }

    void dropOpensTheFile()
    {
        const QString path = fixture_.Path("dropped.tir");
        quorva::test::WriteBytes(path.toStdString(), "05 06 07 08 09 10 11\r\n");
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        const QPoint centre = fixture_.form->rect().center();

        QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(fixture_.form.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(fixture_.form.get(), &drop);
        QTRY_COMPARE(fixture_.form->Lines().Count(), 1);
        QCOMPARE(fixture_.form->Rows().at(0), (TNumberRow{5, 6, 7, 8, 9, 10, 11}));
    }

    void openRowListReportsAsOpenDoes()
    {
        fixture_.Click("Button2");
        fixture_.form->OpenRowList(fixture_.Path("missing.tir").toStdString());
        QCOMPARE(fixture_.dialogs->shownErrors.size(), std::size_t{1});
        QCOMPARE(fixture_.form->Lines().Count(), 1);
    }

    void isAMainWindow()
    {
        QCOMPARE(fixture_.form->windowType(), Qt::Window);
        QAccessibleInterface* window = Accessible(fixture_.form.get());
        QCOMPARE(window->role(), QAccessible::Window);
        QCOMPARE(window->text(QAccessible::Name), QStringLiteral("Quorva"));
    }

    // Settings live in ~/.config/quorva/, taking over once what an earlier
    // version kept, unless that is a link; the icon is built in.
    void identityOnTheDesktop_data()
    {
        QTest::addColumn<bool>("linked");
        QTest::newRow("earlier settings taken over") << false;
        QTest::newRow("a planted link left alone") << true;
    }

    void identityOnTheDesktop()
    {
        QFETCH(bool, linked);
        const QString config =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QDir(config).mkpath("Unknown Organization");
        const QString earlier = config + "/Unknown Organization/quorva.conf";
        const QString written = fixture_.Path(linked ? "elsewhere.conf" : "");
        QFile::remove(earlier);
        quorva::test::WriteBytes((linked ? written : earlier).toStdString(), "[General]\nx=1\n");
        QVERIFY(!linked || QFile::link(written, earlier));
        QFile::remove(config + "/quorva/quorva.conf");

        quorva::SetUpApplicationIdentity();

        QCOMPARE(QSettings().fileName(), config + "/quorva/quorva.conf");
        QCOMPARE(QSettings().value("x").toInt(), linked ? 0 : 1);
        // The icon from the smallest size a desktop asks for to the largest,
        // with or without Qt's SVG plugin.
        const QList<QSize> sizes = QGuiApplication::windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(256, 256)));
        QFile::remove(earlier);
    }

    void onlyTheFocusedWidgetReportsFocus()
    {
        fixture_.Click("Button2");
        fixture_.Spin(0)->setFocus();
        QAccessibleInterface* list = Accessible(fixture_.List());
        auto focusedLines = [list] {
            int focused = 0;
            for (int i = 0; i < list->childCount(); ++i)
                focused += list->child(i)->state().focused ? 1 : 0;
            return focused;
        };
        QCOMPARE(focusedLines(), 0);

        fixture_.List()->setFocus();
        QCOMPARE(focusedLines(), 1);
        QVERIFY(fixture_.List()->selectionModel()->isSelected(fixture_.List()->currentIndex()));

        fixture_.Spin(1)->setFocus();
        QCOMPARE(focusedLines(), 0);
        QCOMPARE(fixture_.form->Lines().SelectedIndex(), 0);
    }

    void placement_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("position");
        const QSize screen(1024, 768);
        QTest::newRow("fits") << QRect(QPoint(0, 0), screen) << QPoint(483, 308);
        QTest::newRow("800 by 600") << QRect(0, 0, 800, 600) << QPoint(377, 308);
        QTest::newRow("short") << QRect(0, 0, 1024, 500) << QPoint(483, 218);
        QTest::newRow("panel on the left") << QRect(600, 0, 1000, 768) << QPoint(600, 308);
        QTest::newRow("smaller than the window") << QRect(10, 20, 300, 200) << QPoint(10, 20);
    }

    void placement()
    {
        QFETCH(QRect, available);
        QFETCH(QPoint, position);
        QCOMPARE(quorva::PositionWithin(available, QSize(423, 282), QPoint(483, 308)), position);
    }

private:
    TFormFixture fixture_;
};

QUORVA_REPORTING_TEST_MAIN(TDesktopTest)
#include "desktop_test.moc"
