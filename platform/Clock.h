// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <functional>

// Waits. Tests hand in a clock that only records them and goes on at once.
class IClock
{
public:
    virtual ~IClock() = default;
    // Blocks the calling thread; no events are dispatched meanwhile.
    virtual void sleep(int milliseconds) = 0;
    // Waits without blocking: then runs on context's thread after milliseconds, unless context
    // is gone by then.
    virtual void after(int milliseconds, QObject *context, std::function<void()> then) = 0;
};
