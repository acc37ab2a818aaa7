#include "platform/ProcessSetup.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <unistd.h>

bool runningAsRoot() { return ::geteuid() == 0; }

void prepareWebEngineEnvironment()
{
    if (runningAsRoot() && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}
