// SPDX-License-Identifier: GPL-3.0-or-later
#include "VlcTestSupport.h"

#include <chrono>
#include <thread>

CLibVlcControlFactory &SharedVlcFactory()
{
    static CLibVlcControlFactory factory;
    return factory;
}

ConversionRun WaitUntilIdle(CVLCControl &control, int limitSeconds)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(limitSeconds);
    ConversionRun run;
    while (Clock::now() < deadline) {
        const int time = control.GetTime();
        const float position = control.GetPosition();
        if (time > 0 && position > 0) {
            run.sawProgress = true;
            run.lastTime = time;
        }
        if (time < 0 && !(position >= 0)) {
            run.ended = true;
            return run;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return run;
}
