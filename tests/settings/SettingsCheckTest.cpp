// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormatCatalog.h"
#include "QStringPrinting.h"
#include "SettingsCheck.h"

#include <gtest/gtest.h>

namespace {
ConversionSettings sound()
{
    return {".mp4", "mp4", "h264", "1024", "1", "mp4a", "128", "2"};
}
} // namespace

TEST(SettingsCheck, EveryShippedKindOfValuePasses)
{
    for (const char *name : {"mp4", "avformat", "avformat{}", "3gp", "DIV3", "WMV2", "x264-10bit",
                             "avformat{mux=webm}", "x264{preset=slow,crf=20.5}"})
        EXPECT_TRUE(SettingsCheck::IsModuleName(QString::fromLatin1(name))) << name;
    for (const char *target : {".mp4", ".3gp", ".m4v"})
        EXPECT_TRUE(SettingsCheck::IsTarget(QString::fromLatin1(target))) << target;
    ConversionSettings s = sound();
    s.videoScale = QStringLiteral("0.25");
    EXPECT_EQ(SettingsCheck::Problem(s, {}), QString());
}

TEST(SettingsCheck, NothingThatCouldChangeTheChainOrTheFileNamePasses)
{
    for (const char *name :
         {"h264}:std{access=file,mux=ts,dst=/home/u/notes.txt}", "h264\"", "mp4,dst=x", "",
          "ts:duplicate{dst=std}", "a b", "x{dst=\"/etc/x\"}", "x{a=b}{c=d}", "x{a=b}:y", "x{a}"})
        EXPECT_FALSE(SettingsCheck::IsModuleName(QString::fromLatin1(name))) << name;
    for (const char *target : {"mp4", ".mp4/../../x", "./x", ".", ".mp4 "})
        EXPECT_FALSE(SettingsCheck::IsTarget(QString::fromLatin1(target))) << target;

    const auto bad = [](auto change) {
        ConversionSettings s = sound();
        change(s);
        return !SettingsCheck::Problem(s, {}).isEmpty();
    };
    EXPECT_TRUE(bad([](ConversionSettings &s) { s.videoBitrate = "1024}"; }));
    EXPECT_TRUE(bad([](ConversionSettings &s) { s.videoBitrate = "0"; }));
    EXPECT_TRUE(bad([](ConversionSettings &s) { s.videoScale = "0"; }));
    EXPECT_TRUE(bad([](ConversionSettings &s) { s.videoScale = "1e3"; }));
    EXPECT_TRUE(bad([](ConversionSettings &s) { s.audioBitrate = "-128"; }));
    EXPECT_TRUE(bad([](ConversionSettings &s) { s.audioChannels = "9"; }));
    EXPECT_TRUE(bad([](ConversionSettings &s) { s.audioCodec = "mp4a,acodec=x"; }));
}

TEST(SettingsCheck, TheMessageNamesTheValueAndWhereItCameFrom)
{
    FormatCatalog catalog;
    catalog.containerList = {"ts|x", "mp4"};
    ConversionSettings s = sound();
    s.container = QStringLiteral("ts|x");
    s.convertTo = QStringLiteral(".mp4");
    EXPECT_EQ(SettingsCheck::Problem(s, catalog),
              "The muxer \"ts|x\" (from Formats.ini, section [muxer], key .mp4) is not valid: use "
              "letters, digits, \"_\" and \"-\" only. Nothing was converted.");
    s = sound();
    s.audioChannels = QStringLiteral("two");
    EXPECT_EQ(SettingsCheck::Problem(s, catalog),
              "The channel count \"two\" (from the channels setting) is not valid: give a whole "
              "number from 1 to 8. Nothing was converted.");
}
