// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Blocking waits that dispatch no events. Tests hand in a clock that only records them.
class IClock
{
public:
    virtual ~IClock() = default;
    virtual void sleep(int milliseconds) = 0;
};
