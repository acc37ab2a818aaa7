#pragma once

#include "platform/ProcessSetup.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTest>

namespace zorvtest {

// Headless, sandboxed from the user's real folders, and (as root) without the browser
// engine's sandbox. Runs before the application object exists.
inline void prepareTestProcess()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QStandardPaths::setTestModeEnabled(true);
    prepareWebEngineEnvironment();
}

} // namespace zorvtest

// Like QTEST_MAIN, with the test process prepared first.
#define ZORV_TEST_MAIN(TestObject)                                                                 \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        zorvtest::prepareTestProcess();                                                            \
        QApplication app(argc, argv);                                                              \
        QApplication::setApplicationName(QStringLiteral("QelvoZORV-test"));                        \
        QApplication::setQuitOnLastWindowClosed(false);                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        TestObject tc;                                                                             \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
