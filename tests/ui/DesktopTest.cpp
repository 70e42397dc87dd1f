// SPDX-License-Identifier: GPL-3.0-or-later
// What a run tells the desktop: the queue's progress on the taskbar entry, and a notification
// at its end for a user who is looking elsewhere.
#include "DlgFixture.h"

#include <QTest>

namespace {
using Reading = std::pair<int, float>;
const Reading Idle{-1, -1.0f};
} // namespace

class DesktopTest : public DlgFixture
{
protected:
    void SetUp() override
    {
        dir.write(QStringLiteral("Formats.ini"), catalogue());
        start();
    }
    QString source(const QString &name) { return dir.write(name, "video"); }
    void tick(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            dlg->OnTimer(CConverterDlg::ProgressTimerId);
    }
};

TEST_F(DesktopTest, ProgressCoversTheWholeQueueAndTheEndIsNotifiedWithItsFailures)
{
    // Three rows: converted, never shows progress (four attempts), converted.
    queue({source(QStringLiteral("a.avi")), source(QStringLiteral("b.avi")),
           source(QStringLiteral("c.avi"))});
    vlc.log.scripts = {{{1, 0.5f}, Idle}, {}, {}, {}, {}, {{1, 0.25f}, {2, 1.0f}, Idle}};
    dlg->OnFSCommand(QStringLiteral("IDC_FS_CONVERT"), QString());
    tick(2 + 4 + 3);

    EXPECT_EQ(desktop.calls,
              QStringList({"progress 0.167", "progress 0.750", "progress 1.000", "clear",
                           "notify Conversion complete: 2 files converted, 1 failed", "clear"}));
    // The completion box is still there.
    EXPECT_EQ(dialogs.boxTexts().last(), "Conversion Complete, Total Converted files:2");
}

TEST_F(DesktopTest, NothingConvertedIsNotifiedTooAndStopClearsTheProgress)
{
    const QString a = source(QStringLiteral("a.avi"));
    queue({a});
    dlg->OnFSCommand(QStringLiteral("IDC_FS_CONVERT"), QString());
    tick(4);
    EXPECT_EQ(desktop.calls,
              QStringList({"clear", "notify Conversion complete: 0 files converted, 1 failed",
                           "clear"}));

    desktop.calls.clear();
    vlc.log.scripts.resize(vlc.log.created);
    vlc.log.scripts << QList<Reading>{{1, 0.4f}, {2, 0.6f}};
    dlg->OnFSCommand(QStringLiteral("IDC_FS_CONVERT"), QString());
    tick();
    dlg->OnFSCommand(QStringLiteral("IDC_FS_CANCEL"), QString());
    EXPECT_EQ(desktop.calls, QStringList({"progress 0.400", "clear"}));
}

TEST_F(DesktopTest, AUserAtTheWindowGetsTheBoxOnly)
{
    queue({source(QStringLiteral("a.avi"))});
    vlc.log.scripts = {{{1, 0.5f}, Idle}};
    dlg->show();
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    dlg->OnFSCommand(QStringLiteral("IDC_FS_CONVERT"), QString());
    tick(2);
    EXPECT_EQ(desktop.calls, QStringList({"progress 0.500", "clear", "clear"}));
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Conversion Complete, Total Converted files:1"}));
}
