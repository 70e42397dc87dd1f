// SPDX-License-Identifier: GPL-3.0-or-later
// Files from outside the window: the command line's paths, and drops sent to the window as a
// file manager's drag would arrive.
#include "DlgFixture.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWindow>

class OutsideTest : public DlgFixture
{
protected:
    void SetUp() override
    {
        // The catalogue's targets (.mp4, .avi, .webm) count as video as well as the open dialog's.
        dir.write(QStringLiteral("Formats.ini"), catalogue());
        start();
    }

    QString video(const QString &name) { return dir.write(name, "video"); }

    QStringList rows()
    {
        QStringList out;
        for (int i = 0; i < list().GetCount(); ++i)
            out << list().GetText(i);
        return out;
    }

    QWidget *highlight() { return dlg->findChild<QWidget *>(QStringLiteral("dropHighlight")); }

    // Drags urls over the window at pos and drops them there, the way the window system hands
    // a drag to the window. Returns whether the window accepted the drag, and with what action.
    std::pair<bool, Qt::DropAction> dragAndDrop(const QList<QUrl> &urls, QPoint pos,
                                                Qt::DropActions offered = Qt::CopyAction
                                                                          | Qt::MoveAction)
    {
        QMimeData data;
        data.setUrls(urls);
        QWindow *window = dlg->windowHandle();
        QDragEnterEvent enter(pos, offered, &data, Qt::LeftButton, Qt::NoModifier);
        enter.setDropAction(Qt::MoveAction);
        QCoreApplication::sendEvent(window, &enter);
        QDragMoveEvent move(pos, offered, &data, Qt::LeftButton, Qt::NoModifier);
        move.setDropAction(Qt::MoveAction);
        QCoreApplication::sendEvent(window, &move);
        highlightWhileDragging = highlight()->isVisible();
        const std::pair<bool, Qt::DropAction> answer{move.isAccepted(), move.dropAction()};
        QDropEvent drop(QPointF(pos), offered, &data, Qt::LeftButton, Qt::NoModifier);
        drop.setDropAction(move.dropAction());
        QCoreApplication::sendEvent(window, &drop);
        QCoreApplication::processEvents();
        return answer;
    }

    void showWindow()
    {
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    }

    bool highlightWhileDragging = false;
};

TEST_F(OutsideTest, NamedPathsQueueFilesAndFoldersInOrderAndNameWhatIsSkipped)
{
    const QString queued = video(QStringLiteral("queued.mov"));
    const QString b = video(QStringLiteral("b.avi"));
    const QString folder = dir.file(QStringLiteral("clips"));
    const QString z = video(QStringLiteral("clips/z.mp4"));
    const QString upper = video(QStringLiteral("clips/a/X.MPG"));
    const QString web = video(QStringLiteral("clips/sub/c.webm"));
    dir.write(QStringLiteral("clips/readme.txt"), "not a video");
    dir.write(QStringLiteral("clips/.hidden/h.avi"), "hidden");
    const QString notes = dir.write(QStringLiteral("notes.txt"), "text");
    const QString missing = dir.file(QStringLiteral("missing.avi"));
    const QString empty = dir.file(QStringLiteral("empty"));
    ASSERT_TRUE(QDir().mkpath(empty));
    queue({queued});

    dlg->QueueOutsidePaths({b, notes, folder, queued, missing, z, empty, b});

    // The folder's files sorted by path, after the file named before it; nothing twice.
    EXPECT_EQ(rows(), QStringList({queued, b, upper, web, z}));
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].text,
              "These were not added to the queue:\n" + notes
                  + " (not a kind of video Movarin converts)\n" + missing + " (not found)\n"
                  + empty + " (no video files in this folder)");
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Movarin"));
    EXPECT_EQ(dialogs.boxes[0].owner, dlg.get());

    // Everything already queued: nothing added and nothing to say.
    dlg->QueueOutsidePaths({folder, b});
    EXPECT_EQ(rows().size(), 5);
    EXPECT_EQ(dialogs.boxes.size(), 1);
}

TEST_F(OutsideTest, DroppedFilesAndFoldersAreQueuedAsCopiesWithAHighlightWhileOverTheWindow)
{
    const QString a = video(QStringLiteral("drop/a.avi"));
    const QString b = video(QStringLiteral("drop/inner/b.mov"));
    const QString single = video(QStringLiteral("single.wmv"));
    const QString odd = dir.write(QStringLiteral("odd.doc"), "text");
    showWindow();
    dlg->OnFSCommand(QStringLiteral("ID_FS_Slider"), QString());
    EXPECT_FALSE(highlight()->isVisible());

    // Over the list, which lies over the movie: the window takes the drop all the same.
    const QPoint overList = list().geometry().center();
    const auto [accepted, action] = dragAndDrop(
        {QUrl::fromLocalFile(dir.file(QStringLiteral("drop"))), QUrl::fromLocalFile(single),
         QUrl::fromLocalFile(odd), QUrl(QStringLiteral("https://example.org/c.avi"))},
        overList);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(action, Qt::CopyAction);   // never a move: the sources stay where they are
    EXPECT_TRUE(highlightWhileDragging);
    EXPECT_FALSE(highlight()->isVisible());
    EXPECT_EQ(rows(), QStringList({a, b, single}));
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].text,
              "These were not added to the queue:\n" + odd
                  + " (not a kind of video Movarin converts)\nhttps://example.org/c.avi (not found)");

    // Over the movie elsewhere, the same files again: nothing is queued twice.
    dragAndDrop({QUrl::fromLocalFile(a)}, QPoint(40, 500));
    EXPECT_EQ(rows(), QStringList({a, b, single}));
    EXPECT_EQ(dialogs.boxes.size(), 1);

    // A drag that could only move the files is refused.
    const QString other = video(QStringLiteral("other.avi"));
    EXPECT_FALSE(dragAndDrop({QUrl::fromLocalFile(other)}, overList, Qt::MoveAction).first);
    EXPECT_EQ(rows().size(), 3);
}

TEST_F(OutsideTest, DropsAreRefusedWhileARunGoesAndTakenAgainAfterStop)
{
    const QString a = video(QStringLiteral("a.avi"));
    const QString late = video(QStringLiteral("late.avi"));
    queue({a});
    showWindow();
    vlc.log.scripts = {{{1, 0.1f}, {2, 0.2f}}};
    dlg->OnFSCommand(QStringLiteral("IDC_FS_CONVERT"), QString());
    dlg->OnTimer(CConverterDlg::ProgressTimerId);
    ASSERT_TRUE(dlg->RunInProgress());

    EXPECT_FALSE(dragAndDrop({QUrl::fromLocalFile(late)}, QPoint(300, 300)).first);
    EXPECT_FALSE(highlightWhileDragging);
    EXPECT_EQ(rows(), QStringList({a}));

    dlg->OnFSCommand(QStringLiteral("IDC_FS_CANCEL"), QString());
    EXPECT_TRUE(dragAndDrop({QUrl::fromLocalFile(late)}, QPoint(300, 300)).first);
    EXPECT_EQ(rows(), QStringList({a, late}));
}
