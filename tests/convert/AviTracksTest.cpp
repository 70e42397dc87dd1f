// SPDX-License-Identifier: GPL-3.0-or-later
// The putting in order of an AVI file's streams, as FFmpeg's AVI muxer writes the file, seen by
// the three families of players; and AVI files that do not read, left as they are.
#include "VlcTestSupport.h"
#include "convert/OutputTracks.h"
#include "tests/support/ArrangeSweep.h"
#include "tests/support/TempDir.h"
#include "tests/support/VlcTracks.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

// Three seconds of video and three audio tracks, each with its own codec (which the header
// names) and its own sample rate (which its data carries), so that a stream header that moved
// without its data, or data without its header, shows in every player.
QByteArray threeAudioTracks(const TempDir &dir)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringLiteral(
                     "-nostdin -v error -f lavfi -i testsrc2=size=64x36:rate=10:duration=3 "
                     "-f lavfi -i sine=f=300:d=3:r=48000 -f lavfi -i sine=f=600:d=3:r=32000 "
                     "-f lavfi -i sine=f=900:d=3:r=44100 -map 0 -map 1 -map 2 -map 3 "
                     "-c:v mpeg4 -c:a:0 mp2 -c:a:1 mp3 -c:a:2 ac3")
                         .split(QLatin1Char(' '))
                     << dir.file(QStringLiteral("made.avi")));
    EXPECT_TRUE(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
    return dir.read(QStringLiteral("made.avi"));
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}

// FFmpeg: each stream's codec, as the header says, and sample rate, as its data decodes.
QStringList ffmpegStreams(const QString &path)
{
    return run(QStringLiteral("ffprobe"),
               QStringLiteral("-v error -show_entries stream=codec_name,sample_rate -of csv=p=0")
                       .split(QLatin1Char(' '))
                   << path)
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// GStreamer: the audio streams in the order the AVI demuxer numbers its pads, each decoded with
// the decoder its header asks for (one pipeline a stream, so that their outputs do not mix);
// the rates the decoders give, or the errors.
QStringList gstreamerAudioRates(const QString &path)
{
    QStringList rates;
    static const QRegularExpression caps(
        QStringLiteral("fakesink0\\.GstPad:sink: caps = audio/x-raw.*rate=\\(int\\)(\\d+)"));
    for (int i = 0; i < 3; ++i) {
        const QString output
            = run(QStringLiteral("gst-launch-1.0"),
                  QStringList{QStringLiteral("-v"), QStringLiteral("filesrc"),
                              QStringLiteral("location=") + path, QStringLiteral("!"),
                              QStringLiteral("avidemux"), QStringLiteral("name=d"),
                              QStringLiteral("d.audio_%1").arg(i)}
                      + QStringLiteral("! queue ! decodebin ! fakesink").split(QLatin1Char(' ')));
        const QRegularExpressionMatch match = caps.match(output);
        rates << (output.contains(QLatin1String("ERROR")) || !match.hasMatch() ? output.right(600)
                                                                               : match.captured(1));
    }
    return rates;
}

// libVLC: the tracks in the order it lists them, each as its kind and, for sound, its rate.
QStringList vlcTracks(const QString &path)
{
    QStringList listed;
    for (const VlcTrack &track : VlcTracks(path))
        listed << (track.type == libvlc_track_audio ? QString::number(track.rate)
                                                    : QStringLiteral("video"));
    return listed;
}

// A plan that only orders.
QList<OutputTracks::TrackPlan> ranked(const QList<int> &ranks)
{
    QList<OutputTracks::TrackPlan> plan;
    for (const int rank : ranks)
        plan << OutputTracks::TrackPlan{rank, QString(), std::nullopt};
    return plan;
}

}   // namespace

TEST(AviTracks, TheStreamsTakeThePlansOrderInEveryPlayer)
{
    TempDir dir;
    const QByteArray made = threeAudioTracks(dir);
    ASSERT_FALSE(made.isEmpty());
    const QString path = dir.write(QStringLiteral("out.avi"), made);
    ASSERT_EQ(ffmpegStreams(path), QStringList({"mpeg4", "mp2,48000", "mp3,32000", "ac3,44100"}));

    // The muxer's second audio track goes last and the video between the others, so that
    // every stream changes its number (and stream headers of three sizes change places).
    const QList<OutputTracks::TrackPlan> plan{{2, QStringLiteral("und"), true},
                                              {3, QStringLiteral("eng"), false},
                                              {0, QStringLiteral("fra"), true},
                                              {1, QStringLiteral("deu"), false}};
    ASSERT_EQ(OutputTracks::Arrange(path, plan), OutputTracks::Outcome::Arranged);
    EXPECT_EQ(dir.read(QStringLiteral("out.avi")).size(), made.size());

    EXPECT_EQ(ffmpegStreams(path), QStringList({"mp3,32000", "ac3,44100", "mpeg4", "mp2,48000"}));
    EXPECT_EQ(gstreamerAudioRates(path), QStringList({"32000", "44100", "48000"}));
    EXPECT_EQ(vlcTracks(path), QStringList({"32000", "44100", "video", "48000"}));
    // AVI has no languages or flags that a player reads: the header says only the kinds.
    const auto read = OutputTracks::ReadTracks(path);
    ASSERT_TRUE(read.has_value());
    QList<OutputTracks::Kind> kinds;
    for (const OutputTracks::HeaderTrack &track : *read) {
        kinds << track.kind;
        EXPECT_TRUE(track.language.isEmpty());
        EXPECT_FALSE(track.isDefault);
    }
    using OutputTracks::Kind;
    EXPECT_EQ(kinds, QList<Kind>({Kind::Audio, Kind::Audio, Kind::Video, Kind::Audio}));

    // And every stream still plays to its end: FFmpeg decodes them all without an error.
    EXPECT_EQ(run(QStringLiteral("ffmpeg"),
                  QStringLiteral("-nostdin -v error -i %1 -map 0 -f null -")
                      .split(QLatin1Char(' '))
                      .replaceInStrings(QStringLiteral("%1"), path)),
              QString());
    PlayerChecks::ToolChecks tools(path);
    EXPECT_EQ(PlayerChecks::LibVlcProblem(path), QString());
    EXPECT_EQ(tools.ffmpegProblem(), QString());
    EXPECT_EQ(tools.gstreamerProblem(), QString());

    // Put back in the muxer's order, the file is the one the muxer wrote, byte for byte.
    ASSERT_EQ(OutputTracks::Arrange(path, ranked({2, 3, 0, 1})), OutputTracks::Outcome::Arranged);
    EXPECT_EQ(dir.read(QStringLiteral("out.avi")), made);
}

TEST(AviTracks, AFileThatDoesNotReadIsLeftAsItIs)
{
    using OutputTracks::Outcome;
    TempDir dir;
    const QByteArray whole = threeAudioTracks(dir);
    ASSERT_FALSE(whole.isEmpty());
    const QList<OutputTracks::TrackPlan> plan = ranked({0, 3, 1, 2});
    const QString path = dir.write(QStringLiteral("try.avi"), whole);
    EXPECT_EQ(OutputTracks::Arrange(path, plan.mid(1)), Outcome::Mismatch);
    EXPECT_EQ(dir.read(QStringLiteral("try.avi")), whole);

    // Each byte of every chunk header made wrong in turn, in the header list, the data and the
    // index (and each byte of the stream headers): whatever it then reads, a file that is not
    // arranged is not written to.
    QList<qsizetype> places;
    const qsizetype movi = whole.indexOf("movi");
    const qsizetype index = whole.lastIndexOf("idx1");
    ASSERT_GT(movi, 0);
    ASSERT_GT(index, movi);
    for (qsizetype at = 0; at < movi + 4; ++at)
        places << at;
    for (qsizetype at = movi + 4; at + 8 <= index;) {
        const qint64 size = qFromLittleEndian<quint32>(whole.constData() + at + 4);
        for (int i = 0; i < 8; ++i)
            places << at + i;
        at += 8 + size + (size & 1);
    }
    for (int i = 0; i < 8; ++i)
        places << index + i;
    for (qsizetype at = index + 8; at < whole.size(); at += 16)
        for (int i = 0; i < 4; ++i)
            places << at + i;
    EXPECT_GT(CorruptEachInTurn(whole, places, plan), 0);
    // Cut short anywhere, the same: the header list, every chunk header, the index.
    for (const qsizetype size : std::as_const(places)) {
        const auto [outcome, after] = ArrangedCopy(whole.left(size), plan);
        EXPECT_NE(outcome, Outcome::Arranged) << "cut at " << size;
        ASSERT_EQ(after, whole.left(size)) << "cut at " << size;
    }
}

TEST(AviTracks, OpenDmlIndicesNameTheNewNumbersToo)
{
    // FFmpeg writes OpenDML indices only past 1 GB; its stream headers keep their place in a
    // JUNK chunk laid out as one, which becomes the super index here, and the data gets a leaf
    // index of the muxer's second stream.
    TempDir dir;
    QByteArray file = threeAudioTracks(dir);
    ASSERT_FALSE(file.isEmpty());
    const qsizetype movi = file.indexOf("movi");
    QList<qsizetype> superIndices;
    for (qsizetype at = file.indexOf("JUNK"); at > 0 && at < movi;
         at = file.indexOf("JUNK", at + 1))
        if (file.mid(at + 16, 2).toInt() == superIndices.size()) {
            file.replace(at, 4, "indx");
            superIndices << at;
        }
    ASSERT_EQ(superIndices.size(), 4);
    QByteArray leaf("ix01\x18\0\0\0\x02\0\0\x01\0\0\0\0"
                    "01wb",
                    20);
    leaf += QByteArray(12, 0);
    const qsizetype leafAt = file.indexOf("idx1");
    file.insert(leafAt, leaf);
    for (const qsizetype sizeAt : {qsizetype(4), movi - 4})
        qToLittleEndian<quint32>(qFromLittleEndian<quint32>(file.constData() + sizeAt) + 32,
                                 file.data() + sizeAt);
    const QString path = dir.write(QStringLiteral("odml.avi"), file);
    ASSERT_EQ(OutputTracks::Arrange(path, ranked({0, 3, 1, 2})), OutputTracks::Outcome::Arranged);
    const QByteArray after = dir.read(QStringLiteral("odml.avi"));
    ASSERT_EQ(after.size(), file.size());
    // Each stream header's super index names the stream by its new place; the leaf index of
    // the muxer's second stream, now the last, names it by its new number.
    QStringList named;
    for (qsizetype at = after.indexOf("indx"); at > 0 && at < movi;
         at = after.indexOf("indx", at + 1))
        named << QString::fromLatin1(after.mid(at + 16, 4));
    EXPECT_EQ(named, QStringList({"00dc", "01wb", "02wb", "03wb"}));
    EXPECT_EQ(after.mid(leafAt, 4), "ix03");
    EXPECT_EQ(after.mid(leafAt + 16, 4), "03wb");
}
