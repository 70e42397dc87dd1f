// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/FormatCatalog.h"

#include "settings/CIniFile.h"
#include "tests/support/CascadeFixture.h"
#include "tests/support/TempDir.h"

namespace {

Write w(const char *name, const char *value)
{
    return {QString::fromUtf8(name), QString::fromUtf8(value)};
}

QStringList list(std::initializer_list<const char *> items)
{
    QStringList out;
    for (const char *item : items)
        out << QString::fromUtf8(item);
    return out;
}

}   // namespace

TEST(SplitList, EverySegmentCountsEmptyOnesIncluded)
{
    EXPECT_EQ(SplitList(QStringLiteral("a|b")), list({"a", "b"}));
    EXPECT_EQ(SplitList(QStringLiteral("a||b")), list({"a", "", "b"}));
    EXPECT_EQ(SplitList(QStringLiteral("a|")), list({"a", ""}));
    EXPECT_EQ(SplitList(QStringLiteral("|a")), list({"", "a"}));
    EXPECT_EQ(SplitList(QStringLiteral("|")), list({"", ""}));
    EXPECT_EQ(SplitList(QString()), list({""}));
    EXPECT_EQ(SplitList(QStringLiteral(" a | b ")), list({" a ", " b "}));
}

TEST_F(FormatCascade, LoadListPublishesTheRawTextThenItsFlag)
{
    QStringList target = list({"stale"});
    m_cascade.LoadList(QStringLiteral("_root.audioCodecStr"), QStringLiteral("avi"),
                       QStringLiteral("AC"), target);
    EXPECT_EQ(m_writes,
              Writes({w("_root.audioCodecStr", "mpga|mp3|"), w("_root.audioCodecFlag", "1")}));
    EXPECT_EQ(target, list({"mpga", "mp3", ""}));

    // A missing key: the movie still gets "" and the flag, the list one empty entry.
    m_writes.clear();
    m_cascade.LoadList(QStringLiteral("_root.videoCodecStr"), QStringLiteral("nothing"),
                       QStringLiteral("VC"), target);
    EXPECT_EQ(m_writes, Writes({w("_root.videoCodecStr", ""), w("_root.videoCodecFlag", "1")}));
    EXPECT_EQ(target, list({""}));
}

TEST_F(FormatCascade, StartUpLoadsTheFourListsInOrderAndSetsTheDefaults)
{
    m_cascade.LoadAtStartup();
    EXPECT_EQ(m_writes, Writes({
                            w("_root.convertToStr", ".mp4|.avi|.webm"),
                            w("_root.convertToFlag", "1"),
                            w("_root.containerStr", "mp4|mov"),
                            w("_root.containerFlag", "1"),
                            w("_root.videoCodecStr", "h264|mp4v"),
                            w("_root.videoCodecFlag", "1"),
                            w("_root.audioCodecStr", "mp4a|mp3"),
                            w("_root.audioCodecFlag", "1"),
                        }));
    EXPECT_EQ(m_formats.convertToList, list({".mp4", ".avi", ".webm"}));
    EXPECT_EQ(m_formats.containerList, list({"mp4", "mov"}));
    EXPECT_EQ(m_formats.videoCodecList, list({"h264", "mp4v"}));
    EXPECT_EQ(m_formats.audioCodecList, list({"mp4a", "mp3"}));

    EXPECT_EQ(m_settings.convertTo, QStringLiteral(".mp4"));
    EXPECT_EQ(m_settings.container, QStringLiteral("mp4"));
    EXPECT_EQ(m_settings.videoCodec, QStringLiteral("h264"));
    EXPECT_EQ(m_settings.videoBitrate, QStringLiteral("1024"));
    EXPECT_EQ(m_settings.videoScale, QStringLiteral("1"));
    EXPECT_EQ(m_settings.audioCodec, QStringLiteral("mp4a"));
    EXPECT_EQ(m_settings.audioBitrate, QStringLiteral("128"));
    EXPECT_EQ(m_settings.audioChannels, QStringLiteral("2"));
}

TEST(FormatCatalogue, ALongListKeepsEveryTarget)
{
    TempDir dir;
    QStringList targets;
    for (int i = 0; i < 10000; ++i)
        targets << QStringLiteral(".t%1").arg(i);
    dir.write(QStringLiteral("Formats.ini"),
              "[genral]\nExtentions=" + targets.join(QLatin1Char('|')).toUtf8() + "\n");
    CIniFile ini(dir.dirWithSlash());
    ini.SetPath(QStringLiteral("Formats.ini"));
    FormatCatalog formats;
    ConversionSettings settings;
    CFormatCascade cascade(ini, formats, settings, [](const QString &, const QString &) {});
    cascade.LoadAtStartup();
    EXPECT_EQ(formats.convertToList, targets);
}

TEST_F(FormatCascade, ChoosingATargetReloadsItsMuxersAndCodecsAndKeepsTheRates)
{
    m_cascade.LoadAtStartup();
    m_settings.videoBitrate = QStringLiteral("2048");
    m_settings.videoScale = QStringLiteral("0.5");
    m_settings.audioBitrate = QStringLiteral("192");
    m_settings.audioChannels = QStringLiteral("1");
    m_writes.clear();

    // The file is read afresh: an edit made while the program runs shows up at the next choice.
    m_dir.write(QStringLiteral("Formats.ini"),
                QByteArray(SmallCatalogue).replace("mpga|mp3|", "mp3"));
    m_cascade.SelectTarget(QStringLiteral(".avi"));
    EXPECT_EQ(m_writes, Writes({
                            w("_root.containerStr", "avi"),
                            w("_root.containerFlag", "1"),
                            w("_root.videoCodecStr", "mp4v|DIV3|h264"),
                            w("_root.videoCodecFlag", "1"),
                            w("_root.audioCodecStr", "mp3"),
                            w("_root.audioCodecFlag", "1"),
                        }));
    EXPECT_EQ(m_settings.convertTo, QStringLiteral(".avi"));
    EXPECT_EQ(m_settings.container, QStringLiteral("avi"));
    EXPECT_EQ(m_settings.videoCodec, QStringLiteral("mp4v"));
    EXPECT_EQ(m_settings.audioCodec, QStringLiteral("mp3"));
    EXPECT_EQ(m_settings.videoBitrate, QStringLiteral("2048"));
    EXPECT_EQ(m_settings.videoScale, QStringLiteral("0.5"));
    EXPECT_EQ(m_settings.audioBitrate, QStringLiteral("192"));
    EXPECT_EQ(m_settings.audioChannels, QStringLiteral("1"));
    EXPECT_EQ(m_formats.convertToList, list({".mp4", ".avi", ".webm"}));

    // Letter case of the target does not matter for the lookup; the target is kept as chosen.
    m_cascade.SelectTarget(QStringLiteral(".WebM"));
    EXPECT_EQ(m_settings.convertTo, QStringLiteral(".WebM"));
    EXPECT_EQ(m_formats.containerList, list({"avformat"}));
    EXPECT_EQ(m_settings.videoCodec, QStringLiteral("VP80"));
    EXPECT_EQ(m_settings.audioCodec, QStringLiteral("vorb"));
}

TEST_F(FormatCascade, AnUnknownTargetGivesEmptyListsAndStillRaisesTheFlags)
{
    m_cascade.LoadAtStartup();
    m_writes.clear();
    m_cascade.SelectTarget(QStringLiteral(".xyz"));
    EXPECT_EQ(m_writes, Writes({
                            w("_root.containerStr", ""),
                            w("_root.containerFlag", "1"),
                            w("_root.videoCodecStr", ""),
                            w("_root.videoCodecFlag", "1"),
                            w("_root.audioCodecStr", ""),
                            w("_root.audioCodecFlag", "1"),
                        }));
    EXPECT_EQ(m_formats.containerList, list({""}));
    EXPECT_EQ(m_formats.videoCodecList, list({""}));
    EXPECT_EQ(m_formats.audioCodecList, list({""}));
    EXPECT_EQ(m_settings.convertTo, QStringLiteral(".xyz"));
    EXPECT_TRUE(m_settings.container.isEmpty());
    EXPECT_TRUE(m_settings.videoCodec.isEmpty());
    EXPECT_TRUE(m_settings.audioCodec.isEmpty());
}

TEST_F(FormatCascade, ChoosingAMuxerReloadsOnlyItsCodecs)
{
    m_cascade.LoadAtStartup();
    m_writes.clear();
    m_cascade.SelectMuxer(QStringLiteral("mov"));
    EXPECT_EQ(m_writes, Writes({
                            w("_root.videoCodecStr", "mp4v"),
                            w("_root.videoCodecFlag", "1"),
                            w("_root.audioCodecStr", "mp4a"),
                            w("_root.audioCodecFlag", "1"),
                        }));
    EXPECT_EQ(m_settings.convertTo, QStringLiteral(".mp4"));
    EXPECT_EQ(m_formats.containerList, list({"mp4", "mov"}));
    EXPECT_EQ(m_settings.container, QStringLiteral("mov"));
    EXPECT_EQ(m_settings.videoCodec, QStringLiteral("mp4v"));
    EXPECT_EQ(m_settings.audioCodec, QStringLiteral("mp4a"));
    EXPECT_EQ(m_settings.videoBitrate, QStringLiteral("1024"));
}

class PerTargetCodecs : public FormatCascade
{
protected:
    // One muxer (FFmpeg's, which picks its container from the extension) for two targets, each
    // with its own codecs; .webm has none of its own and keeps the muxer's.
    PerTargetCodecs()
        : FormatCascade(QByteArray(SmallCatalogue)
                            .replace(".avi=avi\n", ".avi=avformat\n")
                            .replace("[VC]\n", "[VC]\n.avi/avformat=mp4v|h264\n")
                            .replace("[AC]\n", "[AC]\n.AVI/avformat=mp3\n"))
    {
    }
};

TEST_F(PerTargetCodecs, ATargetsOwnListsWinOverItsMuxersEverywhereTheyAreLoaded)
{
    m_cascade.LoadAtStartup();
    m_cascade.SelectTarget(QStringLiteral(".avi"));
    EXPECT_EQ(m_formats.videoCodecList, list({"mp4v", "h264"}));
    EXPECT_EQ(m_formats.audioCodecList, list({"mp3"}));
    m_cascade.SelectMuxer(QStringLiteral("avformat"));
    EXPECT_EQ(m_formats.videoCodecList, list({"mp4v", "h264"}));
    EXPECT_EQ(m_settings.audioCodec, QStringLiteral("mp3"));
    m_cascade.SelectTarget(QStringLiteral(".webm"));
    EXPECT_EQ(m_formats.videoCodecList, list({"VP80"}));
    EXPECT_EQ(m_formats.audioCodecList, list({"vorb", "opus"}));
}

class EmptyCatalogue : public FormatCascade
{
protected:
    EmptyCatalogue()
        : FormatCascade(QByteArray())
    {
    }
};

TEST_F(EmptyCatalogue, StartUpWithoutEntriesGivesEmptyChoicesAndTheFixedDefaults)
{
    m_cascade.LoadAtStartup();
    ASSERT_EQ(m_writes.size(), 8);
    for (qsizetype i = 0; i < m_writes.size(); i += 2) {
        EXPECT_EQ(m_writes[i].second, QString()) << m_writes[i].first.toStdString();
        EXPECT_EQ(m_writes[i + 1].second, QStringLiteral("1"));
    }
    EXPECT_EQ(m_formats.convertToList, list({""}));
    EXPECT_TRUE(m_settings.convertTo.isEmpty());
    EXPECT_TRUE(m_settings.container.isEmpty());
    EXPECT_EQ(m_settings.videoBitrate, QStringLiteral("1024"));
    EXPECT_EQ(m_settings.audioChannels, QStringLiteral("2"));
}
