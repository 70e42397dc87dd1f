// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped catalogue, res/Formats.ini, offers only what Debian's libVLC can write: every
// video and audio codec of every target converts a clip at the default settings into a file
// that ffprobe reads with the expected codecs, two audio channels and the source's length.
#include "CIniFile.h"
#include "FormatCatalog.h"
#include "OutputCheck.h"
#include "OutputNaming.h"
#include "QStringPrinting.h"
#include "SampleClips.h"
#include "TempDir.h"
#include "VlcTestSupport.h"

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
        {QStringLiteral(".mp4"), QStringLiteral("mp4")},  {QStringLiteral(".m4v"), QStringLiteral("mp4")},
        {QStringLiteral(".mov"), QStringLiteral("mov")},  {QStringLiteral(".3gp"), QStringLiteral("3gp")},
        {QStringLiteral(".avi"), QStringLiteral("avi")},  {QStringLiteral(".wmv"), QStringLiteral("asf")},
        {QStringLiteral(".asf"), QStringLiteral("asf")},  {QStringLiteral(".mpg"), QStringLiteral("mpeg")},
        {QStringLiteral(".mpeg"), QStringLiteral("mpeg")}, {QStringLiteral(".flv"), QStringLiteral("flv")},
        {QStringLiteral(".mkv"), QStringLiteral("matroska")}, {QStringLiteral(".webm"), QStringLiteral("webm")},
        {QStringLiteral(".ogg"), QStringLiteral("ogg")},  {QStringLiteral(".ts"), QStringLiteral("mpegts")},
    };
    return containers.value(target.toLower());
}

struct Combination
{
    QString target, muxer, videoCodec, audioCodec;
    std::string name() const
    {
        return (target + QLatin1Char(' ') + muxer + QLatin1Char(' ') + videoCodec
                + QLatin1Char(' ') + audioCodec)
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
    for (const QString &target : catalogue.list(QStringLiteral("genral"), QStringLiteral("Extentions"))) {
        for (const QString &muxer : catalogue.list(QStringLiteral("muxer"), target)) {
            const QStringList video = catalogue.list(QStringLiteral("VC"), muxer);
            const QStringList audio = catalogue.list(QStringLiteral("AC"), muxer);
            for (qsizetype v = 0; v < video.size(); ++v)
                for (qsizetype a = 0; a < audio.size(); ++a)
                    if (full || a == 0 || v == 0)
                        result.append({target, muxer, video.at(v), audio.at(a)});
        }
    }
    return result;
}

bool LooksLikeWebm(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(64).contains("webm");
}

} // namespace

TEST(Catalogue, EveryTargetLeadsToUsableLists)
{
    const std::optional<Catalogue> catalogue = Catalogue::Load(CataloguePath());
    ASSERT_TRUE(catalogue) << "cannot read " << CataloguePath().toStdString();

    const QStringList targets = catalogue->list(QStringLiteral("genral"), QStringLiteral("Extentions"));
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
                const auto codecs = catalogue->value(QLatin1String(section), muxer);
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
    EXPECT_LE(catalogue->value(QStringLiteral("genral"), QStringLiteral("Extentions"))->size(), 255);
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
    constexpr double SourceSeconds = 2.0;
    const QString source = SampleClips::Mov(dir.path(), {.seconds = SourceSeconds});

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
        EXPECT_EQ(CheckTranscodeTuning(ini, settings), QString());
        const QString option =
            OutputNaming::TranscodeOptionFor(settings, output, ini, source, SharedVlcFactory());
        control->addTarget(source, {option}, 10, -666);
        const ConversionRun run = WaitUntilIdle(*control);
        const CMediaFacts sourceFacts = control->SourceFacts();
        const QString writeError = control->WriteError();
        control->playlistClear();
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
        EXPECT_EQ(SampleClips::DecodeErrors(output), QString());
    }
    std::cout << combinations.size() << " combinations converted and checked in "
              << total.elapsed() / 1000.0 << " s" << std::endl;
}
