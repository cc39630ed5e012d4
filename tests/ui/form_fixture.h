#pragma once

#include <QtTest>

#include <QListView>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>

#include <memory>

#include "fake_user_dialogs.h"
#include "ui/Unit1.h"
#include "ui/dialogs/reporting_application.h"

// The window shown with its dialogs answered in advance, and a fresh folder,
// for one test function; failures that escape reach the fake report.
class TFormFixture {
public:
    void Start()
    {
        folder = std::make_unique<QTemporaryDir>();
        QVERIFY(folder->isValid());
        dialogs = std::make_unique<TFakeUserDialogs>();
        // What an earlier test left, such as recent files, is not offered.
        QSettings().clear();
        form = std::make_unique<quorva::TForm1>(*dialogs);
        App()->SetFailureReport(
            [this](const std::string& message) { dialogs->ReportFailure(message); });
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    void Stop()
    {
        App()->SetFailureReport(nullptr);
        QVERIFY(!dialogs->askedWithoutAnswer);
        QVERIFY(!QGuiApplication::overrideCursor());
        form.reset();
        dialogs.reset();
        folder.reset();
    }

    static quorva::TReportingApplication* App()
    {
        return static_cast<quorva::TReportingApplication*>(QCoreApplication::instance());
    }

    template <typename TWidget> TWidget* Find(const char* name) const
    {
        auto* widget = form->findChild<TWidget*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

    QListView* List() const { return Find<QListView>("ListBox1"); }
    QSpinBox* Spin(int i) const
    {
        return Find<QSpinBox>(QStringLiteral("ed1%1").arg(i).toLatin1().constData());
    }
    void Click(const char* button) const { Find<QPushButton>(button)->click(); }
    QString Path(const char* name) const { return folder->filePath(QString::fromLatin1(name)); }

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<TFakeUserDialogs> dialogs;
    std::unique_ptr<quorva::TForm1> form;
};
