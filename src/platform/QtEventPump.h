#pragma once

#include "platform/EventPump.h"

class QtEventPump final : public EventPump {
public:
    void pump() override;
    void wait(int maxMilliseconds) override;
};
