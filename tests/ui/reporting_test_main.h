#pragma once

#include <QtTest>

#include "ui/dialogs/reporting_application.h"

#include <vector>

// Runs a Qt Test object inside the program's own application class, so that
// failures escaping an event handler reach the failure report as they do in
// the program. Qt Test's crash handler stays off: it would take over signals
// the application ignores, such as SIGPIPE. Settings go to a folder of the
// run's own, so that no run answers a question an earlier one was asked.
#define QUORVA_REPORTING_TEST_MAIN(TestObject)                                                     \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        const QTemporaryDir settingsHome;                                                          \
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(settingsHome.path()));                        \
        quorva::TReportingApplication application(argc, argv);                                     \
        TestObject test;                                                                           \
        std::vector<char*> arguments(argv, argv + argc);                                           \
        arguments.push_back(const_cast<char*>("-nocrashhandler"));                                 \
        return QTest::qExec(&test, static_cast<int>(arguments.size()), arguments.data());          \
    }
