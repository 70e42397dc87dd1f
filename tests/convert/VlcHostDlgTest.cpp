// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/CVlcHostDlg.h"
#include "tests/support/Fakes.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

TEST(VlcHostDlg, BeforeCreateEverythingIsANoOpButAddTarget)
{
    FakeVlcFactory factory;
    CVlcHostDlg host(factory);
    EXPECT_FALSE(host.HasWindow());
    EXPECT_EQ(host.vlc(), nullptr);
    EXPECT_NO_THROW(host.stop());
    EXPECT_NO_THROW(host.playlistClear());
    EXPECT_EQ(host.GetPosition(), -1.0f);
    EXPECT_EQ(host.GetTime(), -1);
    EXPECT_THROW(host.addTarget(QStringLiteral("/v/a.avi"), {QStringLiteral("x")}, 10, -666),
                 CVlcError);
    EXPECT_EQ(factory.log.created, 0);
    EXPECT_TRUE(factory.log.calls.isEmpty());
}

TEST(VlcHostDlg, EveryCreateMakesAFreshControlAndDropsTheOldOne)
{
    FakeVlcFactory factory;
    QWidget parent;
    CVlcHostDlg host(factory);

    host.Create(&parent);
    CVLCControl *first = host.vlc();
    ASSERT_NE(first, nullptr);
    host.addTarget(QStringLiteral("/v/a.avi"), {QStringLiteral(":sout=#a")}, 10, -666);

    host.Create(&parent);
    EXPECT_EQ(factory.log.created, 2);
    EXPECT_EQ(factory.log.liveControls, 1);
    EXPECT_TRUE(host.HasWindow());
    host.addTarget(QStringLiteral("/v/b.avi"), {QStringLiteral(":sout=#b")}, 10, -666);
    EXPECT_EQ(factory.log.calls, (QStringList{QStringLiteral("addTarget /v/a.avi 10 -666"),
                                              QStringLiteral("addTarget /v/b.avi 10 -666")}));
    EXPECT_EQ(factory.log.options.last(), QStringList{QStringLiteral(":sout=#b")});
}

TEST(VlcHostDlg, ForwardsToItsControl)
{
    FakeVlcFactory factory;
    factory.log.scripts = {{{1500, 0.25f}}};
    CVlcHostDlg host(factory);
    host.Create(nullptr);
    EXPECT_EQ(host.GetTime(), 1500);
    EXPECT_EQ(host.GetPosition(), 0.25f);
    host.stop();
    host.playlistClear();
    EXPECT_EQ(host.GetTime(), -1);
    EXPECT_EQ(factory.log.calls,
              (QStringList{QStringLiteral("stop"), QStringLiteral("playlistClear")}));
}

TEST(VlcHostDlg, FailingFactoryLeavesNoWindow)
{
    FakeVlcFactory factory;
    QWidget parent;
    CVlcHostDlg host(factory);
    host.Create(&parent);
    factory.log.failCreate = true;
    EXPECT_THROW(host.Create(&parent), CVlcError);
    EXPECT_FALSE(host.HasWindow());
    EXPECT_EQ(host.vlc(), nullptr);
    EXPECT_EQ(factory.log.liveControls, 0);
    EXPECT_EQ(host.GetTime(), -1);
    EXPECT_NO_THROW(host.playlistClear());
    EXPECT_TRUE(parent.findChildren<QObject *>(QStringLiteral("VlcHost")).isEmpty());
}

TEST(VlcHostDlg, DestroyWindowDropsControlAndWindow)
{
    FakeVlcFactory factory;
    QWidget parent;
    CVlcHostDlg host(factory);
    host.Create(&parent);
    host.DestroyWindow();
    EXPECT_FALSE(host.HasWindow());
    EXPECT_EQ(factory.log.liveControls, 0);
    EXPECT_TRUE(parent.findChildren<QObject *>(QStringLiteral("VlcHost")).isEmpty());
    EXPECT_NO_THROW(host.DestroyWindow());
    EXPECT_EQ(host.GetPosition(), -1.0f);
}

TEST(VlcHostDlg, NothingOfTheHostCanBeShown)
{
    FakeVlcFactory factory;
    QWidget parent;
    parent.resize(200, 100);
    CVlcHostDlg host(factory);
    host.Create(&parent);
    QObject *window = host.window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->parent(), &parent);
    EXPECT_EQ(qobject_cast<QWidget *>(window), nullptr);

    parent.show();
    QApplication::processEvents();
    host.Create(&parent);
    QApplication::processEvents();
    EXPECT_TRUE(parent.findChildren<QWidget *>().isEmpty());
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w != &parent) {
            EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
        }
    }
}

TEST(VlcHostDlg, ParentGoingFirstTakesTheWindowAlong)
{
    FakeVlcFactory factory;
    CVlcHostDlg host(factory);
    {
        QWidget parent;
        host.Create(&parent);
    }
    // The parent deleted the window: the host must not delete it again.
    EXPECT_FALSE(host.HasWindow());
    EXPECT_EQ(factory.log.liveControls, 0);
    EXPECT_NO_THROW(host.DestroyWindow());
}
