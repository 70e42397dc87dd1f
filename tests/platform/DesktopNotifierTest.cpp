// SPDX-License-Identifier: GPL-3.0-or-later
// The D-Bus desktop seam on a private session bus, against a notification server and a taskbar
// of the test's own: the messages are the ones the desktop's services read.
#include "DBusDesktopNotifier.h"
#include "QStringPrinting.h"

#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The notification server and a taskbar that listens for launcher-entry updates.
class DesktopServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList notifications;   // "app|icon|summary|body|timeout|desktop-entry"
    QStringList updates;         // "uri progress visible"

public slots:
    uint Notify(const QString &app, uint replaces, const QString &icon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints,
                int timeout)
    {
        Q_UNUSED(replaces)
        Q_UNUSED(actions)
        notifications << QStringList{app, icon, summary, body, QString::number(timeout),
                                     hints.value(QStringLiteral("desktop-entry")).toString()}
                             .join(QLatin1Char('|'));
        return 1;
    }
    void Update(const QString &uri, const QVariantMap &properties)
    {
        updates << uri + QLatin1Char(' ')
                       + QString::number(properties.value(QStringLiteral("progress")).toDouble())
                       + QLatin1Char(' ')
                       + properties.value(QStringLiteral("progress-visible")).toString();
    }
};

} // namespace

class DesktopNotifierTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            return;
        s_daemon = new QProcess;
        s_daemon->start(QStringLiteral("dbus-daemon"),
                        {QStringLiteral("--session"), QStringLiteral("--nofork"),
                         QStringLiteral("--print-address=1")});
        QByteArray line;
        while (!line.contains('\n') && s_daemon->waitForReadyRead(20000))
            line += s_daemon->readAllStandardOutput();
        s_address = QString::fromUtf8(line.trimmed());
    }
    static void TearDownTestSuite()
    {
        if (!s_daemon)
            return;
        s_daemon->terminate();
        s_daemon->waitForFinished(10000);
        delete s_daemon;
        s_daemon = nullptr;
    }
    void SetUp() override
    {
        if (!s_daemon)
            GTEST_SKIP() << "dbus-daemon is not installed";
        ASSERT_FALSE(s_address.isEmpty()) << "dbus-daemon did not start";
    }

    static QDBusConnection connect(const QString &name)
    {
        return QDBusConnection::connectToBus(s_address, name);
    }

    static inline QProcess *s_daemon = nullptr;
    static inline QString s_address;
};

TEST_F(DesktopNotifierTest, NotificationsAndTaskbarProgressReachTheDesktopsServices)
{
    DesktopServer server;
    QDBusConnection desktop = connect(QStringLiteral("desktop"));
    ASSERT_TRUE(desktop.isConnected());
    ASSERT_TRUE(desktop.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(desktop.registerService(QStringLiteral("org.freedesktop.Notifications")));
    ASSERT_TRUE(desktop.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                QStringLiteral("Update"), &server,
                                SLOT(Update(QString, QVariantMap))));

    {
        CDBusDesktopNotifier notifier(connect(QStringLiteral("program")));
        notifier.showProgress(0.25);
        notifier.showProgress(0.25);   // no change: nothing sent
        notifier.showProgress(0.5);
        notifier.notify(QStringLiteral("Conversion complete"),
                        QStringLiteral("2 files converted, 1 failed"));
        notifier.clearProgress();
        notifier.clearProgress();      // already clear
    }

    QTRY_COMPARE_WITH_TIMEOUT(server.updates.size(), 3, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(server.notifications.size(), 1, 10000);
    EXPECT_EQ(server.updates, QStringList({"application://movarin.desktop 0.25 true",
                                           "application://movarin.desktop 0.5 true",
                                           "application://movarin.desktop 0 false"}));
    EXPECT_EQ(server.notifications,
              QStringList({"Movarin|movarin|Conversion complete|2 files converted, 1 failed|-1|movarin"}));
    QDBusConnection::disconnectFromBus(QStringLiteral("desktop"));
    QDBusConnection::disconnectFromBus(QStringLiteral("program"));
}

#include "DesktopNotifierTest.moc"
