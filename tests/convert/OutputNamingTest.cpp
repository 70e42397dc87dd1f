// SPDX-License-Identifier: GPL-3.0-or-later
#include "CIniFile.h"
#include "CVLCControl.h"
#include "Mp4Settings.h"
#include "OutputNaming.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace OutputNaming;

TEST(DefaultCandidate, BesideTheSourceOrInTheOutputFolder)
{
    const QString src = QStringLiteral("/v/clip.avi");
    EXPECT_EQ(DefaultCandidate(src, true, QStringLiteral("/out"), QStringLiteral(".mp4")),
              QStringLiteral("/v/clip.mp4"));
    EXPECT_EQ(DefaultCandidate(src, false, QStringLiteral("/out"), QStringLiteral(".mp4")),
              QStringLiteral("/out/clip.mp4"));
}

TEST(DefaultCandidate, CutsOnlyTheLastPeriod)
{
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v/a.b.avi"), true, {}, QStringLiteral(".mkv")),
              QStringLiteral("/v/a.b.mkv"));
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v/a.b.avi"), false, QStringLiteral("/o"),
                               QStringLiteral(".mkv")),
              QStringLiteral("/o/a.b.mkv"));
}

TEST(DefaultCandidate, TheExtensionIsTakenFromTheFileNameOnly)
{
    // A period in a folder's name, or one that leads the file name, is no extension.
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v.d/clip"), true, {}, QStringLiteral(".mp4")),
              QStringLiteral("/v.d/clip.mp4"));
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v/.hidden"), true, {}, QStringLiteral(".mp4")),
              QStringLiteral("/v/.hidden.mp4"));
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v/.hidden.avi"), false, QStringLiteral("/o"),
                               QStringLiteral(".mp4")),
              QStringLiteral("/o/.hidden.mp4"));
    // In the output folder only the file name is looked at, so nothing is cut.
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v.d/clip"), false, QStringLiteral("/o"),
                               QStringLiteral(".mp4")),
              QStringLiteral("/o/clip.mp4"));
}

TEST(DefaultCandidate, TextIsNeverNormalisedOrFormatted)
{
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v/clip.avi"), false, QStringLiteral("/"),
                               QStringLiteral(".mp4")),
              QStringLiteral("//clip.mp4"));
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v/100%s %d.avi"), true, {},
                               QStringLiteral(".mp4")),
              QStringLiteral("/v/100%s %d.mp4"));
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v/100%s.avi"), false, QStringLiteral("/o%n"),
                               QStringLiteral(".mp4")),
              QStringLiteral("/o%n/100%s.mp4"));
    // No period is added: the catalogue writes targets with theirs.
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v/clip.avi"), true, {}, QStringLiteral("mp4")),
              QStringLiteral("/v/clipmp4"));
}

TEST(SuggestedSaveName, VariantsAndSourcesWithoutExtension)
{
    const QString candidate = QStringLiteral("/out/clip.mp4");
    EXPECT_EQ(SuggestedSaveName(1, QStringLiteral("/v/clip.avi"), candidate), candidate);
    // Variant 0 stays in the source's folder, whatever the candidate says.
    EXPECT_EQ(SuggestedSaveName(0, QStringLiteral("/v/clip.avi"), candidate),
              QStringLiteral("/v/clip_new_avi"));
    EXPECT_EQ(SuggestedSaveName(0, QStringLiteral("/v/a.b.mov"), candidate),
              QStringLiteral("/v/a.b_new_mov"));
    EXPECT_EQ(SuggestedSaveName(0, QStringLiteral("/v/clip"), candidate),
              QStringLiteral("/v/clip_new_"));
}

TEST(SaveFileType, TextsPerVariant)
{
    const IDialogs::FileType one = SaveFileType(1, QStringLiteral(".mkv"));
    EXPECT_EQ(one.description, QStringLiteral("All Supported Types (*.mkv)"));
    EXPECT_EQ(one.patterns, QStringLiteral("*.mkv"));
    const IDialogs::FileType zero = SaveFileType(0, QStringLiteral(".mkv"));
    EXPECT_EQ(zero.description, QStringLiteral("All Ipod Supported Types (*.mkv)"));
    EXPECT_EQ(zero.patterns, QStringLiteral("*.mkv"));
}

TEST(TranscodeOption, ExactTextForAPlainPath)
{
    EXPECT_EQ(TranscodeOption(Mp4Settings(), QStringLiteral("/out/my clip.mp4")),
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
    EXPECT_EQ(TranscodeOption(s, QStringLiteral("/o.webm")),
              QStringLiteral(":sout=#transcode{vcodec=V,vb=VB,scale=,acodec= A ,ab=%d,channels=CH,"
                             "deinterlace}:std{access=file,mux=avformat{},url=\"/o.webm\"}"));
}

TEST(TranscodeOption, QuoteAndBackslashOfThePathAreEscaped)
{
    const QString option =
        TranscodeOption(Mp4Settings(), QStringLiteral("/o/say \"hi\" a\\b {x},y 100%.mp4"));
    EXPECT_TRUE(option.endsWith(
        QStringLiteral(",url=\"/o/say \\\"hi\\\" a\\\\b {x},y 100%.mp4\"}")))
        << option.toStdString();
}

TEST(CanOpenFile, AnythingUnderTheNameCounts)
{
    TempDir dir;
    const QString file = dir.write(QStringLiteral("a.mp4"), "x");
    EXPECT_TRUE(CanOpenFile(file));
    const QString locked = dir.write(QStringLiteral("locked.mp4"), "x");
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0), 0);
    EXPECT_TRUE(CanOpenFile(locked));
    const QString dangling = dir.file(QStringLiteral("dangling.mp4"));
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("nowhere.mp4")), dangling));
    EXPECT_TRUE(CanOpenFile(dangling));
    EXPECT_TRUE(CanOpenFile(dir.path()));
    EXPECT_FALSE(CanOpenFile(dir.file(QStringLiteral("missing.mp4"))));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("missing.mp4")))) << "must never create";
    EXPECT_FALSE(CanOpenFile(QString()));
}

TEST(IsSameFile, DifferentSpellingsOfOneFile)
{
    TempDir dir;
    const QString file = dir.write(QStringLiteral("sub/clip.mp4"), "x");
    const QString other = dir.write(QStringLiteral("sub/other.mp4"), "x");
    EXPECT_TRUE(IsSameFile(file, dir.path() + QStringLiteral("/sub/../sub/clip.mp4")));
    EXPECT_TRUE(IsSameFile(file, dir.path() + QStringLiteral("/./sub/./clip.mp4")));
    const QString link = dir.file(QStringLiteral("link.mp4"));
    ASSERT_TRUE(QFile::link(file, link));
    EXPECT_TRUE(IsSameFile(link, file));
    const QString dirLink = dir.file(QStringLiteral("dirlink"));
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("sub")), dirLink));
    EXPECT_TRUE(IsSameFile(dirLink + QStringLiteral("/clip.mp4"), file));
    const QString hardLink = dir.file(QStringLiteral("hard.mp4"));
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(hardLink).constData()), 0);
    EXPECT_TRUE(IsSameFile(hardLink, file));

    EXPECT_FALSE(IsSameFile(file, other));
    EXPECT_FALSE(IsSameFile(file, dir.file(QStringLiteral("sub/missing.mp4"))));
    EXPECT_FALSE(IsSameFile(dir.file(QStringLiteral("missing")),
                            dir.file(QStringLiteral("missing"))));
}

TEST(StatusLineParts, RootAndNameOfASource)
{
    EXPECT_EQ(RootOf(QStringLiteral("/videos/clip.avi")), QStringLiteral("/"));
    EXPECT_EQ(NameFromLastSeparator(QStringLiteral("/videos/clip.avi")),
              QStringLiteral("/clip.avi"));
    EXPECT_EQ(NameFromLastSeparator(QStringLiteral("clip.avi")), QStringLiteral("clip.avi"));
}

TEST(FileKinds, OnlyRegularFilesAreWritten)
{
    TempDir dir;
    const QString file = dir.write(QStringLiteral("clip.avi"), "x");
    const QString pipe = dir.file(QStringLiteral("pipe.avi"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString zero = dir.file(QStringLiteral("zero.mpg"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    EXPECT_FALSE(IsOtherThanRegularFile(file));
    EXPECT_FALSE(IsOtherThanRegularFile(dir.file(QStringLiteral("missing.avi"))));
    EXPECT_TRUE(IsOtherThanRegularFile(pipe));
    EXPECT_TRUE(IsOtherThanRegularFile(zero));
    EXPECT_TRUE(IsOtherThanRegularFile(dir.path()));
}

TEST(FreeName, FirstNumberNeitherOnDiskNorTaken)
{
    TempDir dir;
    dir.write(QStringLiteral("clip (1).mp4"), "x");
    const QString taken = dir.file(QStringLiteral("clip (2).mp4"));
    EXPECT_EQ(FreeName(dir.file(QStringLiteral("clip.mp4")),
                       [&](const QString &path) { return path == taken; }),
              dir.file(QStringLiteral("clip (3).mp4")));
    EXPECT_EQ(FreeName(dir.file(QStringLiteral("notes")), {}), dir.file(QStringLiteral("notes (1)")));
}

TEST(TemporaryOutput, HiddenBesideTheTargetWithItsExtensionAndRenamedOverIt)
{
    TempDir dir;
    const QString target = dir.write(QStringLiteral("clip.mp4"), "old");
    QString error;
    CTemporaryOutputLock lockA, lockB;
    const std::optional<QString> a = CreateTemporaryOutput(target, error, lockA);
    const std::optional<QString> b = CreateTemporaryOutput(target, error, lockB);
    ASSERT_TRUE(a && b);
    EXPECT_NE(*a, *b);
    EXPECT_EQ(QFileInfo(*a).path(), dir.path());
    EXPECT_TRUE(QFileInfo(*a).fileName().startsWith(QStringLiteral(".clip.")));
    EXPECT_TRUE(a->endsWith(QStringLiteral(".part.mp4")));
    EXPECT_EQ(QFileInfo(*a).size(), 0);

    QFile out(*a);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("new");
    out.close();
    QString committed = target;
    EXPECT_EQ(CommitOutput(*a, committed, true), QString());
    EXPECT_EQ(committed, target);
    EXPECT_EQ(dir.read(QStringLiteral("clip.mp4")), "new");
    EXPECT_FALSE(QFileInfo::exists(*a));

    CTemporaryOutputLock lock;
    EXPECT_FALSE(CreateTemporaryOutput(dir.file(QStringLiteral("gone/clip.mp4")), error, lock));
    EXPECT_FALSE(error.isEmpty());
}

TEST(TemporaryOutput, ANameTheFileSystemTakesGetsATemporaryNameItTakesToo)
{
    TempDir dir;
    for (const int length : {243, 255}) {
        const QString name = QString(length - 4, QChar(u'n')) + QStringLiteral(".mp4");
        const QString target = dir.file(name);
        QString error;
        CTemporaryOutputLock lock;
        const std::optional<QString> temporary = CreateTemporaryOutput(target, error, lock);
        ASSERT_TRUE(temporary) << length << ": " << error.toStdString();
        const QString temporaryName = QFileInfo(*temporary).fileName();
        EXPECT_LE(QFile::encodeName(temporaryName).size(), 255);
        EXPECT_TRUE(temporaryName.startsWith(QStringLiteral(".nnn")));
        EXPECT_TRUE(temporaryName.endsWith(QStringLiteral(".part.mp4")));
        QString committed = target;
        EXPECT_EQ(CommitOutput(*temporary, committed, false), QString());
        EXPECT_TRUE(QFileInfo::exists(target));
    }
}

TEST(TemporaryOutput, LeftoversOfCopiesThatNoLongerRunGoAndThoseBeingWrittenStay)
{
    TempDir dir;
    QString error;
    CTemporaryOutputLock liveLock;
    const std::optional<QString> live =
        CreateTemporaryOutput(dir.file(QStringLiteral("a.mp4")), error, liveLock);
    ASSERT_TRUE(live);
    // A copy killed while writing: its file is there, and its lock went with its process.
    const QString stale = dir.write(QStringLiteral(".b.k3x9q2.part.mkv"), "partial");
    const QString other = dir.write(QStringLiteral(".notes.part"), "not ours");
    {
        CTemporaryOutputLock lock;
        ASSERT_TRUE(CreateTemporaryOutput(dir.file(QStringLiteral("c.mp4")), error, lock));
        EXPECT_FALSE(QFileInfo::exists(stale));
        EXPECT_TRUE(QFileInfo::exists(*live));
        EXPECT_TRUE(QFileInfo::exists(other));
    }
    // Once its writer lets go, a temporary output is a leftover like any other.
    liveLock.Release();
    EXPECT_EQ(RemoveStaleTemporaryOutputs(dir.path()), 2);
    EXPECT_FALSE(QFileInfo::exists(*live));
}

TEST(CommitOutput, NeverReplacesAFileThatWasNotAgreedTo)
{
    TempDir dir;
    const QString target = dir.file(QStringLiteral("clip.mp4"));
    QString error;
    CTemporaryOutputLock lock;
    const std::optional<QString> temporary = CreateTemporaryOutput(target, error, lock);
    ASSERT_TRUE(temporary);
    dir.write(QStringLiteral("clip.mp4"), "another copy's");
    QString committed = target;
    EXPECT_EQ(CommitOutput(*temporary, committed, false), QString());
    EXPECT_EQ(committed, dir.file(QStringLiteral("clip (1).mp4")));
    EXPECT_EQ(dir.read(QStringLiteral("clip.mp4")), "another copy's");
    EXPECT_TRUE(QFileInfo::exists(committed));
    EXPECT_FALSE(QFileInfo::exists(*temporary));
}

namespace {

// Answers the interlacing question with a scripted verdict and counts the questions.
class InterlaceFactory : public IVlcControlFactory
{
public:
    explicit InterlaceFactory(std::optional<bool> verdict) : m_verdict(verdict) {}
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
    return TranscodeOptionFor(settings, QStringLiteral("/o/c.mp4"), ini,
                              QStringLiteral("/v/c.avi"), factory);
}

} // namespace

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
                  .replace(QStringLiteral("channels=2,"), QStringLiteral("channels=2,vfilter=croppadd,")));
    half.videoScale = QStringLiteral("2");
    EXPECT_EQ(optionWith("[VE]\nh264=vfilter=croppadd\n", factory, half),
              QString(PlainOption).replace(QStringLiteral("scale=1"), QStringLiteral("scale=2")));

    // Even handed directly to the builder, an unchecked value never reaches the chain.
    TranscodeTuning forged;
    forged.videoParameters = QStringLiteral("a}:duplicate{dst=std{access=file,dst=/x}}");
    EXPECT_EQ(TranscodeOption(Mp4Settings(), QStringLiteral("/o/c.mp4"), forged, std::nullopt),
              PlainOption);
}
