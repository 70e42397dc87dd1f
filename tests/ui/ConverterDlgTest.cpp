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
        QStringLiteral("_root.disableStop=true"),
        QStringLiteral("_root.path=") + path,
        QStringLiteral("_root.version=6.0.0.1"),
        QStringLiteral("_root.convertToStr=") + targets,
        QStringLiteral("_root.convertToFlag=1"),
        QStringLiteral("_root.containerStr=") + muxers,
        QStringLiteral("_root.containerFlag=1"),
        QStringLiteral("_root.videoCodecStr=") + video,
        QStringLiteral("_root.videoCodecFlag=1"),
        QStringLiteral("_root.audioCodecStr=") + audio,
        QStringLiteral("_root.audioCodecFlag=1"),
    };
}

} // namespace

using StartupTest = DlgFixture;

TEST_F(StartupTest, WritesTheDescribedVariablesInOrderAndSetsTheDefaults)
{
    dir.write(QStringLiteral("Formats.ini"), catalogue());
    CConverterDlg &w = start();

    const QString defaultFolder = dir.file(QStringLiteral("Converted Videos"));
    EXPECT_EQ(writes, startupWrites(defaultFolder, ".mp4|.avi|.webm", "mp4|mov", "h264|mp4v",
                                    "mp4a|mp3"));
    EXPECT_TRUE(QDir(defaultFolder).exists());
    EXPECT_EQ(w.m_outputPath, defaultFolder);
    EXPECT_EQ(w.m_formats.convertToList, QStringList({".mp4", ".avi", ".webm"}));
    EXPECT_EQ(w.m_settings.convertTo, ".mp4");
    EXPECT_EQ(w.m_settings.container, "mp4");
    EXPECT_EQ(w.m_settings.videoCodec, "h264");
    EXPECT_EQ(w.m_settings.videoBitrate, "1024");
    EXPECT_EQ(w.m_settings.videoScale, "1");
    EXPECT_EQ(w.m_settings.audioCodec, "mp4a");
    EXPECT_EQ(w.m_settings.audioBitrate, "128");
    EXPECT_EQ(w.m_settings.audioChannels, "2");

    // The window itself: borderless, fixed size, titled, list created hidden over the movie.
    EXPECT_EQ(w.windowTitle(), "Movarin");
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w.size(), QSize(624, 579));
    ASSERT_NE(w.m_fileList, nullptr);
    EXPECT_FALSE(w.m_fileList->isVisibleTo(&w));
    EXPECT_EQ(w.m_fileList->geometry(), QRect(215, 185, 367, 112));
    EXPECT_EQ(w.m_sameFolder, 1);
    EXPECT_EQ(w.m_currentIndex, -1);
    EXPECT_EQ(w.m_convertedCount, -1);
    EXPECT_EQ(w.m_fileTotal, -1);
    EXPECT_EQ(w.m_timerId, 0);
}

TEST_F(StartupTest, WithoutCatalogueEveryListIsOneEmptyEntry)
{
    CConverterDlg &w = start();
    EXPECT_EQ(writes, startupWrites(dir.file(QStringLiteral("Converted Videos")), "", "", "", ""));
    EXPECT_EQ(w.m_formats.containerList, QStringList({""}));
    EXPECT_EQ(w.m_settings.convertTo, "");
    EXPECT_EQ(w.m_settings.videoBitrate, "1024");
    EXPECT_EQ(w.m_settings.audioChannels, "2");
}

TEST_F(StartupTest, ReadsAnOddCatalogueTheWayAnEditorWroteIt)
{
    const QByteArray longPath = "/" + QByteArray(299, 'p');
    dir.write(QStringLiteral("Formats.ini"),
              "\xEF\xBB\xBF; written on another machine\r\n"
              "[GENRAL]\r\n"
              "  outputpath = " + longPath + "\r\n"
              "Extentions = \".mkv|.mp4\"\r\n"
              "Extentions=.ignored\r\n"
              "[muxer]\r\n"
              ".MKV=avformat\r\n"
              "[vc]\r\n"
              "avformat=h264|\r\n"
              "[AC]\r\n"
              "AVFORMAT=vorb\r\n");
    CConverterDlg &w = start();
    // A saved folder longer than 255 characters is used whole.
    const QString whole = QString::fromLatin1(longPath);
    EXPECT_EQ(writes, startupWrites(whole, ".mkv|.mp4", "avformat", "h264|", "vorb"));
    EXPECT_EQ(w.m_outputPath, whole);
    EXPECT_EQ(w.m_formats.videoCodecList, QStringList({"h264", ""}));
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
    EXPECT_EQ(start().m_outputPath, QStringLiteral("/srv/out"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialogs.boxes.isEmpty());
}

TEST_F(StartupTest, ARelativeSavedFolderIsRefusedByName)
{
    dir.write(QStringLiteral("Formats.ini"), "[genral]\nOutputPath=videos/out\n");
    const QString defaultFolder = dir.file(QStringLiteral("Converted Videos"));
    EXPECT_EQ(start().m_outputPath, defaultFolder);
    QCoreApplication::processEvents();   // said once the window is up
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("\"videos/out\" (OutputPath in section [genral]")));
    EXPECT_TRUE(dialogs.boxes[0].text.contains(defaultFolder));
}

using ShutdownTest = DlgFixture;

TEST_F(ShutdownTest, ClosingSavesTheFolderAndKeepsEveryOtherByte)
{
    const QByteArray before = "; my catalogue\r\n[genral]\r\nExtentions=.mp4\r\nOutputPath=/old\r\n"
                              "\r\n[Custom]\r\nkeep=me\r\n";
    dir.write(QStringLiteral("Formats.ini"), before);
    CConverterDlg &w = start();
    w.m_outputPath = QStringLiteral("/new place");
    w.show();
    w.close();
    EXPECT_EQ(w.result(), QDialog::Rejected);
    EXPECT_EQ(w.m_fileList, nullptr);
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
    EXPECT_TRUE(saved.contains(QStringLiteral("OutputPath=") + w.m_outputPath));
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
    dir.write(QStringLiteral("main.qml"),
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
