// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What the desktop shows outside the window: a passing notification, and the progress of a run
// on the program's taskbar or dock entry. Both are courtesies: where the desktop offers neither,
// nothing happens and nothing is reported. Production code gets CDBusDesktopNotifier; tests
// hand in a fake that records the calls.
class IDesktopNotifier
{
public:
    virtual ~IDesktopNotifier() = default;
    // A notification with a one-line summary and a body.
    virtual void notify(const QString &summary, const QString &body) = 0;
    // The share of the whole run done so far, 0.0 to 1.0, shown on the taskbar entry.
    virtual void showProgress(double fraction) = 0;
    // Takes the progress off the taskbar entry.
    virtual void clearProgress() = 0;
};
