// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DesktopNotifier.h"

#include <QDBusConnection>

// The desktop seam over the session bus: notifications through the freedesktop notification
// service, taskbar progress through the launcher-entry signal that KDE Plasma, Dash to Dock,
// Plank and the Unity launcher read. Messages are sent without waiting for an answer, so a
// missing service, or a missing session bus, costs nothing.
class CDBusDesktopNotifier : public IDesktopNotifier
{
public:
    static constexpr const char *LauncherEntryPath = "/com/canonical/unity/launcherentry/movarin";
    static constexpr int NotificationTimeoutMs = -1;   // the server's default

    // desktopId: the installed desktop entry's name without ".desktop", which the taskbar
    // matches against the launcher-entry signal.
    explicit CDBusDesktopNotifier(const QDBusConnection &bus = QDBusConnection::sessionBus(),
                                  const QString &iconName = QStringLiteral("movarin"),
                                  const QString &desktopId = QStringLiteral("movarin"));

    void notify(const QString &summary, const QString &body) override;
    void showProgress(double fraction) override;
    void clearProgress() override;

private:
    void sendLauncherUpdate(double fraction, bool visible);

    QDBusConnection m_bus;
    QString m_iconName;
    QString m_appUri;
    // The last value sent, so that a tick with no change sends nothing.
    double m_lastFraction = -1.0;
    bool m_progressShown = false;
};
