// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/SettingsCheck.h"
#include "convert/TranscodeOption.h"
#include "settings/CIniFile.h"
#include "settings/FormatCatalog.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {
ConversionSettings sound()
{
    return {".mp4", "mp4", "h264", "1024", "1", "mp4a", "128", "2"};
}

// A catalogue file to look keys up in, with the given text.
class Catalogue
{
public:
    explicit Catalogue(const QByteArray &text = {})
        : ini(m_dir.dirWithSlash())
    {
        m_dir.write(QStringLiteral("Formats.ini"), text);
        ini.SetPath(QStringLiteral("Formats.ini"));
    }

private:
    TempDir m_dir;

public:
    CIniFile ini;
};
}   // namespace

TEST(SettingsCheck, EveryShippedKindOfValuePasses)
{
    for (const char *name : {"mp4", "avformat", "avformat{}", "3gp", "DIV3", "WMV2", "x264-10bit",
                             "avformat{mux=webm}", "x264{preset=slow,crf=20.5}"})
        EXPECT_TRUE(TranscodeOption::IsModuleName(QString::fromLatin1(name))) << name;
    for (const char *target : {".mp4", ".3gp", ".m4v"})
        EXPECT_TRUE(SettingsCheck::IsTarget(QString::fromLatin1(target))) << target;
    ConversionSettings s = sound();
    s.videoScale = QStringLiteral("0.25");
    Catalogue empty;
    EXPECT_EQ(SettingsCheck::Problem(s, {}, empty.ini), QString());
}

TEST(SettingsCheck, NothingThatCouldChangeTheChainOrTheFileNamePasses)
{
    for (const char *name : {"h264}:std{access=file,mux=ts,dst=/home/u/notes.txt}", "h264\"",
                             "mp4,dst=x", "", "ts:duplicate{dst=std}", "a b", "x{dst=\"/etc/x\"}",
                             "x{a=b}{c=d}", "x{a=b}:y", "x{a}", "h264\n"})
        EXPECT_FALSE(TranscodeOption::IsModuleName(QString::fromLatin1(name))) << name;
    for (const char *target : {"mp4", ".mp4/../../x", "./x", ".", ".mp4 ", ".mp4\n"})
        EXPECT_FALSE(SettingsCheck::IsTarget(QString::fromLatin1(target))) << target;

    Catalogue empty;
    const auto bad = [&empty](auto change) {
        ConversionSettings s = sound();
        change(s);
        return !SettingsCheck::Problem(s, {}, empty.ini).isEmpty();
    };
    EXPECT_TRUE(bad([](ConversionSettings &s) { s.videoBitrate = "1024}"; }));
    EXPECT_TRUE(bad([](ConversionSettings &s) { s.videoBitrate = "0"; }));
    EXPECT_TRUE(bad([](ConversionSettings &s) { s.videoBitrate = "1024\n"; }));
    EXPECT_TRUE(bad([](ConversionSettings &s) { s.videoScale = "1\n"; }));
    EXPECT_TRUE(bad([](ConversionSettings &s) { s.videoScale = "0"; }));
    EXPECT_TRUE(bad([](ConversionSettings &s) { s.videoScale = "1e3"; }));
    EXPECT_TRUE(bad([](ConversionSettings &s) { s.audioBitrate = "-128"; }));
    EXPECT_TRUE(bad([](ConversionSettings &s) { s.audioChannels = "9"; }));
    EXPECT_TRUE(bad([](ConversionSettings &s) { s.audioCodec = "mp4a,acodec=x"; }));
}

TEST(SettingsCheck, TheMessageNamesTheValueAndWhereItCameFrom)
{
    Catalogue file;
    FormatCatalog catalog;
    catalog.containerList = {"ts|x", "mp4"};
    ConversionSettings s = sound();
    s.container = QStringLiteral("ts|x");
    s.convertTo = QStringLiteral(".mp4");
    EXPECT_EQ(SettingsCheck::Problem(s, catalog, file.ini),
              "The muxer \"ts|x\" (from Formats.ini, section [muxer], key .mp4) is not valid: use "
              "letters, digits, \"_\" and \"-\" only. Nothing was converted.");
    s = sound();
    s.audioChannels = QStringLiteral("two");
    EXPECT_EQ(SettingsCheck::Problem(s, catalog, file.ini),
              "The channel count \"two\" (from the channels setting) is not valid: give a whole "
              "number from 1 to 8. Nothing was converted.");
}

TEST(SettingsCheck, ACodecFromATargetsOwnListNamesThatKey)
{
    Catalogue file("[VC]\n.avi/avformat=h 264\navformat=h 264\n"
                   "[AC]\navformat=mp 3\n");
    FormatCatalog catalog;
    catalog.videoCodecList = {"h 264"};
    catalog.audioCodecList = {"mp 3"};
    ConversionSettings s = sound();
    s.convertTo = QStringLiteral(".avi");
    s.container = QStringLiteral("avformat");
    s.videoCodec = QStringLiteral("h 264");
    EXPECT_TRUE(
        SettingsCheck::Problem(s, catalog, file.ini)
            .contains(QStringLiteral("(from Formats.ini, section [VC], key .avi/avformat)")));
    s = sound();
    s.convertTo = QStringLiteral(".avi");
    s.container = QStringLiteral("avformat");
    s.audioCodec = QStringLiteral("mp 3");
    EXPECT_TRUE(SettingsCheck::Problem(s, catalog, file.ini)
                    .contains(QStringLiteral("(from Formats.ini, section [AC], key avformat)")));
}
