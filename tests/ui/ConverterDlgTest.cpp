// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, shutdown and the window's own behaviour.
#include "DlgFixture.h"

#include <QDir>
#include <QKeyEvent>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

namespace {

QStringList startupWrites(const QString &path, const QString &targets, const QString &muxers,
                          const QString &video, const QString &audio)
{
    return {
        QStringLiteral("_root.disableStop=true"), QStringLiteral("_root.path=") + path,
        QStringLiteral("_root.version=6.0.0.1"),  QStringLiteral("_root.convertToStr=") + targets,
        QStringLiteral("_root.convertToFlag=1"),  QStringLiteral("_root.containerStr=") + muxers,
        QStringLiteral("_root.containerFlag=1"),  QStringLiteral("_root.videoCodecStr=") + video,
        QStringLiteral("_root.videoCodecFlag=1"), QStringLiteral("_root.audioCodecStr=") + audio,
        QStringLiteral("_root.audioCodecFlag=1"),
    };
}

}   // namespace

using StartupTest = DlgFixture;

TEST_F(StartupTest, WritesTheDescribedVariablesInOrderAndSetsTheDefaults)
{
    dir.write(QStringLiteral("Formats.ini"), catalogue());
    CConverterDlg &w = start();

    const QString defaultFolder = dir.file(QStringLiteral("Converted Videos"));
    EXPECT_EQ(writes,
              startupWrites(defaultFolder, ".mp4|.avi|.webm", "mp4|mov", "h264|mp4v", "mp4a|mp3"));
    EXPECT_TRUE(QDir(defaultFolder).exists());

    // The window itself: borderless, fixed size, titled, list created hidden over the movie.
    EXPECT_EQ(w.windowTitle(), "Movarin");
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w.size(), QSize(624, 579));
    const CFileListBox *fileList = w.findChild<CFileListBox *>();
    ASSERT_NE(fileList, nullptr);
    EXPECT_FALSE(fileList->isVisibleTo(&w));
    EXPECT_EQ(fileList->geometry(), QRect(215, 185, 367, 112));

    // The default choices: each list's first entry and the fixed rates, the output beside its
    // source, and no run before the first.
    EXPECT_TRUE(vlc.log.options.isEmpty());
    const QString option = optionOfARun();
    EXPECT_TRUE(option.startsWith(
        ":sout=#transcode{vcodec=h264,vb=1024,scale=1,acodec=mp4a,ab=128,channels=2,deinterlace}"
        ":std{access=file,mux=mp4,url=\""
        + dir.path() + "/.run 1."))
        << option.toStdString();
    EXPECT_TRUE(option.endsWith(".part.mp4\"}")) << option.toStdString();
    EXPECT_EQ(vlc.log.calls.first(),
              "addTarget " + dir.file(QStringLiteral("run 1.avi")) + " 10 -666");
}

TEST_F(StartupTest, WithoutCatalogueEveryListIsOneEmptyEntry)
{
    CConverterDlg &w = start();
    EXPECT_EQ(writes, startupWrites(dir.file(QStringLiteral("Converted Videos")), "", "", "", ""));
    // The empty choices are refused by name; with choices made, the fixed rates are still there.
    EXPECT_EQ(optionOfARun(),
              "The target \"\" (from Formats.ini, section [genral], key Extentions) "
              "is not valid: a target is a period followed by letters, digits, "
              "\"_\" and \"-\". Nothing was converted.");
    w.OnFSCommand(QStringLiteral("ID-FS-convertTo"), QStringLiteral(".mp4"));
    EXPECT_EQ(optionOfARun(), "The muxer \"\" (from Formats.ini, section [muxer], key .mp4) is "
                              "not valid: use letters, digits, \"_\" and \"-\" only. Nothing "
                              "was converted.");
    w.OnFSCommand(QStringLiteral("ID-FS-container"), QStringLiteral("mp4"));
    w.OnFSCommand(QStringLiteral("ID-FS-videoCodec"), QStringLiteral("h264"));
    w.OnFSCommand(QStringLiteral("ID-FS-audioCodec"), QStringLiteral("mp4a"));
    EXPECT_TRUE(optionOfARun().startsWith(
        ":sout=#transcode{vcodec=h264,vb=1024,scale=1,acodec=mp4a,ab=128,channels=2,"));
}

TEST_F(StartupTest, ReadsAnOddCatalogueTheWayAnEditorWroteIt)
{
    const QByteArray longPath = "/" + QByteArray(299, 'p');
    dir.write(QStringLiteral("Formats.ini"), "\xEF\xBB\xBF; written on another machine\r\n"
                                             "[GENRAL]\r\n"
                                             "  outputpath = "
                                                 + longPath
                                                 + "\r\n"
                                                   "Extentions = \".mkv|.mp4\"\r\n"
                                                   "Extentions=.ignored\r\n"
                                                   "[muxer]\r\n"
                                                   ".MKV=avformat\r\n"
                                                   "[vc]\r\n"
                                                   "avformat=h264|\r\n"
                                                   "[AC]\r\n"
                                                   "AVFORMAT=vorb\r\n");
    start();
    // A saved folder longer than 255 characters is used whole.
    const QString whole = QString::fromLatin1(longPath);
    EXPECT_EQ(writes, startupWrites(whole, ".mkv|.mp4", "avformat", "h264|", "vorb"));
    const QString option = optionOfARun();
    EXPECT_TRUE(option.startsWith(":sout=#transcode{vcodec=h264,vb=1024,scale=1,acodec=vorb,"
                                  "ab=128,channels=2,deinterlace}:std{access=file,mux=avformat,"))
        << option.toStdString();
    EXPECT_TRUE(option.endsWith(".part.mkv\"}")) << option.toStdString();
}

TEST_F(StartupTest, ASavedFolderThatDoesNotExistIsShownAndNotCreated)
{
    const QString missing = dir.file(QStringLiteral("nowhere/out"));
    dir.write(QStringLiteral("Formats.ini"), "[genral]\nOutputPath=" + missing.toUtf8() + "\n");
    start();
    EXPECT_TRUE(writes.contains(QStringLiteral("_root.path=") + missing));
    EXPECT_FALSE(QDir(missing).exists());
    EXPECT_TRUE(QDir(dir.file(QStringLiteral("Converted Videos"))).exists());
}

TEST_F(StartupTest, ASavedFolderIsMadeWhole)
{
    dir.write(QStringLiteral("Formats.ini"), "[genral]\nOutputPath=/srv/missing/../out/\n");
    start();
    EXPECT_TRUE(writes.contains(QStringLiteral("_root.path=/srv/out")));
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialogs.boxes.isEmpty());
}

TEST_F(StartupTest, ARelativeSavedFolderIsRefusedByName)
{
    dir.write(QStringLiteral("Formats.ini"), "[genral]\nOutputPath=videos/out\n");
    const QString defaultFolder = dir.file(QStringLiteral("Converted Videos"));
    start();
    EXPECT_TRUE(writes.contains(QStringLiteral("_root.path=") + defaultFolder));
    QCoreApplication::processEvents();   // said once the window is up
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(
        QStringLiteral("\"videos/out\" (OutputPath in section [genral]")));
    EXPECT_TRUE(dialogs.boxes[0].text.contains(defaultFolder));
}

using ShutdownTest = DlgFixture;

TEST_F(ShutdownTest, ClosingSavesTheFolderAndKeepsEveryOtherByte)
{
    const QByteArray before = "; my catalogue\r\n[genral]\r\nExtentions=.mp4\r\nOutputPath=/old\r\n"
                              "\r\n[Custom]\r\nkeep=me\r\n";
    dir.write(QStringLiteral("Formats.ini"), before);
    CConverterDlg &w = start();
    dialogs.folderAnswers.enqueue(QStringLiteral("/new place"));
    w.OnFSCommand(QStringLiteral("IDC_FS_BROWSE"), QString());
    w.show();
    w.close();
    EXPECT_EQ(w.result(), QDialog::Rejected);
    EXPECT_EQ(w.findChild<CFileListBox *>(), nullptr);
    QByteArray expected = before;
    expected.replace("OutputPath=/old", "OutputPath=/new place");
    EXPECT_EQ(dir.read(QStringLiteral("Formats.ini")), expected);
}

TEST_F(ShutdownTest, ClosingWithoutCatalogueCreatesItWithTheFolderOnly)
{
    CConverterDlg &w = start();
    w.show();
    w.close();
    const QString saved = QString::fromUtf8(dir.read(QStringLiteral("Formats.ini")));
    EXPECT_TRUE(saved.contains(QStringLiteral("[genral]")));
    EXPECT_TRUE(saved.contains(QStringLiteral("OutputPath=")
                               + dir.file(QStringLiteral("Converted Videos"))));
    EXPECT_EQ(saved.count(QLatin1Char('=')), 1);
}

TEST_F(ShutdownTest, ClosingDuringARunKillsTheTimerWithoutAMessage)
{
    dir.write(QStringLiteral("Formats.ini"), catalogue());
    CConverterDlg &w = start();
    dir.write(QStringLiteral("a.avi"), "x");
    queue({dir.file(QStringLiteral("a.avi"))});
    w.OnFSCommand(QStringLiteral("IDC_FS_CONVERT"), QString());
    ASSERT_EQ(w.m_timerId, 2);
    w.show();
    w.close();
    EXPECT_EQ(w.m_timerId, 0);
    EXPECT_TRUE(dialogs.boxes.isEmpty());
}

TEST_F(ShutdownTest, EnterAndEscapeKeepTheWindowOpen)
{
    CConverterDlg &w = start();
    w.show();
    QSignalSpy finished(&w, &QDialog::finished);
    QTest::keyClick(&w, Qt::Key_Return);
    QTest::keyClick(&w, Qt::Key_Enter);
    QTest::keyClick(&w, Qt::Key_Escape);
    w.accept();   // what the Enter key's default handling would reach
    EXPECT_EQ(finished.count(), 0);
    EXPECT_TRUE(w.isVisible());
}

TEST_F(ShutdownTest, ARightButtonPressNeverReachesTheMovie)
{
    dir.write(
        QStringLiteral("main.qml"),
        "import QtQuick\n"
        "Rectangle { width: 624; height: 579\n"
        "  property int presses: 0\n"
        "  MouseArea { anchors.fill: parent; acceptedButtons: Qt.LeftButton | Qt.RightButton\n"
        "              onPressed: parent.presses++ } }\n");
    CConverterDlg &w = start();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QObject *root = w.m_flash.rootObject();
    ASSERT_NE(root, nullptr);
    QTest::mousePress(&w.m_flash, Qt::RightButton, {}, QPoint(20, 20));
    QTest::mouseRelease(&w.m_flash, Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_EQ(root->property("presses").toInt(), 0);
    QTest::mousePress(&w.m_flash, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseRelease(&w.m_flash, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(root->property("presses").toInt(), 1);
}
