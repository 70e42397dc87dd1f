// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/TranscodeOption.h"

#include "convert/CVLCControl.h"
#include "settings/CIniFile.h"
#include "settings/FormatCatalog.h"
#include "tests/support/CascadeFixture.h"
#include "tests/support/Mp4Settings.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using namespace TranscodeOption;

TEST(TranscodeOption, ExactTextForAPlainPath)
{
    EXPECT_EQ(Build(Mp4Settings(), QStringLiteral("/out/my clip.mp4")),
              QStringLiteral(":sout=#transcode{vcodec=h264,vb=1024,scale=1,acodec=mp4a,ab=128,"
                             "channels=2,deinterlace}:std{access=file,mux=mp4,"
                             "url=\"/out/my clip.mp4\"}"));
}

TEST(TranscodeOption, SettingsAreInsertedVerbatimInTheirPlaces)
{
    ConversionSettings s = Mp4Settings();
    s.videoCodec = QStringLiteral("V");
    s.videoBitrate = QStringLiteral("VB");
    s.videoScale = QStringLiteral("");
    s.audioCodec = QStringLiteral(" A ");
    s.audioBitrate = QStringLiteral("%d");
    s.audioChannels = QStringLiteral("CH");
    s.container = QStringLiteral("avformat{}");
    EXPECT_EQ(Build(s, QStringLiteral("/o.webm")),
              QStringLiteral(":sout=#transcode{vcodec=V,vb=VB,scale=,acodec= A ,ab=%d,channels=CH,"
                             "deinterlace}:std{access=file,mux=avformat{},url=\"/o.webm\"}"));
}

TEST(TranscodeOption, QuoteAndBackslashOfThePathAreEscaped)
{
    const QString option = Build(Mp4Settings(),
                                 QStringLiteral("/o/say \"hi\" a\\b {x},y 100%.mp4"));
    EXPECT_TRUE(
        option.endsWith(QStringLiteral(",url=\"/o/say \\\"hi\\\" a\\\\b {x},y 100%.mp4\"}")))
        << option.toStdString();
}

namespace {

// Answers the interlacing question with a scripted verdict and counts the questions.
class InterlaceFactory : public IVlcControlFactory
{
public:
    explicit InterlaceFactory(std::optional<bool> verdict)
        : m_verdict(verdict)
    {
    }
    std::unique_ptr<CVLCControl> CreateControl() override { return nullptr; }
    std::optional<bool> IsInterlaced(const QString &source) override
    {
        asked << source;
        return m_verdict;
    }
    QStringList asked;

private:
    std::optional<bool> m_verdict;
};

const QString PlainOption = QStringLiteral(
    ":sout=#transcode{vcodec=h264,vb=1024,scale=1,acodec=mp4a,ab=128,channels=2,deinterlace}"
    ":std{access=file,mux=mp4,url=\"/o/c.mp4\"}");

QString optionWith(const QByteArray &catalogue, InterlaceFactory &factory,
                   const ConversionSettings &settings = Mp4Settings())
{
    TempDir dir;
    dir.write(QStringLiteral("Formats.ini"), catalogue);
    CIniFile ini(dir.dirWithSlash());
    ini.SetPath(QStringLiteral("Formats.ini"));
    return BuildFor(settings, QStringLiteral("/o/c.mp4"), ini, QStringLiteral("/v/c.avi"), factory);
}

}   // namespace

TEST(TranscodeOptionFor, ACatalogueWithoutTuningGivesExactlyThePlainOptionAndProbesNothing)
{
    InterlaceFactory factory(false);
    EXPECT_EQ(optionWith("[VC]\nmp4=h264\n", factory), PlainOption);
    // "always" is the plain option too, and so is a rule that cannot be read.
    EXPECT_EQ(optionWith("[transcode]\ndeinterlace=always\n", factory), PlainOption);
    EXPECT_EQ(optionWith("[transcode]\ndeinterlace=sometimes\n", factory), PlainOption);
    EXPECT_TRUE(factory.asked.isEmpty());
}

TEST(TranscodeOptionFor, InterlacedRuleDeinterlacesOnlyWhatIsOrMayBeInterlaced)
{
    const QByteArray catalogue = "[transcode]\ndeinterlace=interlaced\n";
    const QString progressive = QString(PlainOption).remove(QStringLiteral(",deinterlace"));

    InterlaceFactory progressiveSource(false);
    EXPECT_EQ(optionWith(catalogue, progressiveSource), progressive);
    EXPECT_EQ(progressiveSource.asked, QStringList{QStringLiteral("/v/c.avi")});

    InterlaceFactory interlacedSource(true);
    EXPECT_EQ(optionWith(catalogue, interlacedSource), PlainOption);
    InterlaceFactory unknownSource(std::nullopt);
    EXPECT_EQ(optionWith(catalogue, unknownSource), PlainOption);

    InterlaceFactory never(true);
    EXPECT_EQ(optionWith("[transcode]\ndeinterlace=never\n", never), progressive);
    EXPECT_TRUE(never.asked.isEmpty());
}

TEST(TranscodeOptionFor, CodecParametersGoAfterTheChannelsOnlyForTheirCodecAndOnlyWhenClean)
{
    const QByteArray catalogue = "[VE]\nh264=venc=x264{bframes=2},fps=25\n"
                                 "mp4v=fps=25}:std{access=file,mux=ts,dst=/tmp/x.ts}\n";
    InterlaceFactory factory(std::nullopt);
    EXPECT_EQ(optionWith(catalogue, factory),
              QString(PlainOption)
                  .replace(QStringLiteral("channels=2,"),
                           QStringLiteral("channels=2,venc=x264{bframes=2},fps=25,")));
    ConversionSettings mp4v = Mp4Settings();
    mp4v.videoCodec = QStringLiteral("mp4v");
    EXPECT_EQ(optionWith(catalogue, factory, mp4v),
              QString(PlainOption).replace(QStringLiteral("h264"), QStringLiteral("mp4v")));

    // A user filter takes the picture size from the source, so it goes only with scale 1.
    const QByteArray filtered = "[VE]\nh264=vfilter=croppadd,venc=avcodec{qmin=2,qmax=31},"
                                "vfilter=croppadd{croptop=0}\n";
    EXPECT_EQ(optionWith(filtered, factory),
              QString(PlainOption)
                  .replace(QStringLiteral("channels=2,"),
                           QStringLiteral("channels=2,vfilter=croppadd,venc=avcodec{qmin=2,"
                                          "qmax=31},vfilter=croppadd{croptop=0},")));
    ConversionSettings half = Mp4Settings();
    half.videoScale = QStringLiteral("0.5");
    EXPECT_EQ(optionWith(filtered, factory, half),
              QString(PlainOption)
                  .replace(QStringLiteral("scale=1"), QStringLiteral("scale=0.5"))
                  .replace(QStringLiteral("channels=2,"),
                           QStringLiteral("channels=2,venc=avcodec{qmin=2,qmax=31},")));
    half.videoScale = QStringLiteral("1.00");
    EXPECT_EQ(optionWith("[VE]\nh264=vfilter=croppadd\n", factory, half),
              QString(PlainOption)
                  .replace(QStringLiteral("scale=1"), QStringLiteral("scale=1.00"))
                  .replace(QStringLiteral("channels=2,"),
                           QStringLiteral("channels=2,vfilter=croppadd,")));
    half.videoScale = QStringLiteral("2");
    EXPECT_EQ(optionWith("[VE]\nh264=vfilter=croppadd\n", factory, half),
              QString(PlainOption).replace(QStringLiteral("scale=1"), QStringLiteral("scale=2")));

    // Even handed directly to the builder, an unchecked value never reaches the chain.
    TranscodeTuning forged;
    forged.videoParameters = QStringLiteral("a}:duplicate{dst=std{access=file,dst=/x}}");
    EXPECT_EQ(Build(Mp4Settings(), QStringLiteral("/o/c.mp4"), forged, std::nullopt), PlainOption);
}

// ---- Transcode tuning ------------------------------------------------------------------------

TEST(TranscodeTuning, DrawsTextOnlyWhenItsOwnItemsSaySo)
{
    TranscodeTuning tuning;
    EXPECT_FALSE(DrawsText(tuning));
    for (const char *drawing : {"soverlay", "fps=25,sfilter=marq{marquee=Hello}", "osd"}) {
        tuning.videoParameters = QString::fromUtf8(drawing);
        EXPECT_TRUE(DrawsText(tuning)) << drawing;
    }
    // Only the list's own names count, not a module's parameters or a value.
    for (const char *plain : {"venc=x264{soverlay=1,osd=2}", "vfilter=soverlay", "sfilters=1"}) {
        tuning.videoParameters = QString::fromUtf8(plain);
        EXPECT_FALSE(DrawsText(tuning)) << plain;
    }
}

TEST(CheckTranscodeParameters, AdmitsNamesPlainValuesAndOneLevelOfModuleParameters)
{
    for (const char *good : {"fps=25", "venc=x264{bframes=0,preset=medium,tune=ssim}",
                             "venc=avcodec{keyint=250},threads=2", "high-priority",
                             "venc=theora{quality=7.5}", "vfilter=hqdn3d", "fps=30000.1001"})
        EXPECT_EQ(CheckParameters(QString::fromUtf8(good), QStringLiteral("VE"),
                                  QStringLiteral("h264")),
                  QString())
            << good;
}

TEST(CheckTranscodeParameters, RefusesAnythingThatCouldLeaveTheTranscodePartOrOverrideAChoice)
{
    for (const char *bad : {"",
                            "fps=25}:std{access=file,mux=ts,dst=/tmp/x}",
                            "venc=x264{a=1}}",
                            "venc=x264{a=1",
                            "fps=25:sout=#std{dst=x}",
                            "a=\"b\"",
                            "a=b c",
                            "#duplicate{dst=std}",
                            "dst=/tmp/x",
                            "duplicate{dst=display}",
                            "venc=std{dst=x}",
                            "vfilter=a{b=c{d=e}}",
                            "vb=9999",
                            "deinterlace",
                            "DEINTERLACE",
                            "a=b:std",
                            ",fps=25",
                            "fps=25,",
                            "a==b",
                            "a=/x",
                            "venc=x264{preset=me'd}",
                            "a=b\\,c",
                            "fps=25\n",
                            "a=b;c",
                            "x=\xc3\xa9"})
        EXPECT_NE(CheckParameters(QString::fromUtf8(bad), QStringLiteral("VE"),
                                  QStringLiteral("h264")),
                  QString())
            << bad;
}

TEST(CheckTranscodeParameters, MessageNamesTheValueAndWhereItCameFrom)
{
    const QString message = CheckParameters(QStringLiteral("fps=25}:std{dst=x}"),
                                            QStringLiteral("VE"), QStringLiteral("h264"));
    EXPECT_TRUE(message.contains(QStringLiteral("[VE]"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("h264=fps=25}:std{dst=x}")))
        << message.toStdString();
    EXPECT_NE(CheckDeinterlaceRule(QStringLiteral("sometimes")), QString());
    EXPECT_TRUE(
        CheckDeinterlaceRule(QStringLiteral("sometimes")).contains(QStringLiteral("[transcode]")));
    for (const char *good : {"", "always", "Interlaced", "never"})
        EXPECT_EQ(CheckDeinterlaceRule(QString::fromUtf8(good)), QString()) << good;
}

TEST_F(FormatCascade, WithoutTheTuningSectionsTheTuningIsThePlainOne)
{
    m_cascade.LoadAtStartup();
    const TranscodeTuning tuning = ReadTuning(m_ini, m_settings);
    EXPECT_EQ(tuning.deinterlace, DeinterlaceRule::Always);
    EXPECT_EQ(tuning.videoParameters, QString());
    EXPECT_EQ(CheckTuning(m_ini, m_settings), QString());
}

class TunedCascade : public FormatCascade
{
protected:
    TunedCascade()
        : FormatCascade(SmallCatalogue
                        + "[transcode]\n"
                          "deinterlace=interlaced\n"
                          "[VE]\n"
                          "h264=venc=x264{bframes=2}\n"
                          "mov/h264=venc=x264{bframes=0}\n"
                          "avi/DIV3=fps=25}:std{access=file,mux=ts,dst=/tmp/stolen.ts}\n"
                          "mp4v=fps=25}:std{access=file,mux=ts,dst=/tmp/stolen.ts}\n")
    {
    }
};

TEST_F(TunedCascade, TuningFollowsTheVideoCodecAndBadValuesAreReportedAndNeverUsed)
{
    m_cascade.LoadAtStartup();
    TranscodeTuning tuning = ReadTuning(m_ini, m_settings);
    EXPECT_EQ(tuning.deinterlace, DeinterlaceRule::InterlacedOnly);
    EXPECT_EQ(tuning.videoParameters, QStringLiteral("venc=x264{bframes=2}"));
    EXPECT_EQ(CheckTuning(m_ini, m_settings), QString());

    m_settings.videoCodec = QStringLiteral("mp4v");
    tuning = ReadTuning(m_ini, m_settings);
    EXPECT_EQ(tuning.videoParameters, QString());
    EXPECT_TRUE(CheckTuning(m_ini, m_settings).contains(QStringLiteral("[VE] mp4v=")));

    // A codec without an entry has no parameters.
    m_settings.videoCodec = QStringLiteral("DIV3");
    EXPECT_EQ(ReadTuning(m_ini, m_settings).videoParameters, QString());

    // An entry for one muxer wins with that muxer only, and is checked like any other.
    m_settings.videoCodec = QStringLiteral("h264");
    m_settings.container = QStringLiteral("mov");
    EXPECT_EQ(ReadTuning(m_ini, m_settings).videoParameters,
              QStringLiteral("venc=x264{bframes=0}"));
    m_settings.container = QStringLiteral("avi");
    EXPECT_EQ(ReadTuning(m_ini, m_settings).videoParameters,
              QStringLiteral("venc=x264{bframes=2}"));
    m_settings.videoCodec = QStringLiteral("DIV3");
    EXPECT_EQ(ReadTuning(m_ini, m_settings).videoParameters, QString());
    EXPECT_TRUE(CheckTuning(m_ini, m_settings).contains(QStringLiteral("[VE] avi/DIV3=")));
}
