// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QLocalServer;
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

    // The copy that holds the desktop takes files from later copies ("Open with" while it
    // runs) through a local socket of this user and desktop. onFiles is called from the event
    // loop, after the sender has been told they arrived. False when it cannot listen.
    using FilesHandler = std::function<void(const QStringList &paths, const QStringList &skipped)>;
    bool listenForFiles(FilesHandler onFiles);

    // A later copy's side: hands the files to the copy that holds the desktop. True once that
    // copy has them; false when none answered within timeoutMs.
    bool handOverFiles(const QStringList &paths, const QStringList &skipped,
                       int timeoutMs = 5000) const;

private:
    QString m_title;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
