// SPDX-License-Identifier: GPL-3.0-or-later
// The window on a 1366x768 screen at a display scale (ctest sets QT_SCALE_FACTOR and the headless
// platform's screen): it fits the available area, the movie shows whole, and the list stays in
// its frame on the movie.
#include "DlgFixture.h"
#include "tests/support/WaitUntil.h"

#include <QQuickItem>
#include <QScreen>
#include <QTest>
#include <cmath>

TEST_F(DlgFixture, TheWholeWindowFitsTheScreenWithTheListInItsFrameOnTheMovie)
{
    const double scale = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble();
    ASSERT_GT(scale, 1.0) << "ctest runs this with QT_SCALE_FACTOR and a 1366x768 screen";
    dir.write(QStringLiteral("Formats.ini"), catalogue());
    useRealMovie();
    start();
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    dlg->OnFSCommand(QStringLiteral("ID_FS_Slider"), QString());
    const auto onWindow = [this](const char *name) {
        auto *item = dlg->m_flash.rootObject()->findChild<QQuickItem *>(QLatin1String(name));
        return item ? item->mapRectToScene(QRectF(0, 0, item->width(), item->height()))
                          .toAlignedRect()
                    : QRect();
    };

    const QRect available = dlg->screen()->availableGeometry();
    ASSERT_EQ(available.height() * scale, 768);   // the screen and scale asked for
    EXPECT_TRUE(available.contains(dlg->frameGeometry()));
    EXPECT_EQ(dlg->height(), available.height());
    EXPECT_NEAR(dlg->width(), dlg->height() * 624.0 / 579.0, 1.0);
    EXPECT_EQ(dlg->m_flash.geometry(), dlg->rect());
    // Convert and Stop, which were cut in half, lie whole in the window.
    for (const char *button : {"convertButton", "stopButton"}) {
        EXPECT_FALSE(onWindow(button).isEmpty()) << button;
        EXPECT_TRUE(dlg->rect().contains(onWindow(button))) << button;
    }
    // The list fills the movie's frame for it, with seven whole rows of a smaller height.
    const QRect frame = onWindow("listFrame");
    EXPECT_TRUE(list().isVisible() && frame.contains(list().geometry()));
    EXPECT_LE(frame.width() - list().width(), 4);
    EXPECT_EQ(list().rowHeight(), static_cast<int>(std::floor(16 * dlg->height() / 579.0)));
    EXPECT_EQ(list().height(), 7 * list().rowHeight());
    EXPECT_EQ(list().rowFont().pixelSize(), list().rowHeight());

    // A combo box's list opens at the scale of the combo box.
    auto *tab = dlg->m_flash.rootObject()->findChild<QQuickItem *>(QStringLiteral("videoTab"));
    QMetaObject::invokeMethod(tab, "clicked");
    auto *combo = dlg->m_flash.rootObject()->findChild<QQuickItem *>(QStringLiteral("targetCombo"));
    auto *popup = combo->property("popup").value<QObject *>();
    QMetaObject::invokeMethod(popup, "open");
    auto *shown = popup->property("contentItem").value<QQuickItem *>();
    WAIT_UNTIL(shown->isVisible());
    EXPECT_NEAR(shown->mapRectToScene(QRectF(0, 0, shown->width(), 1)).width(),
                onWindow("targetCombo").width(), 4);
}
