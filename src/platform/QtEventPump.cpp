#include "platform/QtEventPump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>

void QtEventPump::pump()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventPump::wait(int maxMilliseconds)
{
    // A one-shot timer bounds the blocking wait; any event (socket data, a timer, input)
    // wakes the dispatcher earlier.
    auto* dispatcher = QThread::currentThread()->eventDispatcher();
    if (!dispatcher) {
        return;
    }
    QTimer bound;
    bound.setSingleShot(true);
    bound.start(qMax(0, maxMilliseconds));
    QCoreApplication::sendPostedEvents();
    dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}
