// SPDX-License-Identifier: GPL-3.0-or-later
#include "DBusDesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QStringList>
#include <QVariantMap>

CDBusDesktopNotifier::CDBusDesktopNotifier(const QDBusConnection &bus, const QString &iconName,
                                           const QString &desktopId)
    : m_bus(bus)
    , m_iconName(iconName)
    , m_appUri(QStringLiteral("application://") + desktopId + QStringLiteral(".desktop"))
{
}

void CDBusDesktopNotifier::notify(const QString &summary, const QString &body)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call
        = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                         QStringLiteral("/org/freedesktop/Notifications"),
                                         QStringLiteral("org.freedesktop.Notifications"),
                                         QStringLiteral("Notify"));
    QVariantMap hints;
    // Lets the server find the program's name and icon from its desktop entry.
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("movarin"));
    call << QStringLiteral("Movarin") << quint32(0) << m_iconName << summary << body
         << QStringList() << hints << qint32(NotificationTimeoutMs);
    // The answer (the notification's id, or an error where no server runs) is of no use here;
    // a server that the bus starts on demand is started.
    m_bus.send(call);
}

void CDBusDesktopNotifier::showProgress(double fraction)
{
    fraction = qBound(0.0, fraction, 1.0);
    if (m_progressShown && qAbs(fraction - m_lastFraction) < 0.001)
        return;
    sendLauncherUpdate(fraction, true);
    m_lastFraction = fraction;
    m_progressShown = true;
}

void CDBusDesktopNotifier::clearProgress()
{
    if (!m_progressShown)
        return;
    sendLauncherUpdate(0.0, false);
    m_progressShown = false;
    m_lastFraction = -1.0;
}

void CDBusDesktopNotifier::sendLauncherUpdate(double fraction, bool visible)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage update = QDBusMessage::createSignal(QString::fromLatin1(LauncherEntryPath),
                                                     QStringLiteral(
                                                         "com.canonical.Unity.LauncherEntry"),
                                                     QStringLiteral("Update"));
    QVariantMap properties;
    properties.insert(QStringLiteral("progress"), fraction);
    properties.insert(QStringLiteral("progress-visible"), visible);
    update << m_appUri << properties;
    m_bus.send(update);
}
