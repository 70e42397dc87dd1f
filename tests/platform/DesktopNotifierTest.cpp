// SPDX-License-Identifier: GPL-3.0-or-later
// The D-Bus desktop seam on a session bus of its own, against a notification server and a
// taskbar of the test's own: the messages are the ones the desktop's services read.
#include "platform/DBusDesktopNotifier.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/WaitUntil.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

namespace {
class DesktopServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList heard;

public slots:
    uint Notify(const QString &app, uint, const QString &icon, const QString &summary,
                const QString &body, const QStringList &, const QVariantMap &hints, int timeout)
    {
        heard << QStringList{app,
                             icon,
                             summary,
                             body,
                             QString::number(timeout),
                             hints.value(QStringLiteral("desktop-entry")).toString()}
                     .join(QLatin1Char('|'));
        return 1;
    }
    void Update(const QString &uri, const QVariantMap &properties)
    {
        heard << uri + QLatin1Char(' ')
                     + QString::number(properties.value(QStringLiteral("progress")).toDouble())
                     + QLatin1Char(' ')
                     + properties.value(QStringLiteral("progress-visible")).toString();
    }
};
}   // namespace

TEST(DesktopNotifierTest, NotificationsAndTaskbarProgressReachTheDesktopsServices)
{
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed";
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
    while (!daemon.canReadLine())
        ASSERT_TRUE(daemon.waitForReadyRead(20000)) << "dbus-daemon did not start";
    const QString address = QString::fromUtf8(daemon.readLine().trimmed());

    DesktopServer server;
    QDBusConnection desktop = QDBusConnection::connectToBus(address, QStringLiteral("desktop"));
    ASSERT_TRUE(desktop.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(desktop.registerService(QStringLiteral("org.freedesktop.Notifications")));
    ASSERT_TRUE(
        desktop.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                        QStringLiteral("Update"), &server, SLOT(Update(QString, QVariantMap))));
    {
        CDBusDesktopNotifier notifier(
            QDBusConnection::connectToBus(address, QStringLiteral("program")));
        notifier.showProgress(0.25);
        notifier.showProgress(0.25);   // no change: nothing sent
        notifier.showProgress(0.5);
        notifier.notify(QStringLiteral("Conversion complete"),
                        QStringLiteral("2 files converted, 1 failed"));
        notifier.clearProgress();
        notifier.clearProgress();   // already clear
    }
    WAIT_UNTIL_FOR(server.heard.size() == 4, 10000);
    EXPECT_EQ(server.heard,
              QStringList(
                  {"application://movarin.desktop 0.25 true",
                   "application://movarin.desktop 0.5 true",
                   "Movarin|movarin|Conversion complete|2 files converted, 1 failed|-1|movarin",
                   "application://movarin.desktop 0 false"}));
    QDBusConnection::disconnectFromBus(QStringLiteral("desktop"));
    QDBusConnection::disconnectFromBus(QStringLiteral("program"));
    daemon.terminate();
    daemon.waitForFinished(10000);
}

#include "DesktopNotifierTest.moc"
