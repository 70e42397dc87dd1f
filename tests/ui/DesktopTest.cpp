// SPDX-License-Identifier: GPL-3.0-or-later
// What a run tells the desktop: the queue's progress on the taskbar entry, and a notification
// at its end for a user who is looking elsewhere.
#include "DlgFixture.h"

#include <QTest>

class DesktopTest : public DlgFixture
{
protected:
    void SetUp() override
    {
        dir.write(QStringLiteral("Formats.ini"), catalogue());
        start();
    }
    void run(const QStringList &names, int ticks)
    {
        for (const QString &name : names)
            queue({dir.write(name, "video")});
        dlg->OnFSCommand(QStringLiteral("IDC_FS_CONVERT"), QString());
        for (int i = 0; i < ticks; ++i)
            dlg->OnTimer(CConverterDlg::ProgressTimerId);
    }
    const std::pair<int, float> Idle{-1, -1.0f};
};

TEST_F(DesktopTest, ProgressCoversTheQueueAndTheEndIsNotifiedWithItsFailuresThenStopClears)
{
    // Converted, never shows progress (four attempts), converted.
    vlc.log.scripts = {{{1, 0.5f}, Idle}, {}, {}, {}, {}, {{1, 0.25f}, {2, 1.0f}, Idle}};
    run({"a.avi", "b.avi", "c.avi"}, 2 + 4 + 3);
    EXPECT_EQ(desktop.calls,
              QStringList({"progress 0.167", "progress 0.750", "progress 1.000", "clear",
                           "notify Conversion complete: 2 files converted, 1 failed", "clear"}));
    EXPECT_EQ(dialogs.boxTexts().last(), "Conversion Complete, Total Converted files:2");

    desktop.calls.clear();
    vlc.log.scripts << QList<std::pair<int, float>>{{1, 0.4f}, {2, 0.6f}};
    dialogs.boxAnswers.enqueue(IDialogs::Answer::Yes);   // a.mp4 is there now: overwrite it
    run({}, 1);
    dlg->OnFSCommand(QStringLiteral("IDC_FS_CANCEL"), QString());
    EXPECT_EQ(desktop.calls, QStringList({"progress 0.133", "clear"}));
}

TEST_F(DesktopTest, AUserAtTheWindowGetsTheBoxOnly)
{
    vlc.log.scripts = {{{1, 0.5f}, Idle}};
    dlg->show();
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    run({"a.avi"}, 2);
    EXPECT_EQ(desktop.calls, QStringList({"progress 0.500", "clear", "clear"}));
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Conversion Complete, Total Converted files:1"}));
}
