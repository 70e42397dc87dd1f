// SPDX-License-Identifier: GPL-3.0-or-later
// The window on a 1366x768 screen at a display scale (QT_SCALE_FACTOR, set by ctest together
// with the headless platform's screen of that size): it fits the screen's available area, the
// movie shows whole, and the list stays in its frame on the movie.
#include "DlgFixture.h"

#include <QQuickItem>
#include <QScreen>
#include <QTest>
#include <cmath>

namespace {
QRect onWindow(CConverterDlg &dlg, const char *name)
{
    auto *root = qobject_cast<QQuickItem *>(dlg.m_flash.rootObject());
    auto *item = root ? root->findChild<QQuickItem *>(QLatin1String(name)) : nullptr;
    if (!item)
        return QRect();
    const QRectF scene = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
    return scene.toAlignedRect().translated(dlg.m_flash.pos());
}
} // namespace

class FitTest : public DlgFixture
{
};

TEST_F(FitTest, TheWholeWindowFitsTheScreenWithTheListInItsFrameOnTheMovie)
{
    const double scale = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble();
    ASSERT_GT(scale, 1.0) << "ctest runs this with QT_SCALE_FACTOR and a 1366x768 screen";
    dir.write(QStringLiteral("Formats.ini"), catalogue());
    useRealMovie();
    start();
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    dlg->OnFSCommand(QStringLiteral("ID_FS_Slider"), QString());

    // The screen is the one asked for, seen at the scale asked for.
    QScreen *screen = dlg->screen();
    ASSERT_NEAR(screen->geometry().width() * scale, 1366, scale);
    ASSERT_EQ(screen->geometry().height() * scale, 768);

    // The whole window on the available area, with the movie's proportions.
    const QRect available = screen->availableGeometry();
    EXPECT_TRUE(available.contains(dlg->frameGeometry()))
        << dlg->frameGeometry().width() << "x" << dlg->frameGeometry().height() << " on "
        << available.width() << "x" << available.height();
    EXPECT_EQ(dlg->height(), available.height());
    EXPECT_NEAR(dlg->width(), dlg->height() * 624.0 / 579.0, 1.0);
    EXPECT_EQ(dlg->m_flash.geometry(), dlg->rect());

    // Convert and Stop, where they were cut in half, lie whole inside the window.
    for (const char *button : {"convertButton", "stopButton"}) {
        const QRect shown = onWindow(*dlg, button);
        ASSERT_FALSE(shown.isEmpty()) << button;
        EXPECT_TRUE(dlg->rect().contains(shown)) << button;
    }

    // The list lies inside the movie's frame for it, fills its width and shows seven whole
    // rows of a scaled-down height.
    const QRect frame = onWindow(*dlg, "listFrame");
    const QRect listRect = list().geometry();
    ASSERT_TRUE(list().isVisible());
    EXPECT_TRUE(frame.contains(listRect)) << "frame " << frame.x() << "," << frame.y() << " "
                                          << frame.width() << "x" << frame.height();
    EXPECT_LE(frame.width() - listRect.width(), 4);
    const double shrink = dlg->height() / 579.0;
    EXPECT_EQ(list().rowHeight(), static_cast<int>(std::floor(16 * shrink)));
    EXPECT_EQ(listRect.height(), 7 * list().rowHeight());
    EXPECT_EQ(list().rowFont().pixelSize(), list().rowHeight());
}
