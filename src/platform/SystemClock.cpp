#include "platform/SystemClock.h"

#include <QTime>

SystemClock::SystemClock() { m_timer.start(); }

double SystemClock::seconds() const { return static_cast<double>(m_timer.nsecsElapsed()) / 1e9; }

double SystemClock::timeOfDay() const
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}
