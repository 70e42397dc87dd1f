// SPDX-License-Identifier: GPL-3.0-or-later
// The control over Debian's libVLC: real conversions of ffmpeg-made clips, checked with ffprobe.
#include "VlcTestSupport.h"
#include "convert/CVlcHostDlg.h"
#include "convert/OutputCheck.h"
#include "convert/TranscodeOption.h"
#include "tests/support/Mp4Settings.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/SampleClips.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <iostream>
#include <thread>

namespace {

QStringList mp4Option(const QString &output)
{
    return {TranscodeOption::Build(Mp4Settings(), output)};
}

// Waits for the first positive readings of a running conversion.
bool WaitForProgress(CVLCControl &control)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        if (control.GetTime() > 0 && control.GetPosition() > 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

void ExpectIdle(CVLCControl &control)
{
    EXPECT_EQ(control.GetTime(), -1);
    EXPECT_EQ(control.GetPosition(), -1.0f);
}

void ExpectMp4Of(const QString &output, double seconds)
{
    ASSERT_TRUE(QFileInfo(output).isFile()) << output.toStdString();
    const SampleClips::ProbeResult probe = SampleClips::Probe(output);
    EXPECT_TRUE(probe.formatName.contains(QLatin1String("mp4"))) << probe.formatName.toStdString();
    EXPECT_EQ(probe.videoCodec, QStringLiteral("h264"));
    EXPECT_EQ(probe.audioCodec, QStringLiteral("aac"));
    EXPECT_EQ(probe.audioChannels, 2);
    EXPECT_NEAR(probe.duration, seconds, 1.0);
    EXPECT_EQ(SampleClips::DecodeErrors(output), QString());
}

class LibVlcControlTest : public ::testing::Test
{
protected:
    TempDir dir;
    std::unique_ptr<CVLCControl> control = SharedVlcFactory().CreateControl();
};

}   // namespace

TEST_F(LibVlcControlTest, IdleWithoutAnItemAndSafeToStopOrClear)
{
    ExpectIdle(*control);
    control->stop();
    control->stop();
    control->playlistClear();
    control->playlistClear();
    ExpectIdle(*control);
}

TEST_F(LibVlcControlTest, MovToMp4ReportsProgressThenFallsIdle)
{
    // Long enough that libVLC's clock is read while it runs, however fast the machine: a 3 s
    // clip could be transcoded before libVLC first published a time.
    const QString source = SampleClips::Mov(dir.path(), {.seconds = 8.0});
    const QString output = dir.file(QStringLiteral("out.mp4"));
    control->addTarget(source, mp4Option(output), 10, -666);

    const ConversionRun run = WaitUntilIdle(*control);
    ASSERT_TRUE(run.ended);
    EXPECT_TRUE(run.sawProgress) << "time and position never both positive";
    EXPECT_LE(run.lastTime, 8000 + 500);
    // libVLC keeps its last readings after the end; the control must not.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ExpectIdle(*control);
    ExpectMp4Of(output, 8.0);
}

TEST_F(LibVlcControlTest, PositionIsAFractionWhileConverting)
{
    const QString source = SampleClips::Mov(dir.path(), {.seconds = 8.0});
    control->addTarget(source, mp4Option(dir.file(QStringLiteral("out.mp4"))), 10, -666);
    ASSERT_TRUE(WaitForProgress(*control));
    const float position = control->GetPosition();
    EXPECT_GT(position, 0.0f);
    EXPECT_LE(position, 1.0f);
    EXPECT_TRUE(WaitUntilIdle(*control).ended);
}

TEST_F(LibVlcControlTest, StopEndsTheConversionAtOnce)
{
    const QString source = SampleClips::Mov(dir.path(), {.seconds = 12.0});
    const QString output = dir.file(QStringLiteral("out.mp4"));
    control->addTarget(source, mp4Option(output), 10, -666);
    ASSERT_TRUE(WaitForProgress(*control));

    control->stop();
    ExpectIdle(*control);
    const qint64 size = QFileInfo(output).size();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(QFileInfo(output).size(), size) << "still written after stop";
    ExpectIdle(*control);
    control->stop();
    control->playlistClear();
    ExpectIdle(*control);
}

TEST_F(LibVlcControlTest, PlaylistClearLeavesItIdle)
{
    const QString source = SampleClips::Mov(dir.path(), {.seconds = 12.0});
    const QString output = dir.file(QStringLiteral("out.mp4"));
    control->addTarget(source, mp4Option(output), 10, -666);
    ASSERT_TRUE(WaitForProgress(*control));

    control->playlistClear();
    ExpectIdle(*control);
    const qint64 size = QFileInfo(output).size();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(QFileInfo(output).size(), size) << "still written after the clear";
    control->playlistClear();
    control->stop();
    ExpectIdle(*control);
}

// libVLC still opens the output (an empty container); removing it is the driver's part.
TEST_F(LibVlcControlTest, MissingSourceEndsIdle)
{
    const QString output = dir.file(QStringLiteral("out.mp4"));
    control->addTarget(dir.file(QStringLiteral("no such clip.mov")), mp4Option(output), 10, -666);
    const ConversionRun run = WaitUntilIdle(*control, 60);
    EXPECT_TRUE(run.ended);
    EXPECT_FALSE(run.sawProgress);
    EXPECT_FALSE(control->HasPlayedToEnd());
    ExpectIdle(*control);
}

// A short clip can end before libVLC reports any position (a short FLV never does, and an AVI's
// demuxer counts no bytes); the control still knows it was read to its end, and an unreadable
// file that ends as quickly does not pass for one.
TEST_F(LibVlcControlTest, AnItemThatEndsBeforeAnyReadingIsKnownToHavePlayed)
{
    for (const QString &source : {SampleClips::Flv(dir.path(), {.seconds = 2.0}),
                                  SampleClips::Avi(dir.path(), {.seconds = 2.0})}) {
        SCOPED_TRACE(source.toStdString());
        const QString output = dir.file(QStringLiteral("short.mp4"));
        control->addTarget(source, mp4Option(output), 10, -666);
        ASSERT_TRUE(WaitUntilIdle(*control, 60).ended);
        EXPECT_TRUE(control->HasPlayedToEnd());
        ExpectIdle(*control);
        ExpectMp4Of(output, 2.0);
    }

    const QString text = dir.write(QStringLiteral("notes.avi"), "This is not a video.\n");
    control->addTarget(text, mp4Option(dir.file(QStringLiteral("notes.mp4"))), 10, -666);
    const ConversionRun run = WaitUntilIdle(*control, 60);
    ASSERT_TRUE(run.ended);
    EXPECT_FALSE(run.sawProgress);
    EXPECT_FALSE(control->HasPlayedToEnd());
    ExpectIdle(*control);

    control->playlistClear();
    EXPECT_FALSE(control->HasPlayedToEnd());
}

// The driver hears of an end without reading the control: for a file that converted, for one
// that could not be read, and never for a stop of its own.
TEST_F(LibVlcControlTest, SaysWhenTheItemEndsOrFailsButNotWhenItIsStopped)
{
    std::atomic<int> ends{0};
    const auto waitForEnds = [&](int count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (ends < count && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return ends == count;
    };
    control->SetEndNotice([&ends] { ++ends; });
    const QString source = SampleClips::Mov(dir.path(), {.seconds = 2.0});
    const QString output = dir.file(QStringLiteral("out.mp4"));
    control->addTarget(source, mp4Option(output), 10, -666);
    ASSERT_TRUE(waitForEnds(1));
    ExpectIdle(*control);
    EXPECT_TRUE(control->HasPlayedToEnd());
    ExpectMp4Of(output, 2.0);

    const QString text = dir.write(QStringLiteral("notes.avi"), "This is not a video.\n");
    control->addTarget(text, mp4Option(dir.file(QStringLiteral("notes.mp4"))), 10, -666);
    ASSERT_TRUE(waitForEnds(2));
    ExpectIdle(*control);

    const QString longer = SampleClips::Make(QStringLiteral(".mov"), dir.path(), {.seconds = 12.0},
                                             QStringLiteral("long.mov"));
    control->addTarget(longer, mp4Option(dir.file(QStringLiteral("long.mp4"))), 10, -666);
    ASSERT_TRUE(WaitForProgress(*control));
    control->stop();
    control->playlistClear();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(ends, 2);
}

TEST_F(LibVlcControlTest, AddTargetReplacesTheItemOfTheSameControl)
{
    const QString source = SampleClips::Mov(dir.path(), {.seconds = 12.0});
    control->addTarget(source, mp4Option(dir.file(QStringLiteral("first.mp4"))), 10, -666);
    ASSERT_TRUE(WaitForProgress(*control));

    const QString shortSource = SampleClips::Make(QStringLiteral(".mov"), dir.path(), {},
                                                  QStringLiteral("short.mov"));
    const QString output = dir.file(QStringLiteral("second.mp4"));
    control->addTarget(shortSource, mp4Option(output), 10, -666);
    ASSERT_TRUE(WaitUntilIdle(*control).ended);
    ExpectMp4Of(output, 3.0);
}

TEST_F(LibVlcControlTest, AwkwardPathsAreReadAndWrittenExactlyThere)
{
    const QString folder = dir.file(QStringLiteral("a \"q\" {b},c 100% url=x it's \\ ünï ∂ir"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString source = SampleClips::Make(QStringLiteral(".mov"), folder, {},
                                             QStringLiteral("src, \"1\" {url=y} %d ü.mov"));
    const QString output = folder + QStringLiteral("/out \"2\",url=\"z\"} {x} 50% é ö \\\".mp4");
    control->addTarget(source, mp4Option(output), 10, -666);
    ASSERT_TRUE(WaitUntilIdle(*control).ended);

    ExpectMp4Of(output, 3.0);
    // Nothing was written anywhere else.
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 2);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 0);
}

TEST_F(LibVlcControlTest, HostWindowWithTheRealControl)
{
    const QString source = SampleClips::Mov(dir.path());
    QWidget parent;
    parent.show();
    CVlcHostDlg host(SharedVlcFactory());
    host.Create(&parent);
    host.addTarget(source, mp4Option(dir.file(QStringLiteral("out.mp4"))), 10, -666);
    QApplication::processEvents();
    EXPECT_EQ(qobject_cast<QWidget *>(host.window()), nullptr);
    ASSERT_NE(host.vlc(), nullptr);
    ASSERT_TRUE(WaitUntilIdle(*host.vlc()).ended);
    EXPECT_EQ(host.GetTime(), -1);
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w != &parent) {
            EXPECT_FALSE(w->isVisible());
        }
    }
    ExpectMp4Of(dir.file(QStringLiteral("out.mp4")), 3.0);
}

TEST(LibVlcInstance, LibVlcThatCannotStartThrows)
{
    // libVLC refuses to start on an option it does not know, as it does without its plugins.
    CLibVlcControlFactory factory({QStringLiteral("--no-such-option-anywhere")});
    EXPECT_THROW(factory.CreateControl(), CVlcError);
    CVlcHostDlg host(factory);
    QWidget parent;
    EXPECT_THROW(host.Create(&parent), CVlcError);
    EXPECT_FALSE(host.HasWindow());
}

TEST_F(LibVlcControlTest, ModeWithoutGoOnlyHoldsTheItem)
{
    const QString source = SampleClips::Mov(dir.path());
    const QString output = dir.file(QStringLiteral("out.mp4"));
    control->addTarget(source, mp4Option(output), 2, -666);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ExpectIdle(*control);
    EXPECT_FALSE(QFileInfo::exists(output));
}

// The kinds of source a user queues: each one is read and converted.
TEST_F(LibVlcControlTest, EverySourceContainerConverts)
{
    using Maker = QString (*)(const QString &, const SampleClips::ClipOptions &);
    const std::pair<const char *, Maker> sources[] = {
        {"mov", SampleClips::Mov},   {"mp4", SampleClips::Mp4},     {"avi", SampleClips::Avi},
        {"wmv", SampleClips::Wmv},   {"asf", SampleClips::Asf},     {"mpg", SampleClips::Mpg},
        {"flv", SampleClips::Flv},   {"3gp", SampleClips::ThreeGp}, {"mkv", SampleClips::Mkv},
        {"webm", SampleClips::Webm}, {"ogg", SampleClips::Ogg},     {"ts", SampleClips::Ts},
    };
    for (const auto &[name, make] : sources) {
        SCOPED_TRACE(name);
        const QString folder = dir.file(QLatin1String(name));
        const QString source = make(folder, {.seconds = 2.0});
        const QString output = folder + QStringLiteral("/out.mp4");
        std::unique_ptr<CVLCControl> fresh = SharedVlcFactory().CreateControl();
        fresh->addTarget(source, mp4Option(output), 10, -666);
        ASSERT_TRUE(WaitUntilIdle(*fresh).ended);
        ExpectMp4Of(output, 2.0);
    }
}

TEST_F(LibVlcControlTest, AnMp4WhoseFirstFrameIsNoKeyFrameIsNotWhole)
{
    // Longer than x264's key-frame interval: libVLC's own MP4 muxer then lists only the second
    // key frame as one; FFmpeg's muxer lists both.
    const QString source = SampleClips::Mov(dir.path(),
                                            {.width = 320, .height = 180, .seconds = 12.0});
    for (const char *muxer : {"mp4", "avformat{}"}) {
        SCOPED_TRACE(muxer);
        ConversionSettings settings = Mp4Settings();
        settings.container = QLatin1String(muxer);
        const QString output = dir.file(
            QStringLiteral("out-%1.mp4").arg(settings.container.size()));
        std::unique_ptr<CVLCControl> fresh = SharedVlcFactory().CreateControl();
        fresh->addTarget(source, {TranscodeOption::Build(settings, output)}, 10, -666);
        ASSERT_TRUE(WaitUntilIdle(*fresh).ended);
        const CMediaFacts sourceFacts = fresh->SourceFacts();
        QElapsedTimer timer;
        timer.start();
        const CMediaFacts facts = fresh->ProbeFile(output);
        std::cout << "  read-back of " << muxer << ": " << timer.elapsed() << " ms" << std::endl;
        EXPECT_TRUE(facts.hasVideo);
        EXPECT_TRUE(facts.hasAudio);
        if (settings.container == QLatin1String("mp4")) {
            EXPECT_FALSE(facts.playbackFault.isEmpty());
            EXPECT_NE(OutputCheck::WhyNotWhole(sourceFacts, facts), QString());
        } else {
            EXPECT_EQ(facts.playbackFault, QString());
            EXPECT_EQ(OutputCheck::WhyNotWhole(sourceFacts, facts), QString());
        }
    }
}
