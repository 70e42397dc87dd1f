// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped catalogue, res/Formats.ini, offers only what Debian's libVLC can write: every
// video and audio codec of every target converts a clip at the default settings into a file
// that ffprobe reads with the expected codecs, two audio channels and the source's length, and
// that the three families of players play: libVLC from its start and after a seek, FFmpeg and
// GStreamer to its end without an error.
#include "VlcTestSupport.h"
#include "convert/OutputCheck.h"
#include "convert/OutputNaming.h"
#include "convert/TranscodeOption.h"
#include "settings/CIniFile.h"
#include "settings/FormatCatalog.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/SampleClips.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTextStream>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>

namespace {

// The ini as the program reads it: names compare without regard to case, a line is split at
// its first '=', names and values are trimmed, the first of duplicates wins.
class Catalogue
{
public:
    static std::optional<Catalogue> Load(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return std::nullopt;
        Catalogue c;
        QString section;
        QTextStream in(&file);
        while (!in.atEnd()) {
            const QString line = in.readLine().trimmed();
            if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
                section = line.mid(1, line.size() - 2).trimmed().toLower();
                continue;
            }
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (section.isEmpty() || line.startsWith(QLatin1Char(';')) || eq < 0)
                continue;
            const QString key = section + QLatin1Char('/') + line.left(eq).trimmed().toLower();
            if (!c.m_values.contains(key))
                c.m_values.insert(key, line.mid(eq + 1).trimmed());
        }
        return c;
    }

    std::optional<QString> value(const QString &section, const QString &key) const
    {
        const auto it = m_values.constFind(section.toLower() + QLatin1Char('/') + key.toLower());
        return it == m_values.constEnd() ? std::nullopt : std::optional<QString>(*it);
    }
    QStringList list(const QString &section, const QString &key) const
    {
        return SplitList(value(section, key).value_or(QString()));
    }
    // [VC] or [AC]: the target's own list for the muxer when there is one.
    std::optional<QString> codecs(const QString &section, const QString &target,
                                  const QString &muxer) const
    {
        const auto own = value(section, target + QLatin1Char('/') + muxer);
        return own && !own->isEmpty() ? own : value(section, muxer);
    }

private:
    QHash<QString, QString> m_values;
};

QString CataloguePath()
{
    const QString sourceDir = qEnvironmentVariable("MOVARIN_SOURCE_DIR",
                                                   QStringLiteral(MOVARIN_TEST_SOURCE_DIR));
    return sourceDir + QStringLiteral("/res/Formats.ini");
}

// What ffprobe calls the output of each libVLC encoder of the catalogue.
QString ProbeNameOfCodec(const QString &codec)
{
    static const QHash<QString, QString> names = {
        {QStringLiteral("h264"), QStringLiteral("h264")},
        {QStringLiteral("h265"), QStringLiteral("hevc")},
        {QStringLiteral("hevc"), QStringLiteral("hevc")},
        {QStringLiteral("mp4v"), QStringLiteral("mpeg4")},
        {QStringLiteral("div3"), QStringLiteral("msmpeg4v3")},
        {QStringLiteral("wmv1"), QStringLiteral("wmv1")},
        {QStringLiteral("wmv2"), QStringLiteral("wmv2")},
        {QStringLiteral("mp2v"), QStringLiteral("mpeg2video")},
        {QStringLiteral("mp1v"), QStringLiteral("mpeg1video")},
        {QStringLiteral("theo"), QStringLiteral("theora")},
        {QStringLiteral("flv1"), QStringLiteral("flv1")},
        {QStringLiteral("vp80"), QStringLiteral("vp8")},
        {QStringLiteral("h263"), QStringLiteral("h263")},
        {QStringLiteral("mp4a"), QStringLiteral("aac")},
        {QStringLiteral("mp3"), QStringLiteral("mp3")},
        {QStringLiteral("mpga"), QStringLiteral("mp2")},
        {QStringLiteral("wma2"), QStringLiteral("wmav2")},
        {QStringLiteral("vorb"), QStringLiteral("vorbis")},
        {QStringLiteral("opus"), QStringLiteral("opus")},
        {QStringLiteral("flac"), QStringLiteral("flac")},
        {QStringLiteral("a52"), QStringLiteral("ac3")},
    };
    return names.value(codec.toLower());
}

// Part of ffprobe's format name that each target's container must show.
QString ContainerOfTarget(const QString &target)
{
    static const QHash<QString, QString> containers = {
        {QStringLiteral(".mp4"), QStringLiteral("mp4")},
        {QStringLiteral(".m4v"), QStringLiteral("mp4")},
        {QStringLiteral(".mov"), QStringLiteral("mov")},
        {QStringLiteral(".3gp"), QStringLiteral("3gp")},
        {QStringLiteral(".avi"), QStringLiteral("avi")},
        {QStringLiteral(".wmv"), QStringLiteral("asf")},
        {QStringLiteral(".asf"), QStringLiteral("asf")},
        {QStringLiteral(".mpg"), QStringLiteral("mpeg")},
        {QStringLiteral(".mpeg"), QStringLiteral("mpeg")},
        {QStringLiteral(".flv"), QStringLiteral("flv")},
        {QStringLiteral(".mkv"), QStringLiteral("matroska")},
        {QStringLiteral(".webm"), QStringLiteral("webm")},
        {QStringLiteral(".ogg"), QStringLiteral("ogg")},
        {QStringLiteral(".ts"), QStringLiteral("mpegts")},
    };
    return containers.value(target.toLower());
}

struct Combination
{
    QString target, muxer, videoCodec, audioCodec;
    std::string name() const
    {
        return (target + QLatin1Char(' ') + muxer + QLatin1Char(' ') + videoCodec + QLatin1Char(' ')
                + audioCodec)
            .toStdString();
    }
};

// Every codec of every muxer of every target: each video codec with the muxer's first audio
// codec, and each further audio codec with its first video codec. MOVARIN_CATALOGUE_FULL=1
// takes every pair instead.
QList<Combination> Combinations(const Catalogue &catalogue)
{
    const bool full = qEnvironmentVariableIntValue("MOVARIN_CATALOGUE_FULL") == 1;
    QList<Combination> result;
    for (const QString &target :
         catalogue.list(QStringLiteral("genral"), QStringLiteral("Extentions"))) {
        for (const QString &muxer : catalogue.list(QStringLiteral("muxer"), target)) {
            const QStringList video = SplitList(
                catalogue.codecs(QStringLiteral("VC"), target, muxer).value_or(QString()));
            const QStringList audio = SplitList(
                catalogue.codecs(QStringLiteral("AC"), target, muxer).value_or(QString()));
            for (qsizetype v = 0; v < video.size(); ++v)
                for (qsizetype a = 0; a < audio.size(); ++a)
                    if (full || a == 0 || v == 0)
                        result.append({target, muxer, video.at(v), audio.at(a)});
        }
    }
    return result;
}

// The combinations that one family of players cannot play, for a reason no setting of libVLC
// 3.0.24 removes; the help page and the README name each. The other players still must play
// them.
struct KnownFault
{
    const char *target, *muxer, *videoCodec;
    bool libVlc, gstreamer;
};
constexpr KnownFault KnownFaults[] = {
    // VLC's clock runs ahead in libVLC's ASF files, so a seek lands seconds away from where it
    // was aimed. (GStreamer plays them once their header's object count is put right.)
    {".wmv", "asf", "WMV2", true, false},
    {".asf", "asf", "WMV2", true, false},
    // FFmpeg's AVI muxer keeps H.264's parameter sets only in the stream header, where
    // GStreamer's parser does not look for them.
    {".avi", "avformat", "h264", false, true},
};

const KnownFault *knownFault(const Combination &c)
{
    for (const KnownFault &fault : KnownFaults)
        if (c.target == QLatin1String(fault.target) && c.muxer == QLatin1String(fault.muxer)
            && c.videoCodec == QLatin1String(fault.videoCodec))
            return &fault;
    return nullptr;
}

bool LooksLikeWebm(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(64).contains("webm");
}

}   // namespace

TEST(Catalogue, EveryTargetLeadsToUsableLists)
{
    const std::optional<Catalogue> catalogue = Catalogue::Load(CataloguePath());
    ASSERT_TRUE(catalogue) << "cannot read " << CataloguePath().toStdString();

    const QStringList targets = catalogue->list(QStringLiteral("genral"),
                                                QStringLiteral("Extentions"));
    for (const char *required :
         {".mp4", ".mkv", ".avi", ".mov", ".wmv", ".mpg", ".flv", ".webm", ".ogg", ".3gp", ".ts"})
        EXPECT_TRUE(targets.contains(QLatin1String(required))) << required;
    EXPECT_EQ(QStringList(targets).removeDuplicates(), 0);

    for (const QString &target : targets) {
        SCOPED_TRACE(target.toStdString());
        EXPECT_TRUE(target.startsWith(QLatin1Char('.')) && target.size() > 1);
        EXPECT_FALSE(ContainerOfTarget(target).isEmpty()) << "no container known for the target";
        const auto muxers = catalogue->value(QStringLiteral("muxer"), target);
        ASSERT_TRUE(muxers) << "no muxers";
        for (const QString &muxer : SplitList(*muxers)) {
            SCOPED_TRACE(muxer.toStdString());
            EXPECT_FALSE(muxer.isEmpty());
            for (const char *section : {"VC", "AC"}) {
                const auto codecs = catalogue->codecs(QLatin1String(section), target, muxer);
                ASSERT_TRUE(codecs) << "no " << section << " list for the muxer";
                // The program's ini reader cuts longer values.
                EXPECT_LE(codecs->size(), 255);
                for (const QString &codec : SplitList(*codecs)) {
                    EXPECT_FALSE(codec.isEmpty()) << section;
                    EXPECT_FALSE(ProbeNameOfCodec(codec).isEmpty())
                        << "unknown codec " << codec.toStdString();
                }
            }
        }
    }
    EXPECT_LE(catalogue->value(QStringLiteral("genral"), QStringLiteral("Extentions"))->size(),
              255);
}

TEST(Catalogue, EveryCodecOfEveryTargetConverts)
{
    const std::optional<Catalogue> catalogue = Catalogue::Load(CataloguePath());
    ASSERT_TRUE(catalogue) << "cannot read " << CataloguePath().toStdString();
    const QList<Combination> combinations = Combinations(*catalogue);
    ASSERT_FALSE(combinations.isEmpty());

    CIniFile ini;
    ini.SetPath(CataloguePath());
    TempDir dir;
    // Longer than x264's default key-frame interval (10 s), small to keep the run short.
    constexpr double SourceSeconds = 12.0;
    const QString source
        = SampleClips::Mov(dir.path(), {.width = 320, .height = 180, .seconds = SourceSeconds});

    QElapsedTimer total;
    total.start();
    int number = 0;
    for (const Combination &c : combinations) {
        SCOPED_TRACE(c.name());
        const QString folder = dir.file(QStringLiteral("out%1").arg(++number));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString output = OutputNaming::DefaultCandidate(source, false, folder, c.target);
        const ConversionSettings settings{c.target,
                                          c.muxer,
                                          c.videoCodec,
                                          QStringLiteral("1024"),
                                          QStringLiteral("1"),
                                          c.audioCodec,
                                          QStringLiteral("128"),
                                          QStringLiteral("2")};
        QElapsedTimer one;
        one.start();
        std::unique_ptr<CVLCControl> control = SharedVlcFactory().CreateControl();
        // The option as the program builds it, with the catalogue's own tuning for the codec.
        EXPECT_EQ(TranscodeOption::CheckTuning(ini, settings), QString());
        const QString option = TranscodeOption::BuildFor(settings, output, ini, source,
                                                         SharedVlcFactory());
        control->addTarget(source, {option}, 10, -666);
        const ConversionRun run = WaitUntilIdle(*control);
        const CMediaFacts sourceFacts = control->SourceFacts();
        const QString writeError = control->WriteError();
        control->playlistClear();
        // The header put right as the program does it before it reads an output back.
        EXPECT_EQ(control->ArrangeTracks(output), QString());
        std::cout << "  " << c.name() << "  " << one.elapsed() << " ms" << std::endl;
        if (!run.ended) {
            ADD_FAILURE() << "never fell idle";
            continue;
        }
        if (!QFile::exists(output)) {
            ADD_FAILURE() << "no output written at " << output.toStdString();
            continue;
        }
        // The program's own judgement agrees: this output is whole.
        EXPECT_EQ(writeError, QString());
        EXPECT_EQ(OutputCheck::WhyNotWhole(sourceFacts, control->ProbeFile(output)), QString());
        SampleClips::ProbeResult probe;
        try {
            probe = SampleClips::Probe(output);
        } catch (const SampleClips::SampleClipError &e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        EXPECT_TRUE(probe.formatName.contains(ContainerOfTarget(c.target)))
            << "container " << probe.formatName.toStdString();
        if (c.target == QLatin1String(".webm")) {
            EXPECT_TRUE(LooksLikeWebm(output)) << "not a WebM document";
        }
        EXPECT_EQ(probe.videoCodec, ProbeNameOfCodec(c.videoCodec));
        EXPECT_EQ(probe.audioCodec, ProbeNameOfCodec(c.audioCodec));
        EXPECT_EQ(probe.audioChannels, 2);
        EXPECT_NEAR(probe.contentDuration, SourceSeconds, 1.0);
        // The players, FFmpeg and GStreamer in their own processes while libVLC plays.
        PlayerChecks::ToolChecks tools(output);
        const QString libVlc = PlayerChecks::LibVlcProblem(output);
        const QString ffmpeg = tools.ffmpegProblem();
        const QString gstreamer = tools.gstreamerProblem();
        const KnownFault *known = knownFault(c);
        std::cout << "    libVLC " << (libVlc.isEmpty() ? "plays" : libVlc.toStdString())
                  << " | FFmpeg " << (ffmpeg.isEmpty() ? "plays" : "fails") << " | GStreamer "
                  << (gstreamer.isEmpty() ? "plays" : "fails") << std::endl;
        if (!known || !known->libVlc) {
            EXPECT_EQ(libVlc, QString()) << "libVLC";
        }
        EXPECT_EQ(ffmpeg, QString());
        if (!known || !known->gstreamer) {
            EXPECT_EQ(gstreamer, QString());
        }
    }
    std::cout << combinations.size() << " combinations converted and checked in "
              << total.elapsed() / 1000.0 << " s" << std::endl;
}
