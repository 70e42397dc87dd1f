// SPDX-License-Identifier: GPL-3.0-or-later
#include "ThreadClock.h"

#include <QThread>

void CThreadClock::sleep(int milliseconds)
{
    if (milliseconds > 0)
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}
