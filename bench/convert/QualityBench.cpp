// SPDX-License-Identifier: GPL-3.0-or-later
// Quality per bit and cost per file, against the best command-line encoders, in one run.
//
// Cost: the same clips converted to H.264 1024 kbit/s + AAC 128 kbit/s in MP4 by the whole
// program (its real window, movie and driver), by bare libVLC with the option the program
// builds, by the ffmpeg command line and by HandBrakeCLI when it is installed; the rounds are
// interleaved. Seconds and CPU seconds per file, output size.
//
// Quality: a lossless source (testsrc2 in FFV1 + PCM) converted at the catalogue's default bit
// rate with every video codec the shipped catalogue offers, by the program and by the ffmpeg
// command line with the same codec, bit rate and container; mean SSIM against the source with
// frames paired by index, frames kept, whether every frame keeps its source time, CPU seconds.
// One interlaced source shows that interlaced video is still deinterlaced (ffmpeg's idet).
//
//   bench_quality [clips=2] [seconds=8] [rounds=2] [quality seconds=4] [catalogue]
// quality seconds 0 skips the quality part.
// catalogue: another Formats.ini to run with (e.g. one without the optional sections, to see the
// plain option); the shipped one by default.
// Exit code 1 when a goal is missed: program CPU per file <= bare libVLC + 0.3 s; per codec
// SSIM >= ffmpeg's - 0.003 at <= 110 % of ffmpeg's CPU, every frame kept at its source time;
// the interlaced source comes out deinterlaced.
#include "BareLibVlc.h"
#include "BenchWindow.h"
#include "Cost.h"
#include "Unattended.h"
#include "convert/LibVlcControl.h"
#include "convert/OutputNaming.h"
#include "convert/TranscodeOption.h"
#include "filelist/CFileListBox.h"
#include "platform/DesktopNotifier.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "platform/ThreadClock.h"
#include "settings/CIniFile.h"
#include "settings/FormatCatalog.h"
#include "ui/CConverterDlg.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>

namespace {

// ---- Tools -----------------------------------------------------------------------------------

QString run(const QString &program, const QStringList &args, bool quiet = false)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.waitForFinished(1800000);
    const QString out = QString::fromUtf8(p.readAll());
    if (!quiet && (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0))
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), qPrintable(out.right(2000)));
    return out;
}

QString ffmpegBin()
{
    return QStringLiteral("ffmpeg");
}

// Presentation times of the first video stream, in order, from 0.
QList<double> frameTimes(const QString &path)
{
    const QString out = run(QStringLiteral("ffprobe"),
                            {"-v", "error", "-select_streams", "v:0", "-show_entries",
                             "packet=pts_time", "-of", "csv=p=0", path});
    QList<double> times;
    for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        bool ok = false;
        const double t = line.trimmed().toDouble(&ok);
        if (ok)
            times << t;
    }
    std::sort(times.begin(), times.end());
    if (!times.isEmpty()) {
        const double first = times.first();
        for (double &t : times)
            t -= first;
    }
    return times;
}

struct Picture
{
    double ssim = 0;
    int frames = 0;
    bool timesMatch = false;
};

// Mean SSIM with frames paired by index: each file decoded on its own to raw yuv420p, every
// frame as it is, then the two raw streams compared. An output of another size is scaled to the
// source's (FFmpeg's default bicubic), and when it is shorter the ssim filter repeats its last
// frame for the source frames it lacks, so a lost frame costs SSIM as well.
Picture compare(const QString &source, const QString &output, const QString &work, QSize size)
{
    Picture result;
    if (!QFileInfo(output).isFile())
        return result;
    const QString a = work + "/a.yuv", b = work + "/b.yuv";
    for (const auto &[in, raw] : {std::pair{source, a}, std::pair{output, b}})
        run(ffmpegBin(),
            {"-nostdin", "-v", "error", "-y", "-i", in, "-map", "0:v:0", "-fps_mode", "passthrough",
             "-pix_fmt", "yuv420p", "-s",
             QStringLiteral("%1x%2").arg(size.width()).arg(size.height()), "-f", "rawvideo", raw});
    const qint64 frameBytes = qint64(size.width()) * size.height() * 3 / 2;
    result.frames = static_cast<int>(QFileInfo(b).size() / frameBytes);
    const QString sizeText = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
    const QString log = run(ffmpegBin(),
                            {"-nostdin", "-f", "rawvideo", "-pix_fmt", "yuv420p",  "-s",
                             sizeText,   "-i", a,          "-f",       "rawvideo", "-pix_fmt",
                             "yuv420p",  "-s", sizeText,   "-i",       b,          "-lavfi",
                             "ssim",     "-f", "null",     "-"},
                            true);
    const QRegularExpressionMatch m
        = QRegularExpression(QStringLiteral("All:([0-9.]+)")).match(log);
    result.ssim = m.hasMatch() ? m.captured(1).toDouble() : 0;
    QFile::remove(a);
    QFile::remove(b);

    const QList<double> want = frameTimes(source), got = frameTimes(output);
    result.timesMatch = want.size() == got.size();
    for (qsizetype i = 0; result.timesMatch && i < want.size(); ++i)
        result.timesMatch = std::abs(want[i] - got[i]) < 0.002;
    return result;
}

// idet's reading of a file: frames still combed, and frames it calls progressive.
std::pair<int, int> idet(const QString &path)
{
    const QString log
        = run(ffmpegBin(), {"-nostdin", "-i", path, "-an", "-vf", "idet", "-f", "null", "-"}, true);
    const QRegularExpressionMatch m
        = QRegularExpression(
              QStringLiteral(
                  "Multi frame detection: TFF:\\s*(\\d+) BFF:\\s*(\\d+) Progressive:\\s*(\\d+)"))
              .match(log);
    if (!m.hasMatch())
        return {-1, -1};
    return {m.captured(1).toInt() + m.captured(2).toInt(), m.captured(3).toInt()};
}

qint64 sizeOf(const QStringList &files)
{
    qint64 total = 0;
    for (const QString &f : files)
        total += QFileInfo(f).size();
    return total;
}

// ---- The contenders --------------------------------------------------------------------------

struct Target
{
    QString extension, muxer, videoCodec, audioCodec;
};

QString outputOf(const QString &source, const QString &outDir, const QString &extension)
{
    return OutputNaming::DefaultCandidate(source, false, outDir, extension);
}

ConversionSettings settingsFor(const Target &t)
{
    return {t.extension,         t.muxer,      t.videoCodec,          QStringLiteral("1024"),
            QStringLiteral("1"), t.audioCodec, QStringLiteral("128"), QStringLiteral("2")};
}

// Bare libVLC: the option the program would build for each file (worked out beforehand, so
// that only libVLC's own work is timed), one fresh player per file, polled finely.
Cost bareLibVlc(const QStringList &sources, const QString &outDir, const Target &target,
                CIniFile &ini, CLibVlcControlFactory &factory)
{
    QStringList options;
    for (const QString &source : sources)
        options << TranscodeOption::BuildFor(settingsFor(target),
                                             outputOf(source, outDir, target.extension), ini,
                                             source, factory);
    return Measure([&] { ConvertBare(factory, sources, options); });
}

const std::map<QString, QString> FfmpegVideo{{"h264", "libx264"},    {"h265", "libx265"},
                                             {"mp4v", "mpeg4"},      {"theo", "libtheora"},
                                             {"VP80", "libvpx"},     {"DIV3", "msmpeg4"},
                                             {"WMV2", "wmv2"},       {"mp2v", "mpeg2video"},
                                             {"mp1v", "mpeg1video"}, {"FLV1", "flv"},
                                             {"h263", "h263"}};
const std::map<QString, QString> FfmpegAudio{{"mp4a", "aac"},     {"mp3", "libmp3lame"},
                                             {"mpga", "mp2"},     {"vorb", "libvorbis"},
                                             {"opus", "libopus"}, {"flac", "flac"},
                                             {"wma2", "wmav2"}};

Cost ffmpegCli(const QStringList &sources, const QString &outDir, const Target &t)
{
    return Measure([&] {
        for (const QString &source : sources) {
            QStringList args{"-nostdin", "-v",    "error", "-y",
                             "-i",       source,  "-c:v",  FfmpegVideo.at(t.videoCodec),
                             "-b:v",     "1024k", "-c:a",  FfmpegAudio.at(t.audioCodec),
                             "-b:a",     "128k",  "-ac",   "2"};
            if (t.muxer == QLatin1String("mpeg1"))
                args << "-f"
                     << "mpeg";
            args << outputOf(source, outDir, t.extension);
            run(ffmpegBin(), args);
        }
    });
}

bool haveHandBrake()
{
    return !QStandardPaths::findExecutable(QStringLiteral("HandBrakeCLI")).isEmpty();
}

Cost handBrake(const QStringList &sources, const QString &outDir)
{
    return Measure([&] {
        for (const QString &source : sources)
            run(QStringLiteral("HandBrakeCLI"),
                {"-i", source, "-o", outputOf(source, outDir, ".mp4"), "-e", "x264", "-b", "1024",
                 "-E", "av_aac", "-B", "128", "--mixdown", "stereo", "--crop-mode", "none",
                 "--non-anamorphic", "--vfr"},
                false);
    });
}

// ---- The catalogue's video codecs -------------------------------------------------------------

// Each video codec once, with the first target and muxer that offer it and that muxer's first
// audio codec.
QList<Target> catalogueCodecs(CIniFile &ini)
{
    QList<Target> rows;
    QStringList seen;
    for (const QString &extension :
         SplitList(ini.GetString("Extentions", QString(), GeneralSection)))
        for (const QString &muxer : SplitList(ini.GetString(extension, QString(), MuxerSection)))
            for (const QString &codec :
                 SplitList(ini.GetString(CodecListKey(ini, VideoCodecSection, extension, muxer),
                                         QString(), VideoCodecSection))) {
                if (codec.isEmpty() || seen.contains(codec) || !FfmpegVideo.count(codec))
                    continue;
                seen << codec;
                rows.append(
                    {extension, muxer, codec,
                     SplitList(ini.GetString(CodecListKey(ini, AudioCodecSection, extension, muxer),
                                             QString(), AudioCodecSection))
                         .first()});
            }
    return rows;
}

QString makeClip(const QString &path, const QStringList &videoArgs, int seconds)
{
    QStringList args{"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i"};
    args << videoArgs.first() << "-f"
         << "lavfi"
         << "-i" << QStringLiteral("sine=frequency=440:duration=%1").arg(seconds) << "-ac"
         << "2";
    args << videoArgs.mid(1) << "-shortest" << path;
    run(ffmpegBin(), args);
    return path;
}

void printRow(const char *name, const Cost &cost, int files, qint64 bytes)
{
    std::printf("| %-44s | %8.2f | %8.2f | %8.0f |\n", name, cost.seconds / files, cost.cpu / files,
                bytes / 1024.0 / files);
}

}   // namespace

int main(int argc, char **argv)
{
    UseUnattendedPlatform();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int clips = NumberArgument(args, 1, 2);
    const int seconds = NumberArgument(args, 2, 8);
    const int rounds = NumberArgument(args, 3, 2);
    const int qualitySeconds = NumberArgument(args, 4, 4);

    QTemporaryDir work;
    const QString programDir = ProgramFolder(work, {"Formats.ini", "main.qml", "help.html",
                                                    "movarin.png"});
    if (args.size() > 5) {
        QFile::remove(programDir + "Formats.ini");
        if (!QFile::copy(args[5], programDir + "Formats.ini")) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(args[5]));
            return 2;
        }
    }
    CIniFile ini(programDir);
    ini.SetPath(QStringLiteral("Formats.ini"));

    CLibVlcControlFactory factory;
    BenchWindow program(programDir, factory);
    bool ok = true;

    // ---- Cost ------------------------------------------------------------------------------
    std::printf("Cost: %d clips of %d s, 1280x720 25 fps MPEG-4 Part 2 + MP3 in AVI, to H.264 "
                "1024 kbit/s + AAC 128 kbit/s in MP4; %d rounds interleaved\n",
                clips, seconds, rounds);
    QStringList sources;
    for (int i = 0; i < clips; ++i)
        sources << makeClip(
            work.path() + QStringLiteral("/clip%1.avi").arg(i),
            {QStringLiteral("testsrc2=size=1280x720:rate=25:duration=%1").arg(seconds), "-c:v",
             "mpeg4", "-q:v", "3", "-c:a", "libmp3lame"},
            seconds);
    // The program's start-up choice: .mp4 with the catalogue's first muxer for it.
    const Target mp4{".mp4", SplitList(ini.GetString(".mp4", QString(), MuxerSection)).first(),
                     "h264", "mp4a"};
    const bool handBrakeThere = haveHandBrake();
    const QStringList names{"Movarin, the whole program", "bare libVLC, the same option",
                            "ffmpeg command line (libx264)", "HandBrakeCLI (x264)"};
    // libVLC's start (its plugins) and the page cache are paid before anything is timed.
    {
        const QString warm = work.path() + "/warm";
        QDir().mkpath(warm);
        bareLibVlc({sources.first()}, warm, mp4, ini, factory);
    }
    // What the program adds per file before libVLC converts: examining the source.
    const Cost probe = Measure([&] {
        for (const QString &source : sources)
            factory.IsInterlaced(source);
    });
    std::map<int, Cost> costs;
    std::map<int, qint64> bytes;
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < 4; ++k) {
            const int who = (k + round) % 4;
            if (who == 3 && !handBrakeThere)
                continue;
            const QString out = work.path() + QStringLiteral("/cost%1-%2").arg(who).arg(round);
            QDir().mkpath(out);
            Cost c;
            switch (who) {
            case 0:
                program.choose(mp4.extension, mp4.muxer, mp4.videoCodec, mp4.audioCodec);
                c = Measure([&] { program.convert(sources, out); });
                break;
            case 1:
                c = bareLibVlc(sources, out, mp4, ini, factory);
                break;
            case 2:
                c = ffmpegCli(sources, out, mp4);
                break;
            default:
                c = handBrake(sources, out);
                break;
            }
            costs[who].seconds += c.seconds / rounds;
            costs[who].cpu += c.cpu / rounds;
            QStringList outs;
            for (const QString &s : sources)
                outs << outputOf(s, out, ".mp4");
            bytes[who] = sizeOf(outs);
        }
    }
    std::printf("\n| %-44s | %8s | %8s | %8s |\n|---|---|---|---|\n", "contender", "s/file",
                "CPU s/file", "kB/file");
    for (int who = 0; who < 4; ++who)
        if (costs.count(who))
            printRow(qPrintable(names[who]), costs[who], clips, bytes[who]);
    std::printf("| %-44s | %8.2f | %8.2f | %8s |\n", "(of the program's: examining the source)",
                probe.seconds / clips, probe.cpu / clips, "");
    const double overhead = (costs[0].cpu - costs[1].cpu) / clips;
    const bool costOk = overhead <= 0.3;
    ok = ok && costOk;
    std::printf("\nprogram CPU per file beyond bare libVLC: %.2f s (goal <= 0.30 s) %s\n\n",
                overhead, costOk ? "PASS" : "FAIL");

    if (qualitySeconds <= 0) {
        std::printf("%s\n", ok ? "All goals met." : "Some goals missed.");
        return ok ? 0 : 1;
    }

    // ---- Quality ---------------------------------------------------------------------------
    const QSize size(1280, 720);
    const QString lossless = makeClip(
        work.path() + "/lossless.mkv",
        {QStringLiteral("testsrc2=size=1280x720:rate=25:duration=%1").arg(qualitySeconds), "-c:v",
         "ffv1", "-c:a", "pcm_s16le"},
        qualitySeconds);
    const int sourceFrames = frameTimes(lossless).size();
    std::printf("Quality: %d s of 1280x720 testsrc2 in FFV1 + PCM (%d frames), each catalogue "
                "video codec at 1024 kbit/s, SSIM with frames paired by index\n\n",
                qualitySeconds, sourceFrames);
    std::printf("| %-5s | %-16s | %-8s | %7s | %-9s | %-5s | %6s | %7s | %7s | %s |\n"
                "|---|---|---|---|---|---|---|---|---|---|\n",
                "codec", "target", "who", "SSIM", "frames", "times", "CPU s", "kB", "dSSIM",
                "verdict");
    const QString scratch = work.path() + "/scratch";
    QDir().mkpath(scratch);
    auto row = [&](const Target &t, const char *who, const QString &output, const Cost &cost,
                   const QString &verdict, double delta) {
        const Picture p = compare(lossless, output, scratch, size);
        std::printf(
            "| %-5s | %-16s | %-8s | %7.4f | %3d of %3d | %-5s | %6.2f | %7.0f | %7s | %s |\n",
            qPrintable(t.videoCodec),
            qPrintable(t.extension + QLatin1Char(' ') + t.muxer + QLatin1Char(' ') + t.audioCodec),
            who, p.ssim, p.frames, sourceFrames, p.timesMatch ? "same" : "moved", cost.cpu,
            QFileInfo(output).size() / 1024.0,
            std::isnan(delta) ? "" : qPrintable(QString::number(delta, 'f', 4)),
            qPrintable(verdict));
        return p;
    };
    for (const Target &t : catalogueCodecs(ini)) {
        const QString outProgram = work.path() + "/q-program-" + t.videoCodec;
        const QString outFfmpeg = work.path() + "/q-ffmpeg-" + t.videoCodec;
        QDir().mkpath(outProgram);
        QDir().mkpath(outFfmpeg);
        program.choose(t.extension, t.muxer, t.videoCodec, t.audioCodec);
        const Cost costProgram = Measure([&] { program.convert({lossless}, outProgram); });
        const Cost costFfmpeg = ffmpegCli({lossless}, outFfmpeg, t);
        const QString fileProgram = outputOf(lossless, outProgram, t.extension);
        const QString fileFfmpeg = outputOf(lossless, outFfmpeg, t.extension);
        const Picture ref = compare(lossless, fileFfmpeg, scratch, size);
        const Picture got = compare(lossless, fileProgram, scratch, size);
        const double delta = got.ssim - ref.ssim;
        QStringList misses;
        if (delta < -0.003)
            misses << "SSIM";
        if (costProgram.cpu > 1.1 * costFfmpeg.cpu)
            misses << "CPU";
        if (got.frames != sourceFrames)
            misses << "frames";
        if (!got.timesMatch)
            misses << "times";
        ok = ok && misses.isEmpty();
        row(t, "Movarin", fileProgram, costProgram,
            misses.isEmpty() ? QStringLiteral("PASS")
                             : QStringLiteral("FAIL: ") + misses.join(", "),
            delta);
        row(t, "ffmpeg", fileFfmpeg, costFfmpeg, QString(), NAN);
        if (t.videoCodec == QLatin1String("h264")) {
            const QString outBare = work.path() + "/q-bare";
            QDir().mkpath(outBare);
            const Cost bare = bareLibVlc({lossless}, outBare, t, ini, factory);
            row(t, "libVLC", outputOf(lossless, outBare, t.extension), bare, QString(), NAN);
            if (handBrakeThere) {
                const QString outHb = work.path() + "/q-hb";
                QDir().mkpath(outHb);
                const Cost hb = handBrake({lossless}, outHb);
                row(t, "HandBrake", outputOf(lossless, outHb, ".mp4"), hb, QString(), NAN);
            }
        }
        std::fflush(stdout);
    }

    // ---- Interlaced source -----------------------------------------------------------------
    const QString woven
        = makeClip(work.path() + "/interlaced.mpg",
                   {QStringLiteral("testsrc2=size=720x576:rate=50:duration=%1").arg(qualitySeconds),
                    "-vf", "tinterlace=mode=interleave_top,setfield=tff", "-flags", "+ildct+ilme",
                    "-top", "1", "-c:v", "mpeg2video", "-q:v", "2", "-c:a", "mp2"},
                   qualitySeconds);
    const QString outWoven = work.path() + "/interlaced-out";
    QDir().mkpath(outWoven);
    program.choose(mp4.extension, mp4.muxer, mp4.videoCodec, mp4.audioCodec);
    program.convert({woven}, outWoven);
    const auto [srcCombed, srcProgressive] = idet(woven);
    const auto [outCombed, outProgressive] = idet(outputOf(woven, outWoven, ".mp4"));
    const bool deinterlaced = outProgressive > 0 && outCombed * 20 <= outProgressive;
    ok = ok && deinterlaced;
    std::printf("\nInterlaced source (720x576, top field first, MPEG-2): idet reads %d combed, %d "
                "progressive frames; the program's MP4: %d combed, %d progressive: %s\n",
                srcCombed, srcProgressive, outCombed, outProgressive,
                deinterlaced ? "deinterlaced, PASS" : "FAIL");
    std::printf("\n%s\n", ok ? "All goals met." : "Some goals missed.");
    return ok ? 0 : 1;
}
