// The two ways failures reach the user, and the title the report carries.

#include <QtTest>

#include <QAccessible>

#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <new>
#include <stdexcept>

#include "reporting_test_main.h"
#include "ui/base/application_title.h"
#include "ui/dialogs/error_dialog.h"
#include "ui/dialogs/error_dialog_layout.h"
#include "ui/dialogs/failure_report.h"

using namespace quorva;

Q_DECLARE_METATYPE(quorva::TErrorDialogMetrics)
Q_DECLARE_METATYPE(quorva::TErrorDialogLayout)

namespace {

class TFailingObject : public QObject {
public:
    int events = 0;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        ++events;
        throw std::runtime_error("Stream write error");
    }
};

} // namespace

class TErrorDisplayTest : public QObject {
    Q_OBJECT

private slots:
    void applicationTitle_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::newRow("upper case with extension") << "/opt/apps/PROG.EXE"
                                                   << "Prog";
        QTest::newRow("first dot cuts") << "/usr/bin/prog.old.exe"
                                        << "prog";
        QTest::newRow("no dot") << "/usr/local/bin/QUORVA"
                                << "Quorva";
        QTest::newRow("first letter keeps its case") << "/x/qUORVA"
                                                     << "quorva";
        QTest::newRow("dot in a folder name") << "/home/a.b/Tool"
                                              << "Tool";
        QTest::newRow("no folder") << "MyTool.bin"
                                   << "Mytool";
        QTest::newRow("hidden file") << "/bin/.quorva"
                                     << "";
    }

    void applicationTitle()
    {
        QFETCH(QString, path);
        QFETCH(QString, title);
        QCOMPARE(ApplicationTitle(path), title);
    }

    void fullStop_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("letter") << QByteArray("Range check error")
                                << QByteArray("Range check error.");
        QTest::newRow("full stop") << QByteArray("Done.") << QByteArray("Done.");
        QTest::newRow("trailing space") << QByteArray("Cannot create file \"/x\". ")
                                        << QByteArray("Cannot create file \"/x\". ");
        QTest::newRow("closing parenthesis") << QByteArray("(code 5)") << QByteArray("(code 5)");
        QTest::newRow("minus, code 45") << QByteArray("a-") << QByteArray("a-");
        QTest::newRow("slash, code 47") << QByteArray("a/") << QByteArray("a/.");
        QTest::newRow("digit") << QByteArray("code 5") << QByteArray("code 5.");
        QTest::newRow("control character") << QByteArray("line\n") << QByteArray("line\n");
        QTest::newRow("non-ASCII last byte")
            << QByteArray("caf\xc3\xa9") << QByteArray("caf\xc3\xa9.");
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }

    void fullStop()
    {
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, shown);
        QCOMPARE(QByteArray::fromStdString(FailureText(message.toStdString())), shown);
    }

    // Whatever ran out of memory, the user reads a sentence, not a type name.
    void memoryThatRanOutIsNamedPlainly()
    {
        const std::string shown = FailureMessage(std::bad_alloc());
        QVERIFY(shown.starts_with("Not enough memory"));
        QVERIFY(shown.find("alloc") == std::string::npos);
        QCOMPARE(FailureMessage(std::runtime_error("Range check error")),
                 std::string("Range check error"));
    }

    void reportShowsACriticalBoxWithTheTitle()
    {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        bool modal = false;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->standardButtons();
            modal = box->windowModality() == Qt::ApplicationModal &&
                    QAccessible::queryAccessibleInterface(box)->role() == QAccessible::AlertMessage;
            box->button(QMessageBox::Ok)->click();
        });

        ReportFailure("Range check error", QStringLiteral("Quorva"));

        QCOMPARE(title, QStringLiteral("Quorva"));
        QCOMPARE(text, QStringLiteral("Range check error."));
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(modal);
    }

    void applicationReportsFailuresEscapingHandlers()
    {
        auto& application = static_cast<TReportingApplication&>(*QCoreApplication::instance());
        std::vector<std::string> reported;
        application.SetFailureReport(
            [&](const std::string& message) { reported.push_back(message); });
        TFailingObject failing;
        QEvent event(QEvent::User);

        const bool handled = QCoreApplication::sendEvent(&failing, &event);
        QCoreApplication::sendEvent(&failing, &event);
        application.SetFailureReport(nullptr);

        QVERIFY(handled);
        QCOMPARE(failing.events, 2);
        QCOMPARE(reported, (std::vector<std::string>{"Stream write error", "Stream write error"}));
    }

    void dialogLayout_data()
    {
        QTest::addColumn<TErrorDialogMetrics>("metrics");
        QTest::addColumn<TErrorDialogLayout>("layout");
        // X = 6, Y = 13: margins 12 / 13, spacing 15 / 16, button 75 x 23.
        QTest::newRow("text wider than the button")
            << TErrorDialogMetrics{6, 13, QSize(100, 13), 12}
            << TErrorDialogLayout{QRect(12, 13, 32, 32), QRect(59, 13, 100, 13),
                                  QRect(48, 61, 75, 23), QSize(171, 97)};
        QTest::newRow("button wider than the text")
            << TErrorDialogMetrics{6, 13, QSize(10, 13), 12}
            << TErrorDialogLayout{QRect(12, 13, 32, 32), QRect(59, 13, 10, 13),
                                  QRect(12, 61, 75, 23), QSize(99, 97)};
        QTest::newRow("text taller than the icon")
            << TErrorDialogMetrics{6, 13, QSize(100, 52), 12}
            << TErrorDialogLayout{QRect(12, 13, 32, 32), QRect(59, 13, 100, 52),
                                  QRect(48, 81, 75, 23), QSize(171, 117)};
        QTest::newRow("caption wider than 50 units")
            << TErrorDialogMetrics{6, 13, QSize(10, 13), 90}
            << TErrorDialogLayout{QRect(12, 13, 32, 32), QRect(59, 13, 10, 13),
                                  QRect(12, 61, 98, 23), QSize(122, 97)};
        // X = 7, Y = 14: 8X/4 = 14, 10X/4 = 17.5 -> 18, 10Y/8 = 17.5 -> 18,
        // 50X/4 = 87.5 -> 88, 14Y/8 = 24.5 -> 25.
        QTest::newRow("products rounded to the nearest pixel")
            << TErrorDialogMetrics{7, 14, QSize(100, 14), 12}
            << TErrorDialogLayout{QRect(14, 14, 32, 32), QRect(64, 14, 100, 14),
                                  QRect(45, 64, 88, 25), QSize(178, 103)};
    }

    void dialogLayout()
    {
        QFETCH(TErrorDialogMetrics, metrics);
        QFETCH(TErrorDialogLayout, layout);
        const TErrorDialogLayout actual = LayOutErrorDialog(metrics);
        QCOMPARE(actual.icon, layout.icon);
        QCOMPARE(actual.text, layout.text);
        QCOMPARE(actual.button, layout.button);
        QCOMPARE(actual.client, layout.client);
    }

    void dialogShowsTheMessage()
    {
        const QString message = QStringLiteral("Не распознанный формат файла.");
        TErrorDialog dialog(message);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Error"));
        QCOMPARE(dialog.windowModality(), Qt::ApplicationModal);
        QCOMPARE(dialog.findChild<QLabel*>("message")->text(), message);
        const QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), qsizetype{1});
        QCOMPARE(buttons[0]->text(), QStringLiteral("OK"));
        QCOMPARE(dialog.findChild<QLabel*>("icon")->geometry().size(), QSize(32, 32));
        QCOMPARE(QAccessible::queryAccessibleInterface(&dialog)->role(), QAccessible::AlertMessage);
        QVERIFY(!dialog.isSizeGripEnabled());
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY(qAbs(dialog.geometry().center().x() - screen.center().x()) <= 1);
    }

    void longMessagesWrapAtHalfTheScreen()
    {
        const QString message = QStringLiteral("word ").repeated(400).trimmed();
        TErrorDialog dialog(message);
        const QRect text = dialog.findChild<QLabel*>("message")->geometry();
        const int halfScreen = QGuiApplication::primaryScreen()->geometry().width() / 2;
        QVERIFY(text.width() <= halfScreen);
        QVERIFY(text.width() > halfScreen / 2);
        QVERIFY(text.height() > 10 * dialog.fontMetrics().height());
    }

    void dialogClosesOn_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
        QTest::newRow("OK clicked") << 0;
    }

    void dialogClosesOn()
    {
        QFETCH(int, key);
        TErrorDialog dialog(QStringLiteral("Boom"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QSignalSpy finished(&dialog, &QDialog::finished);
        if (key == 0)
            QTest::mouseClick(dialog.findChild<QPushButton*>(), Qt::LeftButton);
        else
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &dialog,
                            Qt::Key(key));
        QCOMPARE(finished.size(), 1);
        QVERIFY(!dialog.isVisible());
    }

    void showErrorDialogWaitsForTheUser()
    {
        bool wasModal = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<TErrorDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            wasModal = true;
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        ShowErrorDialog(QStringLiteral("Boom"));
        QVERIFY(wasModal);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void copyText()
    {
        const QString rule = QString(27, u'-') + "\r\n";
        QCOMPARE(ErrorDialogCopyText("Error", "Boom", {"&OK", "&Cancel"}),
                 rule + "Error\r\n" + rule + "Boom\r\n" + rule + "OK   Cancel   \r\n" + rule);
    }

    void ctrlCCopiesTheDialogText()
    {
        QClipboard* clipboard = QGuiApplication::clipboard();
        const QString before = clipboard->text();
        const QString message = QStringLiteral("Не распознанный формат файла.");
        TErrorDialog dialog(message);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        QTest::keyClick(&dialog, Qt::Key_C, Qt::ControlModifier);
        const QString copied = clipboard->text();
        clipboard->setText(before);

        const QString rule = QString(27, u'-') + "\r\n";
        QCOMPARE(copied, rule + "Error\r\n" + rule + message + "\r\n" + rule + "OK   \r\n" + rule);
        QVERIFY(dialog.isVisible());
    }
};

QUORVA_REPORTING_TEST_MAIN(TErrorDisplayTest)
#include "error_display_test.moc"
