// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Clock.h"

// The clock seam over QThread::msleep: the calling thread blocks and dispatches nothing.
class CThreadClock : public IClock
{
public:
    void sleep(int milliseconds) override;
    void after(int milliseconds, QObject *context, std::function<void()> then) override;
};
