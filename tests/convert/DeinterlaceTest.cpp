// SPDX-License-Identifier: GPL-3.0-or-later
// Deinterlacing by the shipped rule "interlaced", end to end: libVLC examines ffmpeg-made
// sources, the option is built from a catalogue, libVLC converts, and ffmpeg's idet filter (an
// independent judge) reads whether the output's frames are still combed.
#include "VlcTestSupport.h"
#include "convert/TranscodeOption.h"
#include "settings/CIniFile.h"
#include "tests/support/Mp4Settings.h"
#include "tests/support/TempDir.h"

#include <QProcess>
#include <QRegularExpression>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

QString runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        throw std::runtime_error(
            (program + QStringLiteral(" failed: ") + QString::fromUtf8(process.readAll()))
                .toStdString());
    return QString::fromUtf8(process.readAll());
}

// Interlaced: two fields of a 50 fps test pattern woven into each frame, top field first,
// coded as interlaced MPEG-2. Progressive: still lines one pixel high, alternately light and
// dark, coded as progressive MPEG-2: any deinterlacer blends them into grey.
QString makeClip(const QString &path, bool interlaced)
{
    QStringList args{"-v", "error", "-nostdin", "-y", "-f", "lavfi", "-i"};
    if (interlaced)
        args << "testsrc2=size=720x576:rate=50:duration=2"
             << "-vf"
             << "tinterlace=mode=interleave_top,setfield=tff"
             << "-flags"
             << "+ildct+ilme"
             << "-top"
             << "1";
    else
        args << "color=c=gray:size=720x576:rate=25:duration=2,format=yuv420p,"
                "geq=lum='if(mod(Y\\,2)\\,200\\,40)':cb=128:cr=128";
    args << "-c:v"
         << "mpeg2video"
         << "-q:v"
         << "2" << path;
    runTool(QStringLiteral("ffmpeg"), args);
    return path;
}

struct Idet
{
    int combed = 0;   // frames idet calls top or bottom field first
    int progressive = 0;
};

Idet idetOf(const QString &path)
{
    const QString log = runTool(QStringLiteral("ffmpeg"),
                                {"-nostdin", "-i", path, "-an", "-vf", "idet", "-f", "null", "-"});
    const QRegularExpressionMatch m
        = QRegularExpression(QStringLiteral("Multi frame detection: TFF:\\s*(\\d+) BFF:\\s*(\\d+) "
                                            "Progressive:\\s*(\\d+)"))
              .match(log);
    if (!m.hasMatch())
        throw std::runtime_error("no idet reading: " + log.toStdString());
    return {m.captured(1).toInt() + m.captured(2).toInt(), m.captured(3).toInt()};
}

// Mean SSIM of a still clip's conversion against its source.
double ssimOf(const QString &source, const QString &output)
{
    const QString log = runTool(QStringLiteral("ffmpeg"),
                                {"-nostdin", "-i", source, "-i", output, "-lavfi", "[0:v][1:v]ssim",
                                 "-f", "null", "-"});
    const QRegularExpressionMatch m
        = QRegularExpression(QStringLiteral("All:([0-9.]+)")).match(log);
    if (!m.hasMatch())
        throw std::runtime_error("no ssim reading: " + log.toStdString());
    return m.captured(1).toDouble();
}

QString convertWithRule(const TempDir &dir, const QString &source, const QString &output)
{
    CIniFile ini(dir.dirWithSlash());
    ini.SetPath(QStringLiteral("Formats.ini"));
    const QString option = TranscodeOption::BuildFor(Mp4Settings(), output, ini, source,
                                                     SharedVlcFactory());
    std::unique_ptr<CVLCControl> control = SharedVlcFactory().CreateControl();
    control->addTarget(source, {option}, 10, -666);
    EXPECT_TRUE(WaitUntilIdle(*control).ended);
    control->playlistClear();
    return option;
}

}   // namespace

TEST(Deinterlace, InterlacedSourcesAreDeinterlacedAndProgressiveOnesLeftAlone)
{
    TempDir dir;
    dir.write(QStringLiteral("Formats.ini"), "[transcode]\ndeinterlace=interlaced\n");
    const QString interlaced = makeClip(dir.file(QStringLiteral("woven.mpg")), true);
    const QString progressive = makeClip(dir.file(QStringLiteral("plain.mpg")), false);
    // The sources are what they claim to be.
    ASSERT_GT(idetOf(interlaced).combed, 40);

    EXPECT_EQ(SharedVlcFactory().IsInterlaced(interlaced), std::optional<bool>(true));
    EXPECT_EQ(SharedVlcFactory().IsInterlaced(progressive), std::optional<bool>(false));
    EXPECT_EQ(SharedVlcFactory().IsInterlaced(dir.file(QStringLiteral("missing.mpg"))),
              std::nullopt);

    const QString fromInterlaced = dir.file(QStringLiteral("woven.mp4"));
    EXPECT_TRUE(convertWithRule(dir, interlaced, fromInterlaced).contains(u",deinterlace}"));
    const Idet out = idetOf(fromInterlaced);
    EXPECT_GT(out.progressive, 40);
    EXPECT_LE(out.combed, 2);

    // The progressive lines survive; deinterlaced as the plain catalogue does, they would not.
    const QString fromProgressive = dir.file(QStringLiteral("plain.mp4"));
    EXPECT_FALSE(convertWithRule(dir, progressive, fromProgressive).contains(u"deinterlace"));
    EXPECT_GT(ssimOf(progressive, fromProgressive), 0.99);
    dir.write(QStringLiteral("Formats.ini"), "[VC]\nmp4=h264\n");
    const QString blended = dir.file(QStringLiteral("blended.mp4"));
    EXPECT_TRUE(convertWithRule(dir, progressive, blended).contains(u",deinterlace}"));
    EXPECT_LT(ssimOf(progressive, blended), 0.5);
}

TEST(Deinterlace, LooksThatOverlapEachGetTheirOwnAnswer)
{
    // A run stopped during its look and started again at once: the first look still runs when
    // the second begins. The first is at a progressive clip of one frame a second, so it waits a
    // second for its verdict while the second look sees interlaced frames.
    TempDir dir;
    const QString interlaced = makeClip(dir.file(QStringLiteral("woven.mpg")), true);
    const QString slow = dir.file(QStringLiteral("slow.mkv"));
    runTool(QStringLiteral("ffmpeg"),
            {"-v", "error", "-nostdin", "-y", "-f", "lavfi", "-i",
             "testsrc2=size=320x240:rate=1:duration=4", "-c:v", "mpeg4", slow});
    std::optional<bool> first;
    std::thread earlier([&] { first = SharedVlcFactory().IsInterlaced(slow); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::optional<bool> second = SharedVlcFactory().IsInterlaced(interlaced);
    earlier.join();
    EXPECT_EQ(first, std::optional<bool>(false));
    EXPECT_EQ(second, std::optional<bool>(true));
}
