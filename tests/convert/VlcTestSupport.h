// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "LibVlcControl.h"

#include <QString>

// One libVLC instance for the whole test program, as the application shares one.
CLibVlcControlFactory &SharedVlcFactory();

// How one conversion went, as the driver would have seen it.
struct ConversionRun
{
    bool ended = false;        // both readings fell below zero before the safety limit
    bool sawProgress = false;  // time and position were both positive at some reading
    int lastTime = -1;         // the last positive time reading, in ms
};

// Reads the control until it falls idle, every few milliseconds. The limit only keeps a hang
// from blocking the run; a conversion that reaches it has failed.
ConversionRun WaitUntilIdle(CVLCControl &control, int limitSeconds = 120);
