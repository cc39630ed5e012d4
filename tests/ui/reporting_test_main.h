#pragma once

#include <QtTest>

#include "ui/reporting_application.h"

// Runs a Qt Test object inside the program's own application class, so that
// failures escaping an event handler reach the failure report as they do in
// the program.
#define QUORVA_REPORTING_TEST_MAIN(TestObject)                                                     \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        quorva::TReportingApplication application(argc, argv);                                     \
        TestObject test;                                                                           \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
