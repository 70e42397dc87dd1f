// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>
#include <optional>

class QLockFile;

// "Is a copy of the program already running on this desktop?"
// On X11 the X server is asked for any managed top-level window whose whole title equals the
// given one (a window of another program counts too). A lock file per desktop in the runtime
// folder stands in for the window where no X server answers (Wayland, offscreen); it is taken on
// X11 as well, for a copy still starting up or one running natively on Wayland beside XWayland.
class CSingleInstance
{
public:
    explicit CSingleInstance(const QString &title);
    ~CSingleInstance();

    // True when another instance holds the desktop. When it returns false, this object keeps
    // the lock until it is destroyed.
    bool anotherInstanceRunning();

    // The X11 lookup alone: true/false when an X server answered, nullopt when none did.
    static std::optional<bool> x11WindowTitled(const QString &title);

private:
    QString m_title;
    std::unique_ptr<QLockFile> m_lock;
};
