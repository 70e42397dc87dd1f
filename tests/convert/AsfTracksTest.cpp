// SPDX-License-Identifier: GPL-3.0-or-later
// An ASF file's streams put in order and given languages, as the three families of players see
// them.
#include "convert/OutputTracks.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/TempDir.h"
#include "tests/support/VlcTracks.h"

#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

QString run(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(60000);
    if (exitCode)
        *exitCode = finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode()
                                                                             : -1;
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}

// "video", or "audio,<sample rate>,<language>" per stream, in the order each family lists them.
QStringList ffprobeStreams(const QString &path)
{
    return run(QStringLiteral("ffprobe"),
               QStringLiteral("-v error -show_entries stream=codec_type,sample_rate:stream_tags="
                              "language -of csv=p=0")
                       .split(QLatin1Char(' '))
                   << path)
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList gstreamerStreams(const QString &path)
{
    // A stream's lines: "audio #2: <caps>", then among others "Language: en" and
    // "Sample rate: 48000".
    QList<QStringList> fields;
    const QString report = run(QStringLiteral("gst-discoverer-1.0"), {QStringLiteral("-v"), path});
    static const QRegularExpression stream(QStringLiteral("^\\s+(audio|video) #\\d+:"));
    static const QRegularExpression detail(QStringLiteral("^\\s+(Sample rate|Language): (\\S+)$"));
    for (const QString &line : report.split(QLatin1Char('\n'))) {
        if (const QRegularExpressionMatch kind = stream.match(line); kind.hasMatch()) {
            fields.append({kind.captured(1), QString(), QString()});
        } else if (const QRegularExpressionMatch value = detail.match(line);
                   value.hasMatch() && !fields.isEmpty()) {
            fields.last()[value.captured(1) == QLatin1String("Language") ? 2 : 1] = value.captured(
                2);
        }
    }
    QStringList streams;
    for (const QStringList &one : std::as_const(fields))
        streams << (one[0] == QLatin1String("video") ? one[0] : one.join(QLatin1Char(',')));
    return streams;
}

QStringList vlcStreams(const QString &path)
{
    QStringList streams;
    for (const VlcTrack &track : VlcTracks(path)) {
        if (track.type == libvlc_track_video)
            streams << QStringLiteral("video");
        else if (track.type == libvlc_track_audio)
            streams << QStringLiteral("audio,%1,%2").arg(track.rate).arg(track.language);
    }
    return streams;
}

}   // namespace

TEST(AsfTracks, StreamsTakeThePlansOrderAndLanguagesInEveryPlayerAndStillPlay)
{
    TempDir dir;
    const QString path = dir.file(QStringLiteral("clip.wmv"));
    // The muxer's order: 44100 Hz, the video, 48000 Hz, 32000 Hz; no languages.
    int exitCode = -1;
    const QString made = run(
        QStringLiteral("ffmpeg"),
        QStringLiteral("-nostdin -v error -f lavfi -i testsrc2=size=64x48:rate=10:duration=2 "
                       "-f lavfi -i sine=f=300:d=2:r=48000 -f lavfi -i sine=f=600:d=2:r=32000 "
                       "-f lavfi -i sine=f=900:d=2:r=44100 -map 3 -map 0 -map 1 -map 2 "
                       "-c:v wmv2 -c:a wmav2 -b:a 64k")
                .split(QLatin1Char(' '))
            << path,
        &exitCode);
    ASSERT_EQ(exitCode, 0) << made.toStdString();
    ASSERT_EQ(ffprobeStreams(path),
              QStringList({"audio,44100", "video", "audio,48000", "audio,32000"}));
    // libVLC's muxer counts one header object too many, on which GStreamer gives up.
    QByteArray bytes = dir.read(QStringLiteral("clip.wmv"));
    ASSERT_GT(bytes.size(), 30);
    ++bytes[24];
    dir.write(QStringLiteral("clip.wmv"), bytes);
    ASSERT_EQ(gstreamerStreams(path), QStringList());

    const QList<OutputTracks::TrackPlan> plan{{3, QStringLiteral("deu"), false},
                                              {0, QString(), true},
                                              {1, QStringLiteral("eng"), true},
                                              {2, QStringLiteral("fra"), false}};
    ASSERT_EQ(OutputTracks::Arrange(path, plan), OutputTracks::Outcome::Arranged);

    // The languages as each family spells them: FFmpeg turns the file's RFC 1766 codes into
    // ISO 639-2/B ones.
    EXPECT_EQ(ffprobeStreams(path),
              QStringList({"video", "audio,48000,eng", "audio,32000,fre", "audio,44100,ger"}));
    const QStringList others{"video", "audio,48000,en", "audio,32000,fr", "audio,44100,de"};
    EXPECT_EQ(gstreamerStreams(path), others);
    EXPECT_EQ(vlcStreams(path), others);
    const auto tracks = OutputTracks::ReadTracks(path);
    ASSERT_TRUE(tracks.has_value());
    ASSERT_EQ(tracks->size(), 4);
    EXPECT_EQ(tracks->at(0).kind, OutputTracks::Kind::Video);
    EXPECT_EQ(tracks->at(3).kind, OutputTracks::Kind::Audio);
    EXPECT_EQ(tracks->at(3).language, QStringLiteral("de"));

    // Every stream still decodes from start to end.
    EXPECT_EQ(run(QStringLiteral("ffmpeg"),
                  QStringLiteral("-nostdin -v error -i %1 -map 0 -f null -")
                      .split(QLatin1Char(' '))
                      .replaceInStrings(QStringLiteral("%1"), path)),
              QString());
    const QString played = run(QStringLiteral("gst-launch-1.0"),
                               {QStringLiteral("-q"), QStringLiteral("playbin"),
                                QStringLiteral("uri=file://") + path,
                                QStringLiteral("video-sink=fakesink sync=false"),
                                QStringLiteral("audio-sink=fakesink sync=false")},
                               &exitCode);
    EXPECT_EQ(exitCode, 0) << played.toStdString();

    // Arranged again, a file that already names its languages is left as it is.
    const QByteArray arranged = dir.read(QStringLiteral("clip.wmv"));
    EXPECT_EQ(OutputTracks::Arrange(path, {{0, QString(), true},
                                           {1, QStringLiteral("fra"), true},
                                           {2, QStringLiteral("fra"), false},
                                           {3, QStringLiteral("fra"), false}}),
              OutputTracks::Outcome::Arranged);
    EXPECT_EQ(dir.read(QStringLiteral("clip.wmv")), arranged);
}
