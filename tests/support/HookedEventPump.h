#pragma once

#include "platform/QtEventPump.h"

#include <functional>

namespace zorvtest {

// The real event pump with a hook that runs after every turn, for tests that act in the middle
// of a transfer while real network events drive it. A fake clock does not move on its own here.
class HookedEventPump final : public EventPump {
public:
    void pump() override
    {
        m_real.pump();
        after();
    }
    void wait(int maxMilliseconds) override
    {
        m_real.wait(maxMilliseconds);
        after();
    }
    std::function<void()> onPump;
    int pumps = 0;

private:
    void after()
    {
        ++pumps;
        if (onPump) {
            onPump();
        }
    }
    QtEventPump m_real;
};

} // namespace zorvtest
