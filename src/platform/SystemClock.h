#pragma once

#include "platform/Clock.h"

#include <QElapsedTimer>

class SystemClock final : public Clock {
public:
    SystemClock();
    double seconds() const override;
    double timeOfDay() const override;

private:
    QElapsedTimer m_timer;
};
