// SPDX-License-Identifier: GPL-3.0-or-later
// Files from outside the window: the command line's paths, and drops sent to the window the way
// the window system hands it a file manager's drag.
#include "DlgFixture.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWindow>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class OutsideTest : public DlgFixture
{
protected:
    void SetUp() override
    {
        // The catalogue's targets (.mp4, .avi, .webm) count as video as well as the open dialog's.
        dir.write(QStringLiteral("Formats.ini"), catalogue());
        start();
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    }
    QString video(const QString &name) { return dir.write(name, "video"); }
    QStringList rows()
    {
        QStringList out;
        for (int i = 0; i < list().GetCount(); ++i)
            out << list().GetText(i);
        return out;
    }
    QString skipped(const QString &lines) { return "These were not added to the queue:\n" + lines; }

    // Drags the paths over the window at pos and drops them there. Returns whether the window
    // took the drag and with what action, and notes whether it lit up meanwhile.
    std::pair<bool, Qt::DropAction> drop(const QStringList &paths, QPoint pos,
                                         Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &p : paths)
            urls << (p.startsWith('/') ? QUrl::fromLocalFile(p) : QUrl(p));
        data.setUrls(urls);
        QDragEnterEvent enter(pos, offered, &data, Qt::LeftButton, Qt::NoModifier);
        enter.setDropAction(Qt::MoveAction);
        QCoreApplication::sendEvent(dlg->windowHandle(), &enter);
        QDragMoveEvent move(pos, offered, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(dlg->windowHandle(), &move);
        litUp = dlg->findChild<QWidget *>(QStringLiteral("dropHighlight"))->isVisible();
        QDropEvent dropped(QPointF(pos), offered, &data, Qt::LeftButton, Qt::NoModifier);
        dropped.setDropAction(move.dropAction());
        QCoreApplication::sendEvent(dlg->windowHandle(), &dropped);
        QCoreApplication::processEvents();
        EXPECT_FALSE(dlg->findChild<QWidget *>(QStringLiteral("dropHighlight"))->isVisible());
        return {move.isAccepted(), move.dropAction()};
    }
    bool litUp = false;
};

TEST_F(OutsideTest, NamedPathsQueueFilesAndFoldersInOrderAndNameWhatIsSkipped)
{
    const QString queued = video(QStringLiteral("queued.mov"));
    const QString b = video(QStringLiteral("b.avi"));
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

    dlg->QueueOutsidePaths(
        {b, notes, dir.file(QStringLiteral("clips")), queued, missing, z, empty, b});
    // The folder's files sorted by path, after the file named before it; nothing twice.
    EXPECT_EQ(rows(), QStringList({queued, b, upper, web, z}));
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].text,
              skipped(notes + " (not a kind of video Movarin converts)\n" + missing
                      + " (not found)\n" + empty + " (no video files in this folder)"));
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Movarin"));
    EXPECT_EQ(dialogs.boxes[0].owner, dlg.get());
}

TEST_F(OutsideTest, DropsAnywhereOnTheWindowQueueAsCopiesExceptDuringARun)
{
    const QString a = video(QStringLiteral("drop/a.avi"));
    const QString b = video(QStringLiteral("drop/inner/b.mov"));
    const QString single = video(QStringLiteral("single.wmv"));
    const QString odd = dir.write(QStringLiteral("odd.doc"), "text");
    dlg->OnFSCommand(QStringLiteral("ID_FS_Slider"), QString());

    // Over the list, which lies over the movie: the window takes the drop, as a copy only.
    const auto [accepted, action] = drop({dir.file(QStringLiteral("drop")), single, odd,
                                          QStringLiteral("https://example.org/c.avi")},
                                         list().geometry().center());
    EXPECT_TRUE(accepted && litUp);
    EXPECT_EQ(action, Qt::CopyAction);
    EXPECT_EQ(rows(), QStringList({a, b, single}));
    EXPECT_EQ(dialogs.boxTexts(),
              QStringList({skipped(odd
                                   + " (not a kind of video Movarin converts)\n"
                                     "https://example.org/c.avi (not found)")}));

    // A drag that could only move the files is refused.
    const QString late = video(QStringLiteral("late.avi"));
    EXPECT_FALSE(drop({late}, QPoint(300, 500), Qt::MoveAction).first);

    // During a run nothing is taken, and the window does not light up; after Stop it is.
    vlc.log.scripts = {{{1, 0.1f}, {2, 0.2f}}};
    dlg->OnFSCommand(QStringLiteral("IDC_FS_CONVERT"), QString());
    dlg->OnTimer(CConverterDlg::ProgressTimerId);
    EXPECT_FALSE(drop({late}, QPoint(300, 500)).first || litUp);
    EXPECT_EQ(rows().size(), 3);
    dlg->OnFSCommand(QStringLiteral("IDC_FS_CANCEL"), QString());
    // Over the movie this time, with a file already queued: only the new one is added.
    EXPECT_TRUE(drop({a, late}, QPoint(300, 500)).first);
    EXPECT_EQ(rows(), QStringList({a, b, single, late}));
    EXPECT_EQ(dialogs.boxes.size(), 1);
}

TEST_F(OutsideTest, NamesThatAreNotTextAreNamedNeverDroppedOrMistaken)
{
    // Two names that decode to the same text: the one that is text is queued, the other named.
    const QString folder = dir.file(QStringLiteral("mixed"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray bytes = QFile::encodeName(folder) + "/caf\xE9.avi";
    ASSERT_EQ(::close(::open(bytes.constData(), O_CREAT | O_WRONLY, 0644)), 0);
    const QString text = video(QString::fromUtf8("mixed/caf\xEF\xBF\xBD.avi"));
    dlg->QueueOutsidePaths({folder});
    EXPECT_EQ(rows(), QStringList({text}));
    EXPECT_EQ(dialogs.boxTexts(),
              QStringList({"This was not added to the queue:\n" + text
                           + " (the name is not UTF-8 text; rename the file to convert it)"}));

    // Dropped as a file URL, it is named the same way.
    dialogs.boxes.clear();
    EXPECT_TRUE(
        drop({QStringLiteral("file://") + folder + QStringLiteral("/caf%E9.avi")}, QPoint(300, 500))
            .first);
    EXPECT_EQ(rows(), QStringList({text}));
    EXPECT_EQ(dialogs.boxTexts().size(), 1);
}

TEST_F(OutsideTest, NamesThatAreNotTextChosenInTheAddDialogAreNamedNotQueued)
{
    // The dialog hands back "caf\uFFFD.avi" for both files below: neither is that name.
    const QString folder = dir.file(QStringLiteral("chosen"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray e9 = QFile::encodeName(folder) + "/caf\xE9.avi";
    const QByteArray e8 = QFile::encodeName(folder) + "/caf\xE8.avi";
    for (const QByteArray &bytes : {e9, e8})
        ASSERT_EQ(::close(::open(bytes.constData(), O_CREAT | O_WRONLY, 0644)), 0);
    // And a file in a folder whose name is not text.
    const QByteArray inFolder = QFile::encodeName(folder) + "/d\xE9/x.avi";
    ASSERT_EQ(::mkdir((QFile::encodeName(folder) + "/d\xE9").constData(), 0755), 0);
    ASSERT_EQ(::close(::open(inFolder.constData(), O_CREAT | O_WRONLY, 0644)), 0);
    const QString ok = video(QStringLiteral("chosen/ok.avi"));
    dialogs.openAnswers.enqueue({ok, QFile::decodeName(e9), QFile::decodeName(inFolder)});
    dlg->OnFSCommand(QStringLiteral("IDC_FS_ADD"), QString());
    EXPECT_EQ(rows(), QStringList({ok}));
    const QString why = QStringLiteral(
        " (the name is not UTF-8 text; rename the file to convert it)");
    EXPECT_EQ(dialogs.boxTexts(),
              QStringList({skipped(QString::fromUtf8(e8) + why + '\n' + QString::fromUtf8(e9) + why
                                   + '\n' + QString::fromUtf8(inFolder) + why)}));
}

TEST_F(OutsideTest, FilesFromALaterCopyAreQueuedOrDuringARunRefusedInOneMessage)
{
    const QString a = video(QStringLiteral("a.avi"));
    const QString b = video(QStringLiteral("b.avi"));
    queue({a});
    vlc.log.scripts = {{{1, 0.1f}, {2, 0.2f}}};
    dlg->OnFSCommand(QStringLiteral("IDC_FS_CONVERT"), QString());
    dlg->OnTimer(CConverterDlg::ProgressTimerId);
    dlg->ReceiveOutsideFiles({b}, {});
    EXPECT_EQ(rows(), QStringList({a}));
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].text,
              "A conversion is running, so the queue cannot change. Add these when it has "
              "ended:\n"
                  + b);
    dlg->OnFSCommand(QStringLiteral("IDC_FS_CANCEL"), QString());

    dialogs.boxes.clear();
    dlg->ReceiveOutsideFiles({b, a}, {});
    EXPECT_EQ(rows(), QStringList({a, b}));
    EXPECT_TRUE(dialogs.boxes.isEmpty());
}
