// How the window's file dialogs are set up and where they appear.

#include <QtTest>

#include "ui/base/dialog_placement.h"
#include "ui/dialogs/file_dialog.h"
#include "ui/dialogs/file_proposals.h"
#include "ui/dialogs/qt_user_dialogs.h"

using namespace quorva;

class TFileDialogTest : public QObject {
    Q_OBJECT

private slots:
    void position_data()
    {
        QTest::addColumn<QRect>("monitor");
        QTest::addColumn<QSize>("dialog");
        QTest::addColumn<QPoint>("position");
        QTest::newRow("centred, a third down")
            << QRect(0, 0, 1280, 1024) << QSize(600, 400) << QPoint(340, 208);
        QTest::newRow("second monitor")
            << QRect(1920, 0, 1920, 1080) << QSize(600, 400) << QPoint(2580, 226);
        QTest::newRow("odd remainders round down")
            << QRect(0, 0, 1001, 1001) << QSize(100, 100) << QPoint(450, 300);
        QTest::newRow("larger than the monitor")
            << QRect(0, 0, 800, 600) << QSize(1000, 900) << QPoint(-100, -100);
    }

    void position()
    {
        QFETCH(QRect, monitor);
        QFETCH(QSize, dialog);
        QFETCH(QPoint, position);
        QCOMPARE(FileDialogPosition(monitor, dialog), position);
    }

    // The dialogs as the window's Start, Save and Open really show them.
    void settings_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("save");
        QTest::addColumn<int>("kind");
        QTest::newRow("SaveDialog1") << "csv (*.csv)"
                                     << "csv" << true << int(TUserDialogs::TSaveFile::TriangleCsv);
        QTest::newRow("SaveDialog2") << "tir (*.tir)"
                                     << "tir" << true << int(TUserDialogs::TSaveFile::RowList);
        QTest::newRow("SpreadsheetDialog")
            << "xlsx (*.xlsx)"
            << "xlsx" << true << int(TUserDialogs::TSaveFile::Spreadsheet);
        QTest::newRow("OpenDialog1") << "tir (*.tir)"
                                     << "tir" << false << -1;
    }

    void settings()
    {
        QFETCH(QString, filter);
        QFETCH(QString, suffix);
        QFETCH(bool, save);
        QFETCH(int, kind);
        TQtUserDialogs dialogs(QStringLiteral("Quorva"));
        bool shown = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->reject();
            shown = true;
            QCOMPARE(dialog->objectName(), QString::fromLatin1(QTest::currentDataTag()));
            QCOMPARE(dialog->nameFilters(), QStringList{filter});
            QCOMPARE(dialog->defaultSuffix(), suffix);
            QCOMPARE(dialog->acceptMode(),
                     save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
            // A name that does not exist is accepted, so Open can report it.
            QCOMPARE(dialog->fileMode(), QFileDialog::AnyFile);
            QVERIFY(!dialog->testOption(QFileDialog::ReadOnly));
            QVERIFY(!save || !dialog->testOption(QFileDialog::DontConfirmOverwrite));
            QVERIFY(!dialog->windowTitle().contains(suffix));
        });
        QCOMPARE(kind < 0 ? dialogs.ChooseOpenFile()
                          : dialogs.ChooseSaveFile(TUserDialogs::TSaveFile(kind)),
                 std::nullopt);
        QVERIFY(shown);
    }

    void offersThePreviousPathAgain()
    {
        QTemporaryDir folder;
        const QString previous = folder.filePath("earlier.tir");
        TFileDialog chooser({"OpenDialog1", "tir (*.tir)", "tir", QFileDialog::AcceptOpen});
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->selectFile(previous);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QCOMPARE(chooser.Choose(nullptr), std::optional<QString>(previous));

        QFileDialog dialog;
        chooser.Configure(dialog);
        QCOMPARE(dialog.directory().absolutePath(), QDir(folder.path()).absolutePath());
        QCOMPARE(chooser.PreviousPath(), previous);

        // A proposal comes first.
        QTemporaryDir other;
        QFileDialog proposed;
        chooser.Configure(proposed, {other.path(), QStringLiteral("rows-column2.csv")});
        QCOMPARE(proposed.directory().absolutePath(), QDir(other.path()).absolutePath());
        QCOMPARE(proposed.selectedFiles(), QStringList{other.filePath("rows-column2.csv")});
    }

    // Where Save, Start and Open start, from the rows' file and the file
    // used last: "dialog|rows' file|last used|folder|name", "." for the
    // current folder.
    void proposals_data()
    {
        QTest::addColumn<QString>("row");
        QTest::newRow("Save, the rows' file") << "save|/tmp/r.tir|/x|/tmp|r.tir";
        QTest::newRow("Save, no file") << "save||/tmp/x.tir|/tmp|";
        QTest::newRow("Save, nothing known") << "save||||";
        QTest::newRow("Save, the folder gone") << "save|/no/such/r.tir|||r.tir";
        QTest::newRow("Start, the rows' file") << "start|/a.b.tir||/|a.b-column3.csv";
        QTest::newRow("Start, no file") << "start||/tmp/x.csv|/tmp|column3.csv";
        QTest::newRow("Start, no file, nothing exported") << "start||||column3.csv";
        QTest::newRow("Save image") << "image|/a.b.tir|/tmp/x.csv|/|a.b-column3.png";
        QTest::newRow("Save image, no file") << "image||/tmp/x.csv|/tmp|column3.png";
        QTest::newRow("Open") << "open||/tmp/x.tir|/tmp|";
        QTest::newRow("Open, the folder gone") << "open||/no/such/x.tir||";
        QTest::newRow("relative name") << "save|r.tir||.|r.tir";
    }

    void proposals()
    {
        QFETCH(QString, row);
        const QStringList field = row.split('|');
        const std::string rows = field[1].toStdString();
        const std::string last = field[2].toStdString();
        const TFileProposal proposal = field[0] == "save"    ? RowListProposal(rows, last)
                                       : field[0] == "start" ? TriangleCsvProposal(rows, 2, last)
                                       : field[0] == "image" ? ViewImageProposal(rows, 2, last)
                                                             : OpenProposal(last);
        const QString folder = field[3] == "." ? QDir::currentPath() : field[3];
        QCOMPARE(QString::fromStdString(proposal.folder), folder);
        QCOMPARE(QString::fromStdString(proposal.name), field[4]);
    }
};

QTEST_MAIN(TFileDialogTest)
#include "file_dialog_test.moc"
