// SPDX-License-Identifier: GPL-3.0-or-later
// What putting an output's tracks as the source had them costs per file: a source with three
// audio tracks is converted once per target by libVLC, and its output, copied as the muxer
// wrote it, has its track list rewritten again and again.
//
//   bench_tracks [seconds=120] [copies=10]
// Exit code 1 when a target is missed: at most 20 ms per file plus 4 ms per MB (a Matroska or
// AVI output is read once, from the page cache it was just written to, to renumber its blocks
// or chunks; an ASF output given languages is moved back by the objects added to its header).
#include "convert/LibVlcControl.h"
#include "convert/TranscodeOption.h"
#include "settings/FormatCatalog.h"
#include "tests/support/Mp4Settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 120;
    const int copies = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("tracks.mkv"));
    const QString length = QString::number(seconds);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-nostdin"),
                  QStringLiteral("-v"),
                  QStringLiteral("error"),
                  QStringLiteral("-f"),
                  QStringLiteral("lavfi"),
                  QStringLiteral("-i"),
                  QStringLiteral("testsrc2=size=640x360:rate=25:duration=") + length,
                  QStringLiteral("-f"),
                  QStringLiteral("lavfi"),
                  QStringLiteral("-i"),
                  QStringLiteral("sine=f=300:d=") + length,
                  QStringLiteral("-f"),
                  QStringLiteral("lavfi"),
                  QStringLiteral("-i"),
                  QStringLiteral("sine=f=600:d=") + length,
                  QStringLiteral("-f"),
                  QStringLiteral("lavfi"),
                  QStringLiteral("-i"),
                  QStringLiteral("sine=f=900:d=") + length,
                  QStringLiteral("-map"),
                  QStringLiteral("0"),
                  QStringLiteral("-map"),
                  QStringLiteral("1"),
                  QStringLiteral("-map"),
                  QStringLiteral("2"),
                  QStringLiteral("-map"),
                  QStringLiteral("3"),
                  QStringLiteral("-c:v"),
                  QStringLiteral("libx264"),
                  QStringLiteral("-preset"),
                  QStringLiteral("ultrafast"),
                  QStringLiteral("-c:a"),
                  QStringLiteral("libvorbis"),
                  QStringLiteral("-metadata:s:a:0"),
                  QStringLiteral("language=eng"),
                  QStringLiteral("-metadata:s:a:1"),
                  QStringLiteral("language=fra"),
                  QStringLiteral("-metadata:s:a:2"),
                  QStringLiteral("language=deu"),
                  source});
    if (!ffmpeg.waitForFinished(600000) || ffmpeg.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg failed: %s\n", ffmpeg.readAllStandardError().constData());
        return 2;
    }
    CLibVlcControlFactory factory;
    bool missed = false;
    // The catalogue's muxer and codecs for each target; an MPEG output is read whole twice
    // (once checked, once renumbered), and every chunk of a moved AVI stream is renamed.
    struct Target
    {
        const char *extension, *muxer, *video, *audio;
    };
    for (const Target &target :
         {Target{".mp4", "avformat{}", "h264", "mp4a"}, Target{".mkv", "avformat", "h264", "mp4a"},
          Target{".avi", "avformat", "mp4v", "mpga"}, Target{".ts", "avformat", "h264", "mp4a"},
          Target{".mpg", "ps", "mp2v", "mpga"}, Target{".wmv", "asf", "WMV2", "wma2"}}) {
        ConversionSettings settings = Mp4Settings();
        settings.convertTo = QLatin1String(target.extension);
        settings.container = QLatin1String(target.muxer);
        settings.videoCodec = QLatin1String(target.video);
        settings.audioCodec = QLatin1String(target.audio);
        const QString output = dir.filePath(QStringLiteral("out")) + settings.convertTo;
        std::unique_ptr<CVLCControl> control = factory.CreateControl();
        control->addTarget(source, {TranscodeOption::Build(settings, output)}, 10, -666);
        while (control->GetTime() >= 0 || control->GetPosition() >= 0)
            QThread::msleep(20);
        control->playlistClear();
        QList<qint64> times;
        for (int i = 0; i < copies; ++i) {
            const QString copy = dir.filePath(QStringLiteral("copy")) + settings.convertTo;
            QFile::remove(copy);
            QFile::copy(output, copy);
            QElapsedTimer timer;
            timer.start();
            const QString error = control->ArrangeTracks(copy);
            times << timer.nsecsElapsed() / 1000;
            if (!error.isEmpty())
                std::fprintf(stderr, "%s: %s\n", target.extension, qPrintable(error));
        }
        std::sort(times.begin(), times.end());
        const double megabytes = double(QFileInfo(output).size()) / 1e6;
        const double medianMs = double(times.at(times.size() / 2)) / 1000.0;
        const double limitMs = 20.0 + 4.0 * megabytes;
        std::printf("%s: %.1f MB, rewriting its track list: median %.2f ms (min %.2f, max %.2f) "
                    "over %d copies; target <= %.1f ms\n",
                    target.extension, megabytes, medianMs, double(times.first()) / 1000.0,
                    double(times.last()) / 1000.0, copies, limitMs);
        missed = missed || medianMs > limitMs;
    }
    return missed ? 1 : 0;
}
