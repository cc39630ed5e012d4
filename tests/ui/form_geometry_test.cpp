// The window's frame, layout and keyboard order at 96 pixels per inch, where
// the designed font has a text height of 13 and nothing is scaled.

#include <QtTest>

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <memory>

#include "form_fixture.h"
#include "reporting_test_main.h"
#include "ui/Unit1.h"
#include "ui/form_controls.h"
#include "ui/main_window/form_layout.h"

using quorva::TForm1;

class TFormGeometryTest : public QObject {
    Q_OBJECT

private slots:
    void init() { fixture_.Start(); }
    void cleanup() { fixture_.Stop(); }

    void designedFontIsAtHand()
    {
        QCOMPARE(form_->screen()->logicalDotsPerInchY(), 96.0);
        QCOMPARE(form_->font().pixelSize(), 11);
        QCOMPARE(form_->fontMetrics().height(), 13);
    }

    // On another density the font grows first, and then the layout grows with
    // the font's text height.
    void scalingRule_data()
    {
        QTest::addColumn<qreal>("dpi");
        QTest::addColumn<int>("fontPixels");
        QTest::addColumn<int>("textHeight");
        QTest::addColumn<QRect>("list");
        QTest::newRow("designed") << 96.0 << 11 << 13 << QRect(8, 32, 329, 193);
        QTest::newRow("150 percent") << 144.0 << 17 << 20 << QRect(12, 49, 506, 297);
        QTest::newRow("double") << 192.0 << 22 << 26 << QRect(16, 64, 658, 386);
        QTest::newRow("smaller font at 96 dpi") << 96.0 << 11 << 12 << QRect(7, 30, 304, 178);
    }

    void scalingRule()
    {
        QFETCH(qreal, dpi);
        QFETCH(int, fontPixels);
        QFETCH(int, textHeight);
        QFETCH(QRect, list);
        QCOMPARE(quorva::WindowFont(dpi).pixelSize(), fontPixels);
        QCOMPARE(quorva::TLayoutScale(textHeight)(QRect(8, 32, 329, 193)), list);
    }

    void windowFrame()
    {
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        QCOMPARE(form_->windowTitle(), QStringLiteral("Quorva"));
        QCOMPARE(form_->size(), QSize(423, 282));
        QCOMPARE(form_->minimumSize(), QSize(423, 282));
        QCOMPARE(form_->maximumSize(), QSize(423, 282));
        // At the designed place where it fits on the screen (the offscreen
        // test screen is 800 by 600, where it does not), else inside it.
        const QRect available = form_->screen()->availableGeometry();
        if (available.contains(QRect(QPoint(483, 308), form_->size())))
            QCOMPARE(form_->pos(), QPoint(483, 308));
        else
            QVERIFY(available.contains(form_->frameGeometry()));

        const Qt::WindowFlags flags = form_->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(form_->windowIcon().isNull());
    }

    // Every control stands where the window's table puts it, at 96 dpi
    // unscaled, directly on the window.
    void controlGeometry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        // A spin field covers its edit field and the 16 pixels of its arrows.
        for (int i = 0; i < 7; ++i)
            QTest::addRow("ed1%d", i)
                << QStringLiteral("ed1%1").arg(i) << QRect(8 + 48 * i, 8, 41, 21);
        QTest::newRow("Button2") << "Button2" << QRect(344, 8, 75, 25);
        QTest::newRow("Button3") << "Button3" << QRect(344, 40, 75, 25);
        QTest::newRow("ListBox1") << "ListBox1" << QRect(8, 32, 329, 193);
        QTest::newRow("Button1") << "Button1" << QRect(344, 249, 75, 25);
        QTest::newRow("rgColumsNo") << "rgColumsNo" << QRect(8, 224, 329, 49);
        QTest::newRow("btnOpen") << "btnOpen" << QRect(344, 160, 75, 25);
        QTest::newRow("btnSave") << "btnSave" << QRect(344, 192, 75, 25);
        QTest::newRow("btnUp") << "btnUp" << QRect(344, 72, 75, 25);
        QTest::newRow("btnDown") << "btnDown" << QRect(344, 104, 75, 25);
    }

    void controlGeometry()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        const QWidget* control = form_->findChild<QWidget*>(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(control->parentWidget(), form_.get());
        QCOMPARE(control->geometry(), geometry);
    }

    // The table's layout itself: within the window, and no two controls
    // overlapping but the list and the group, which share their border line.
    void tableFitsTheWindow()
    {
        const auto controls = quorva::FormControls();
        QCOMPARE(controls.size(), std::size_t{16});
        for (const quorva::TControlDesign& control : controls) {
            QVERIFY2(form_->rect().contains(control.designed), control.name);
            for (const quorva::TControlDesign& other : controls) {
                if (&other == &control || QByteArray(control.name) == "ListBox1" ||
                    QByteArray(other.name) == "ListBox1")
                    continue;
                QVERIFY2(!control.designed.intersects(other.designed), control.name);
            }
        }
    }

    void columnButtonGeometry_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QRect>("geometry");
        // (329 - 10) div 7 = 45 wide; top 13 + 1; height 49 - 13 - 5.
        for (int i = 0; i < 7; ++i)
            QTest::addRow("button %d", i + 1) << i << QRect(8 + 45 * i, 14, 45, 31);
    }

    void columnButtonGeometry()
    {
        QFETCH(int, index);
        QFETCH(QRect, geometry);
        const QRadioButton* button = ColumnButton(index);
        QCOMPARE(button->text(), QString::number(index + 1));
        QCOMPARE(button->geometry(), geometry);
    }

    void captionsAndStartValues_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        for (const auto& [name, caption] : {std::pair{"Button2", "Add"},
                                            {"Button3", "Delete"},
                                            {"Button1", "Start"},
                                            {"btnOpen", "Open"},
                                            {"btnSave", "Save"},
                                            {"btnUp", "Moove Up"},
                                            {"btnDown", "Moove Down"}})
            QTest::newRow(caption) << QString(name) << QString(caption);
    }

    void captionsAndStartValues()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        const auto* button = form_->findChild<QPushButton*>(name);
        QVERIFY(button);
        QCOMPARE(button->text(), caption);
        QVERIFY(!button->autoDefault());
        QVERIFY(!button->isDefault());
    }

    void spinFieldsStartAtOneToSeven()
    {
        for (int i = 0; i < 7; ++i) {
            const auto* field = form_->findChild<QSpinBox*>(QStringLiteral("ed1%1").arg(i));
            QVERIFY(field);
            QCOMPARE(field->value(), i + 1);
            QCOMPARE(field->minimum(), 0);
            QCOMPARE(field->maximum(), 99);
            QVERIFY(!field->wrapping());
        }
        QCOMPARE(form_->findChild<QGroupBox*>("rgColumsNo")->title(), QStringLiteral("Colums No"));
        QVERIFY(ColumnButton(0)->isChecked());
    }

    void everyControlHasAnAccessibleName()
    {
        const QList<QWidget*> controls = form_->findChildren<QWidget*>();
        for (const QWidget* control : controls) {
            if (control->focusPolicy() == Qt::NoFocus && !qobject_cast<const QGroupBox*>(control))
                continue; // parts of controls, such as viewports and scroll bars
            if (control->parentWidget() != form_.get() &&
                !qobject_cast<const QRadioButton*>(control))
                continue;
            QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
        }
    }

    void tabOrder_data()
    {
        QTest::addColumn<int>("chosenColumn");
        QTest::newRow("column 1 chosen") << 0;
        QTest::newRow("column 5 chosen") << 4;
    }

    void tabOrder()
    {
        QFETCH(int, chosenColumn);
        ColumnButton(chosenColumn)->setChecked(true);
        ShowActive();
        QCOMPARE(FocusName(), QStringLiteral("ed10"));

        // The designed order, the group standing for its chosen button, and
        // round to the first field again.
        const QStringList expected = QStringLiteral("ed11 ed12 ed13 ed14 ed15 ed16 Button2 Button3 "
                                                    "ListBox1 Button1 column_%1 btnOpen btnSave "
                                                    "btnUp btnDown ed10")
                                         .arg(chosenColumn + 1)
                                         .split(' ')
                                         .replaceInStrings("_", " ");
        QStringList visited;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << FocusName();
        }
        QCOMPARE(visited, expected);
    }

    void enterAndEscapePressNothing_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::newRow("Enter") << Qt::Key_Return;
        QTest::newRow("keypad Enter") << Qt::Key_Enter;
        QTest::newRow("Esc") << Qt::Key_Escape;
    }

    void enterAndEscapePressNothing()
    {
        QFETCH(Qt::Key, key);
        ShowActive();
        for (const char* name : {"ed10", "Button2", "ListBox1"}) {
            auto* control = form_->findChild<QWidget*>(name);
            control->setFocus();
            QTest::keyClick(control, key);
        }
        QVERIFY(form_->isVisible());
        QCOMPARE(form_->Lines().Count(), 0);
        QCOMPARE(dialogs_->saveQuestions.size(), size_t{0});
        QCOMPARE(dialogs_->openQuestions, 0);
    }

private:
    void ShowActive()
    {
        form_->show();
        QApplication::setActiveWindow(form_.get());
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    }

    QRadioButton* ColumnButton(int index) const
    {
        const auto buttons =
            form_->findChild<QGroupBox*>("rgColumsNo")->findChildren<QRadioButton*>();
        for (QRadioButton* button : buttons) {
            if (button->text() == QString::number(index + 1))
                return button;
        }
        return nullptr;
    }

    static QString FocusName()
    {
        const QWidget* focus = QApplication::focusWidget();
        if (!focus)
            return QStringLiteral("(none)");
        if (const auto* radio = qobject_cast<const QRadioButton*>(focus))
            return QStringLiteral("column ") + radio->text();
        return focus->objectName();
    }

    TFormFixture fixture_;
    std::unique_ptr<TFakeUserDialogs>& dialogs_ = fixture_.dialogs;
    std::unique_ptr<TForm1>& form_ = fixture_.form;
};

QUORVA_REPORTING_TEST_MAIN(TFormGeometryTest)
#include "form_geometry_test.moc"
