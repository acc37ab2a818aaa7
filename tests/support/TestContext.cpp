#include "TestContext.h"

#include <QApplication>
#include <QDir>

namespace zorvtest {

TestContext::TestContext()
    : store(dir.filePath(QStringLiteral("config")))
    , registry(dir.filePath(QStringLiteral("registry/user")),
               dir.filePath(QStringLiteral("registry/machine")))
    , services{
          store, shared, clock, pump, prompter, shell, registry,
          // Nothing listens on port 1: a test that needs a site points the addresses at its own.
          AppConfig::forBases(QStringLiteral("http://127.0.0.1:1"),
                              QStringLiteral("http://127.0.0.1:1")),
          dir.filePath(QStringLiteral("bin/zorv")), QStringLiteral("Test System[64位]")}
{
    // The program's own folder is beside the executable, so a test's SaveList.dat stays in
    // the temporary folder.
    QDir().mkpath(dir.filePath(QStringLiteral("bin")));
}

TestContext::~TestContext()
{
    forms.unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QString TestContext::path(const QString& relative) const { return dir.filePath(relative); }

} // namespace zorvtest
