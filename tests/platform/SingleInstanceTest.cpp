// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SingleInstance.h"

#include "tests/support/TempDir.h"
#include "tests/support/XvfbFixture.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace {

// Lock files go to a runtime folder of the test's own.
class LockFolder
{
public:
    LockFolder()
        : m_runtime("XDG_RUNTIME_DIR", m_dir.path().toUtf8())
    {
    }
    QStringList files() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden); }

private:
    TempDir m_dir;
    EnvVar m_runtime;
};

}   // namespace

TEST(SingleInstanceLock, OneHolderPerDesktopUntilItIsGone)
{
    EnvVar display("DISPLAY", std::nullopt);
    EnvVar wayland("WAYLAND_DISPLAY", std::nullopt);
    EnvVar session("XDG_SESSION_ID", QByteArray("7"));
    LockFolder folder;
    const QString title = QStringLiteral("Movarin");

    EXPECT_EQ(CSingleInstance::x11WindowTitled(title), std::nullopt);
    auto first = std::make_unique<CSingleInstance>(title);
    EXPECT_FALSE(first->anotherInstanceRunning());
    EXPECT_EQ(folder.files().size(), 1);
    {
        CSingleInstance second(title);
        EXPECT_TRUE(second.anotherInstanceRunning());
    }
    {
        EnvVar otherSession("XDG_SESSION_ID", QByteArray("8"));
        CSingleInstance elsewhere(title);
        EXPECT_FALSE(elsewhere.anotherInstanceRunning());
    }
    {
        CSingleInstance otherTitle(QStringLiteral("Movarin 2"));
        EXPECT_FALSE(otherTitle.anotherInstanceRunning());
    }
    EXPECT_TRUE(CSingleInstance(title).anotherInstanceRunning());

    first.reset();
    CSingleInstance third(title);
    EXPECT_FALSE(third.anotherInstanceRunning());
}

TEST(SingleInstanceLock, TwoDisplaysOfOneSessionAreTwoDesktops)
{
    EnvVar wayland("WAYLAND_DISPLAY", std::nullopt);
    EnvVar session("XDG_SESSION_ID", QByteArray("7"));
    LockFolder folder;
    // Displays without a server: only the lock can tell.
    EnvVar display("DISPLAY", QByteArray(":9391"));
    CSingleInstance first(QStringLiteral("Movarin"));
    EXPECT_FALSE(first.anotherInstanceRunning());
    EXPECT_TRUE(CSingleInstance(QStringLiteral("Movarin")).anotherInstanceRunning());
    EnvVar otherDisplay("DISPLAY", QByteArray(":9392"));
    EXPECT_FALSE(CSingleInstance(QStringLiteral("Movarin")).anotherInstanceRunning());
}

TEST(SingleInstanceLock, DesktopNameWithSlashesStaysInTheRuntimeFolder)
{
    EnvVar display("DISPLAY", std::nullopt);
    EnvVar session("XDG_SESSION_ID", std::nullopt);
    EnvVar wayland("WAYLAND_DISPLAY", QByteArray("../../wayland/0"));
    LockFolder folder;
    CSingleInstance one(QStringLiteral("Movarin/../x"));
    EXPECT_FALSE(one.anotherInstanceRunning());
    EXPECT_EQ(folder.files().size(), 1);
    EXPECT_TRUE(CSingleInstance(QStringLiteral("Movarin/../x")).anotherInstanceRunning());
}

class SingleInstanceX11 : public XvfbTest
{
};

TEST_F(SingleInstanceX11, AnyMappedTopLevelWindowWithTheWholeTitleCounts)
{
    const QString title = QStringLiteral("Movarin");
    EXPECT_EQ(CSingleInstance::x11WindowTitled(title), std::optional(false));
    {
        XClient other;
        other.setWmName(other.window(true), "Movari");
        other.setWmName(other.window(true), "Movarin 2");
        other.setWmName(other.window(false), "Movarin");   // never shown
        other.window(true);   // no title at all
        EXPECT_EQ(CSingleInstance::x11WindowTitled(title), std::optional(false));

        const xcb_window_t w = other.window(true);
        other.setWmName(w, "Movarin");
        EXPECT_EQ(CSingleInstance::x11WindowTitled(title), std::optional(true));
        EXPECT_EQ(CSingleInstance::x11WindowTitled(QStringLiteral("Movari")), std::optional(true));
        EXPECT_EQ(CSingleInstance::x11WindowTitled(QStringLiteral("Movarin 2")),
                  std::optional(true));
        EXPECT_EQ(CSingleInstance::x11WindowTitled(QStringLiteral("movarin")),
                  std::optional(false));
        EXPECT_EQ(CSingleInstance::x11WindowTitled(QStringLiteral("Movarin ")),
                  std::optional(false));
        EXPECT_TRUE(CSingleInstance(title).anotherInstanceRunning());
    }
    EXPECT_EQ(CSingleInstance::x11WindowTitled(title), std::optional(false));
}

TEST_F(SingleInstanceX11, TheUtf8NamePrevailsOverTheLegacyName)
{
    XClient other;
    const xcb_window_t w = other.window(true);
    other.setWmName(w, "Movarin");
    other.setNetWmName(w, QString::fromUtf8("Movarin \xE2\x80\x93 clip.avi"));
    EXPECT_EQ(CSingleInstance::x11WindowTitled(QStringLiteral("Movarin")), std::optional(false));
    EXPECT_EQ(CSingleInstance::x11WindowTitled(QString::fromUtf8("Movarin \xE2\x80\x93 clip.avi")),
              std::optional(true));

    const xcb_window_t u = other.window(true);
    other.setNetWmName(u, QStringLiteral("Movarin"));
    EXPECT_EQ(CSingleInstance::x11WindowTitled(QStringLiteral("Movarin")), std::optional(true));
}

TEST_F(SingleInstanceX11, WithAWindowManagerItsClientListDecides)
{
    XClient other;
    // A minimised window is unmapped but still managed; an unmanaged popup does not count.
    const xcb_window_t minimised = other.window(false);
    other.setWmName(minimised, "Movarin");
    const xcb_window_t popup = other.window(true);
    other.setWmName(popup, "Movari");
    other.setClientList({minimised});
    EXPECT_EQ(CSingleInstance::x11WindowTitled(QStringLiteral("Movarin")), std::optional(true));
    EXPECT_EQ(CSingleInstance::x11WindowTitled(QStringLiteral("Movari")), std::optional(false));
}

TEST_F(SingleInstanceX11, ClientsInsideFramesOfAReparentingManagerAreFound)
{
    XClient other;
    const xcb_window_t frame = other.window(true);
    const xcb_window_t client = other.window(true, frame);
    other.setWmState(client);
    other.setWmName(client, "Movarin");
    EXPECT_EQ(CSingleInstance::x11WindowTitled(QStringLiteral("Movarin")), std::optional(true));
}

TEST_F(SingleInstanceX11, ACopyStillStartingUpHoldsTheLock)
{
    EnvVar session("XDG_SESSION_ID", QByteArray("x11-test"));
    LockFolder folder;
    CSingleInstance first(QStringLiteral("Movarin"));
    EXPECT_FALSE(first.anotherInstanceRunning());
    EXPECT_TRUE(CSingleInstance(QStringLiteral("Movarin")).anotherInstanceRunning());
}
