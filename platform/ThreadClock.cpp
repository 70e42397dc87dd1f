// SPDX-License-Identifier: GPL-3.0-or-later
#include "ThreadClock.h"

#include <QThread>
#include <QTimer>

void CThreadClock::sleep(int milliseconds)
{
    if (milliseconds > 0)
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}

void CThreadClock::after(int milliseconds, QObject *context, std::function<void()> then)
{
    QTimer::singleShot(milliseconds, context, std::move(then));
}
