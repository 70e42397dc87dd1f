// SPDX-License-Identifier: GPL-3.0-or-later
// An MPEG transport or program stream's audio tracks put in another order, as the three
// families of players list and play them; and a file that does not read left as it is.
#include "VlcTestSupport.h"
#include "convert/OutputTracks.h"
#include "tests/support/ArrangeSweep.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/TempDir.h"
#include "tests/support/VlcTracks.h"

#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>
#include <vlc/vlc.h>

namespace {

using OutputTracks::Kind;
using OutputTracks::Outcome;

// Video and three audio tracks told apart by their sample rates: 48000, 32000, 44100 Hz.
QByteArray madeByFfmpeg(const TempDir &dir, const QString &name, const QString &codecs, int seconds)
{
    const QString length = QString::number(seconds);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringLiteral(
                     "-nostdin -v error -y -f lavfi -i testsrc2=size=96x64:rate=25:duration=%1 "
                     "-f lavfi -i sine=f=300:d=%1:r=48000 -f lavfi -i sine=f=600:d=%1:r=32000 "
                     "-f lavfi -i sine=f=900:d=%1:r=44100 -map 0 -map 1 -map 2 -map 3 %2")
                         .arg(length, codecs)
                         .split(QLatin1Char(' '))
                     << dir.file(name));
    EXPECT_TRUE(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0)
        << ffmpeg.readAllStandardError().toStdString();
    return dir.read(name);
}

QString output(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// "rate language" of each audio track in the order ffprobe gives its streams.
QStringList ffprobeAudio(const QString &path)
{
    return output(QStringLiteral("ffprobe"),
                  QStringLiteral("-v error -select_streams a -show_entries "
                                 "stream=sample_rate:stream_tags=language -of csv=p=0:s=_")
                          .split(QLatin1Char(' '))
                      << path)
        .section(QStringLiteral("\n\n"), -1)   // a transport stream's program lists them first
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The same as GStreamer's discoverer lists the audio streams (two-letter languages).
QStringList gstreamerAudio(const QString &path)
{
    const QString report = output(QStringLiteral("gst-discoverer-1.0"),
                                  {QStringLiteral("-v"), path});
    QStringList tracks;
    static const QRegularExpression field(QStringLiteral("^\\s*(Language|Sample rate): (.*)$"),
                                          QRegularExpression::MultilineOption);
    QString language;
    for (const QRegularExpressionMatch &m : field.globalMatch(report)) {
        if (m.captured(1) == QLatin1String("Language"))
            language = m.captured(2).trimmed();
        else
            tracks << m.captured(2).trimmed() + QLatin1Char('_') + language;
    }
    return tracks;
}

// The sample rate of each audio track in the order libVLC's player lists a program stream's:
// each is chosen in turn and played until its decoder tells its rate.
QStringList vlcAudioRates(const QString &path)
{
    const char *const arguments[] = {"--quiet",      "--ignore-config", "--no-lua",
                                     "--vout=dummy", "--aout=dummy",    "--no-video"};
    libvlc_instance_t *instance = libvlc_new(std::size(arguments), arguments);
    if (!instance)
        return {};
    QStringList rates;
    libvlc_media_t *media = libvlc_media_new_path(instance, path.toUtf8().constData());
    libvlc_media_player_t *player = libvlc_media_player_new_from_media(media);
    libvlc_media_player_play(player);
    QList<int> ids;
    for (int i = 0; i < 300 && ids.size() < 3; ++i) {
        QThread::msleep(10);
        ids.clear();
        libvlc_track_description_t *list = libvlc_audio_get_track_description(player);
        for (libvlc_track_description_t *t = list; t; t = t->p_next)
            if (t->i_id >= 0)
                ids << t->i_id;
        libvlc_track_description_list_release(list);
    }
    for (const int id : std::as_const(ids)) {
        libvlc_audio_set_track(player, id);
        unsigned rate = 0;
        for (int i = 0; i < 300 && rate == 0; ++i) {
            QThread::msleep(10);
            libvlc_media_track_t **tracks = nullptr;
            const unsigned count = libvlc_media_tracks_get(media, &tracks);
            for (unsigned t = 0; t < count; ++t)
                if (tracks[t]->i_id == id && tracks[t]->i_type == libvlc_track_audio)
                    rate = tracks[t]->audio->i_rate;
            if (tracks)
                libvlc_media_tracks_release(tracks, count);
        }
        rates << QString::number(rate);
    }
    libvlc_media_player_stop(player);
    libvlc_media_player_release(player);
    libvlc_media_release(media);
    libvlc_release(instance);
    return rates;
}

// The languages of the audio tracks as libVLC reads the file's header.
QStringList vlcAudioLanguages(const QString &path)
{
    QStringList languages;
    for (const VlcTrack &track : VlcTracks(path))
        if (track.type == libvlc_track_audio)
            languages << track.language;
    return languages;
}

// The muxer took the video, then the 48000, 32000 and 44100 Hz tracks; the source had them as
// 32000 (eng), 44100 (fra), 48000 (deu).
const QList<OutputTracks::TrackPlan> Plan{{0, QString(), true, Kind::Video},
                                          {3, QStringLiteral("deu"), false, Kind::Audio},
                                          {1, QStringLiteral("eng"), true, Kind::Audio},
                                          {2, QStringLiteral("fra"), false, Kind::Audio}};

const char *const TransportStream = "-c:v mpeg2video -c:a mp2 -f mpegts";
const char *const ProgramStream = "-c:v mpeg1video -c:a mp2 -f mpeg";

}   // namespace

TEST(MpegTracks, TheAudioTracksTakeTheSourcesOrderAndLanguagesInEveryPlayer)
{
    TempDir dir;
    for (const auto &[name, codecs] :
         {std::pair{"clip.ts", TransportStream}, std::pair{"clip.mpg", ProgramStream}}) {
        SCOPED_TRACE(name);
        const QString path = dir.file(QLatin1String(name));
        const QByteArray before = madeByFfmpeg(dir, QLatin1String(name), QLatin1String(codecs), 4);
        ASSERT_FALSE(before.isEmpty());
        const bool ts = QLatin1String(name).endsWith(QLatin1String(".ts"));
        if (!ts) {
            EXPECT_EQ(vlcAudioRates(path), QStringList({"48000", "32000", "44100"}));
        }

        EXPECT_EQ(OutputTracks::Arrange(path, Plan), Outcome::Arranged);
        const QByteArray after = dir.read(QLatin1String(name));
        EXPECT_EQ(after.size(), before.size());
        if (ts) {
            // libVLC lists a transport stream's tracks in its map's order, as the others do:
            // their languages show which is which.
            // A program stream's players read no languages (libVLC's muxer writes them in a
            // stream map, which FFmpeg's does not).
            EXPECT_EQ(ffprobeAudio(path), QStringList({"32000_eng", "44100_fra", "48000_deu"}));
            EXPECT_EQ(gstreamerAudio(path), QStringList({"32000_en", "44100_fr", "48000_de"}));
            EXPECT_EQ(vlcAudioLanguages(path), QStringList({"eng", "fra", "deu"}));
            EXPECT_EQ(OutputTracks::ReadTracks(path)->at(1).language, QStringLiteral("eng"));
        } else {
            // libVLC lists a program stream's tracks as their first packets come.
            EXPECT_EQ(vlcAudioRates(path), QStringList({"32000", "44100", "48000"}));
            EXPECT_EQ(ffprobeAudio(path), QStringList({"32000", "44100", "48000"}));
            EXPECT_EQ(gstreamerAudio(path),
                      QStringList({"32000_<unknown>", "44100_<unknown>", "48000_<unknown>"}));
        }
        PlayerChecks::ToolChecks tools(path);
        EXPECT_EQ(PlayerChecks::LibVlcProblem(path), QString());
        EXPECT_EQ(tools.ffmpegProblem(), QString());
        EXPECT_EQ(tools.gstreamerProblem(), QString());

        // Arranged once more, in the order it now has, it stays as it is.
        QList<OutputTracks::TrackPlan> again = Plan;
        std::stable_sort(again.begin(), again.end(),
                         [](const auto &a, const auto &b) { return a.rank < b.rank; });
        EXPECT_EQ(OutputTracks::Arrange(path, again), Outcome::Arranged);
        EXPECT_EQ(dir.read(QLatin1String(name)), after);
    }
}

TEST(MpegTracks, AStreamThatDoesNotReadIsLeftAsItIs)
{
    TempDir dir;
    for (const auto &[name, codecs] :
         {std::pair{"clip.ts", TransportStream}, std::pair{"clip.mpg", ProgramStream}}) {
        SCOPED_TRACE(name);
        const QByteArray whole = madeByFfmpeg(dir, QLatin1String(name), QLatin1String(codecs), 1);
        ASSERT_FALSE(whole.isEmpty());
        const QString path = dir.write(QStringLiteral("try"), whole);
        EXPECT_EQ(OutputTracks::Arrange(path, Plan.mid(1)), Outcome::Mismatch);
        EXPECT_EQ(dir.read(QStringLiteral("try")), whole);

        // Every byte up to the audio's first packets made wrong in turn: whatever it then
        // reads, a file that is not arranged is not written to.
        const bool ts = QLatin1String(name).endsWith(QLatin1String(".ts"));
        const qsizetype headerEnd = ts ? 188 * 8 : whole.indexOf(QByteArray("\0\0\1\xc2", 4)) + 4;
        ASSERT_GT(headerEnd, 4);
        EXPECT_GT(CorruptEachInTurn(whole, PlacesBetween(0, headerEnd), Plan), 0);
        // Cut short anywhere, the same; every cut of a transport stream's packet shows.
        for (qsizetype size = 0; size < whole.size(); size += size < headerEnd ? 1 : 97) {
            const auto [outcome, after] = ArrangedCopy(whole.left(size), Plan);
            if (outcome != Outcome::Arranged) {
                ASSERT_EQ(after, whole.left(size)) << "cut at " << size;
            } else {
                ASSERT_FALSE(ts && size % 188 != 0) << "cut at " << size;
            }
        }
    }
}
