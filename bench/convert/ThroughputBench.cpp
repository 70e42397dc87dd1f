// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput on many files, in one run with the rounds interleaved: the window on a queue of
// short clips, the batch command on two cores against GNU parallel running the ffmpeg command
// line, and the batch command on long 720p clips against the ffmpeg command line.
//
// Two yardsticks run with them: bare libVLC (the same option, without the program's look at the
// source, check of the output, pause or poll) one file at a time and two at a time. They tell
// what this machine allows: the window cannot beat its pause plus bare libVLC, nor the batch
// command two bare libVLC conversions at once.
//
// Every contender converts to the catalogue's default choice (its first target, muxer and codecs,
// with the window's default bit rates, scale and channels). The ffmpeg command line is given
// the encoder settings libVLC uses for that choice, as far as the command line can say them
// (see docs/benchmarks.md for where the two still differ).
//
//   bench_throughput [rounds=3] [short clips=12] [long clips=2] [long seconds=30]
// Exit code 1 when a goal is missed (on the medians of the rounds):
//   the window <= 1.1 s per short clip;
//   the batch command with --jobs 2 no slower than parallel -j2 with the ffmpeg command line;
//   the batch command on the long clips within 10 % of the ffmpeg command line.
#include "BareLibVlc.h"
#include "BenchWindow.h"
#include "Cost.h"
#include "Unattended.h"
#include "convert/LibVlcControl.h"
#include "convert/OutputNaming.h"
#include "convert/TranscodeOption.h"
#include "filelist/CFileListBox.h"
#include "platform/ProcessMemory.h"
#include "platform/ThreadClock.h"
#include "settings/CIniFile.h"
#include "settings/FormatCatalog.h"
#include "ui/CConverterDlg.h"

#include <vlc/vlc.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <dlfcn.h>
#include <functional>
#include <map>

namespace {

// ---- Time and CPU ----------------------------------------------------------------------------

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly)
               ? QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2)
               : QStringLiteral("?");
}

// ---- Tools -----------------------------------------------------------------------------------

// Runs a program to its end with the environment given; false (and what it said) when it failed.
bool run(const QString &program, const QStringList &args,
         const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(environment);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForFinished(3600000) || p.exitStatus() != QProcess::NormalExit
        || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed (%d): %s\n", qPrintable(program), p.exitCode(),
                     p.readAll().right(3000).constData());
        return false;
    }
    return true;
}

QString firstLineOf(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAll()).section(QLatin1Char('\n'), 0, 0).trimmed();
}

QString cpuModel()
{
    QFile file(QStringLiteral("/proc/cpuinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    for (const QByteArray &line : file.readAll().split('\n'))
        if (line.startsWith("model name"))
            return QString::fromLatin1(line.mid(line.indexOf(':') + 1).trimmed());
    return QStringLiteral("?");
}

// Whether libVLC finds its plugin cache beside its plugins (as libvlccore looks for it: the
// folder of the library, then vlc/plugins). Without it every process that starts libVLC loads
// each plugin first, which costs each file of a --jobs run about a third of a CPU second.
QString pluginCache()
{
    Dl_info library{};
    if (dladdr(reinterpret_cast<void *>(&libvlc_new), &library) == 0 || !library.dli_fname)
        return QStringLiteral("plugin cache unknown");
    const QString cache = QFileInfo(QString::fromLocal8Bit(library.dli_fname)).absolutePath()
                          + QStringLiteral("/vlc/plugins/plugins.dat");
    return QFileInfo::exists(cache)
               ? QStringLiteral("plugin cache ") + cache
               : QStringLiteral("NO plugin cache at ") + cache
                     + QStringLiteral(
                         " (install libvlc-bin): every libVLC start scans its plugins");
}

QStringList makeClips(const QString &folder, const QString &stem, int count, int seconds,
                      const QString &size)
{
    QDir().mkpath(folder);
    QStringList clips;
    for (int i = 0; i < count; ++i) {
        const QString clip = folder + QStringLiteral("/%1%2.avi").arg(stem).arg(i);
        // MPEG-4 Part 2 and MP3 in AVI; each clip its own tone, and a picture that moves.
        if (!run(QStringLiteral("ffmpeg"),
                 {"-nostdin",
                  "-v",
                  "error",
                  "-y",
                  "-f",
                  "lavfi",
                  "-i",
                  QStringLiteral("testsrc2=size=%1:rate=25:duration=%2").arg(size).arg(seconds),
                  "-f",
                  "lavfi",
                  "-i",
                  QStringLiteral("sine=frequency=%1:sample_rate=44100:duration=%2")
                      .arg(300 + 40 * i)
                      .arg(seconds),
                  "-ac",
                  "2",
                  "-c:v",
                  "mpeg4",
                  "-q:v",
                  "4",
                  "-c:a",
                  "libmp3lame",
                  "-b:a",
                  "128k",
                  "-shortest",
                  clip}))
            return {};
        clips << clip;
    }
    return clips;
}

// Whether every source has a non-empty output in folder, named as the program names it.
bool allConverted(const QStringList &sources, const QString &folder, const QString &extension)
{
    for (const QString &source : sources) {
        const QFileInfo out(OutputNaming::DefaultCandidate(source, false, folder, extension));
        if (!out.isFile() || out.size() <= 0) {
            std::fprintf(stderr, "  missing output: %s\n", qPrintable(out.filePath()));
            return false;
        }
    }
    return true;
}

// ---- The contenders --------------------------------------------------------------------------

// The ffmpeg command line for the catalogue's default choice: the encoders libVLC uses for it,
// with the settings libVLC gives them.
struct FfmpegChoice
{
    QStringList arguments;   // between "-i SOURCE" and the output
    QString extension;
};

std::optional<FfmpegChoice> ffmpegFor(const ConversionSettings &s)
{
    // libVLC 3.0.24's x264 module, given a bit rate, runs x264's defaults ("medium") with its
    // average-bit-rate control, except for three defaults of its own: quantizers 10 to 51 and no
    // 8x8 partitions of B-frames. The benchmark compares the settings x264 writes into both
    // outputs. libVLC's AAC encoder is FFmpeg's own.
    static const std::map<QString, QStringList> video{
        {"h264",
         {"-c:v", "libx264", "-qmin", "10", "-qmax", "51", "-partitions", "i4x4,i8x8,p8x8"}}};
    static const std::map<QString, QStringList> audio{{"mp4a", {"-c:a", "aac"}}};
    if (!video.count(s.videoCodec) || !audio.count(s.audioCodec))
        return std::nullopt;
    FfmpegChoice choice;
    choice.extension = s.convertTo;
    choice.arguments << video.at(s.videoCodec) << "-b:v" << s.videoBitrate + QLatin1Char('k');
    if (s.videoScale != QLatin1String("1"))
        choice.arguments
            << "-vf" << QStringLiteral("scale=trunc(iw*%1/2)*2:trunc(ih*%1/2)*2").arg(s.videoScale);
    choice.arguments << audio.at(s.audioCodec) << "-b:a" << s.audioBitrate + QLatin1Char('k')
                     << "-ac" << s.audioChannels;
    return choice;
}

// The settings x264 wrote into a file (its "x264 - core ... options: ..." text), or empty.
QByteArray x264Settings(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(4 * 1024 * 1024);
    const qsizetype at = head.indexOf("x264 - core");
    if (at < 0)
        return {};
    const qsizetype options = head.indexOf("options: ", at);
    if (options < 0)
        return {};
    const qsizetype end = head.indexOf('\0', options);
    return head.mid(options + 9, end < 0 ? -1 : end - options - 9);
}

// What differs between two x264 settings texts: "same" when nothing does.
QString settingsDifference(const QByteArray &a, const QByteArray &b)
{
    if (a.isEmpty() || b.isEmpty())
        return QStringLiteral("not found");
    const QList<QByteArray> left = a.split(' '), right = b.split(' ');
    QStringList differences;
    for (const QByteArray &item : left)
        if (!right.contains(item))
            differences << QStringLiteral("libVLC ") + QString::fromLatin1(item);
    for (const QByteArray &item : right)
        if (!left.contains(item))
            differences << QStringLiteral("ffmpeg ") + QString::fromLatin1(item);
    return differences.isEmpty() ? QStringLiteral("same") : differences.join(QStringLiteral(", "));
}

QStringList ffmpegArguments(const FfmpegChoice &choice, const QString &source,
                            const QString &output)
{
    return QStringList{"-nostdin", "-v", "error", "-y", "-i", source} + choice.arguments
           + QStringList{output};
}

bool ffmpegOneByOne(const FfmpegChoice &choice, const QStringList &sources, const QString &outDir)
{
    for (const QString &source : sources)
        if (!run(QStringLiteral("ffmpeg"),
                 ffmpegArguments(choice, source,
                                 OutputNaming::DefaultCandidate(source, false, outDir,
                                                                choice.extension))))
            return false;
    return true;
}

bool ffmpegParallel(const FfmpegChoice &choice, const QStringList &sources, const QString &outDir,
                    int jobs)
{
    // parallel's own replacement strings: {} the source, {/.} its name without folder and
    // extension.
    const QStringList command = ffmpegArguments(choice, QStringLiteral("{}"),
                                                outDir + QStringLiteral("/{/.}")
                                                    + choice.extension);
    return run(QStringLiteral("parallel"),
               QStringList{"-j", QString::number(jobs), "--halt", "now,fail=1", "ffmpeg"} + command
                   + QStringList{":::"} + sources);
}

bool batch(const QStringList &sources, const QString &outDir, int jobs, const QString &stateDir)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_STATE_HOME"), stateDir);
    return run(QStringLiteral(MOVARIN_EXECUTABLE),
               QStringList{"--batch", "--jobs", QString::number(jobs), "--output", outDir,
                           "--existing", "overwrite"}
                   + sources,
               environment);
}

// ---- The table -------------------------------------------------------------------------------

struct Row
{
    Row(const QString &what, int count)
        : name(what)
        , files(count)
    {
    }

    QString name;
    int files = 0;
    QList<double> seconds;
    QList<double> cpu;
    bool failed = false;

    double perFile() const { return median(seconds) / files; }
    double cpuPerFile() const { return median(cpu) / files; }
};

// Runs work as one round of row, after removing what an earlier round left in outDir.
void time(Row &row, const QString &outDir, const std::function<bool()> &work)
{
    QDir(outDir).removeRecursively();
    QDir().mkpath(outDir);
    bool ok = true;
    const Cost cost = Measure([&] { ok = work(); });
    row.seconds << cost.seconds;
    row.cpu << cost.cpu;
    row.failed = row.failed || !ok;
    std::printf("  %-46s %7.2f s  (%.2f s/file, CPU %.2f s/file)%s\n", qPrintable(row.name),
                cost.seconds, cost.seconds / row.files, cost.cpu / row.files, ok ? "" : "  FAILED");
    std::fflush(stdout);
}

// The median of the ratios a/b round by round: a drift of the machine's speed hits both alike.
double pairedRatio(const Row &a, const Row &b)
{
    QList<double> ratios;
    for (qsizetype i = 0; i < std::min(a.seconds.size(), b.seconds.size()); ++i)
        ratios << a.seconds[i] / b.seconds[i];
    return median(ratios);
}

}   // namespace

int main(int argc, char **argv)
{
    KeepTheHeapsFew();   // as the program does
    UseUnattendedPlatform();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int rounds = NumberArgument(args, 1, 3);
    const int shortCount = NumberArgument(args, 2, 12);
    const int longCount = NumberArgument(args, 3, 2);
    const int longSeconds = NumberArgument(args, 4, 30);

    QTemporaryDir work;
    // The catalogue and the movie, as the program lays them out.
    const QString programDir = ProgramFolder(work, {"Formats.ini", "main.qml"});

    // The catalogue's default choice, as the window and the batch command start with it.
    CIniFile ini(programDir);
    ini.SetPath(QStringLiteral("Formats.ini"));
    FormatCatalog formats;
    ConversionSettings settings;
    CFormatCascade(ini, formats, settings, [](const QString &, const QString &) {}).LoadAtStartup();
    const std::optional<FfmpegChoice> choice = ffmpegFor(settings);
    if (!choice) {
        std::fprintf(stderr, "no ffmpeg equivalent known for %s %s %s\n",
                     qPrintable(settings.convertTo), qPrintable(settings.videoCodec),
                     qPrintable(settings.audioCodec));
        return 2;
    }
    const TranscodeOption::TranscodeTuning tuning = TranscodeOption::ReadTuning(ini, settings);

    std::printf("Machine: %d processors, %s; %s\n", QThread::idealThreadCount(),
                qPrintable(cpuModel()), qPrintable(QSysInfo::prettyProductName()));
    std::printf(
        "libVLC %s (%s); %s; load average %s\n", libvlc_get_version(), qPrintable(pluginCache()),
        qPrintable(
            firstLineOf(QStringLiteral("ffmpeg"), {"-version"}).section(QLatin1Char(' '), 0, 2)),
        qPrintable(loadAverage()));
    std::printf("Choice: %s %s %s %s kbit/s scale %s, %s %s kbit/s %s channels%s\n",
                qPrintable(settings.convertTo), qPrintable(settings.container),
                qPrintable(settings.videoCodec), qPrintable(settings.videoBitrate),
                qPrintable(settings.videoScale), qPrintable(settings.audioCodec),
                qPrintable(settings.audioBitrate), qPrintable(settings.audioChannels),
                tuning.videoParameters.isEmpty() ? ""
                                                 : qPrintable(QStringLiteral(" (catalogue adds: ")
                                                              + tuning.videoParameters + ")"));
    std::printf("ffmpeg: ffmpeg -i SOURCE %s OUTPUT\n\n",
                qPrintable(choice->arguments.join(QLatin1Char(' '))));

    std::printf("Making %d clips of 4 s (640x360) and %d of %d s (1280x720), MPEG-4 Part 2 + MP3 "
                "in AVI...\n",
                shortCount, longCount, longSeconds);
    const QStringList shortClips = makeClips(work.path() + "/short", QStringLiteral("clip"),
                                             shortCount, 4, "640x360");
    const QStringList longClips = makeClips(work.path() + "/long", QStringLiteral("long"),
                                            longCount, longSeconds, "1280x720");
    if (shortClips.size() != shortCount || longClips.size() != longCount)
        return 2;

    CLibVlcControlFactory factory;
    BenchWindow window(programDir, factory);
    window.choose(settings.convertTo, settings.container, settings.videoCodec, settings.audioCodec);
    const QString out = work.path() + "/out", state = work.path() + "/state";
    const QString ext = settings.convertTo;

    Row windowRow{QStringLiteral("the window (4 s clips)"), shortCount};
    Row ffmpegShortRow{QStringLiteral("ffmpeg one by one (4 s clips)"), shortCount};
    Row batchJobsRow{QStringLiteral("movarin --batch --jobs 2 (4 s clips)"), shortCount};
    Row parallelRow{QStringLiteral("parallel -j2 ffmpeg (4 s clips)"), shortCount};
    Row bareOneRow{QStringLiteral("bare libVLC one by one (4 s clips)"), shortCount};
    Row bareTwoRow{QStringLiteral("bare libVLC two at a time (4 s clips)"), shortCount};
    Row batchLongRow{QStringLiteral("movarin --batch (%1 s 720p clips)").arg(longSeconds),
                     longCount};
    Row ffmpegLongRow{QStringLiteral("ffmpeg one by one (%1 s 720p clips)").arg(longSeconds),
                      longCount};

    // The option the program builds for each clip, worked out beforehand: only libVLC is timed.
    QStringList bareOptions;
    for (const QString &clip : shortClips)
        bareOptions << TranscodeOption::BuildFor(
            settings, OutputNaming::DefaultCandidate(clip, false, out, ext), ini, clip, factory);

    const QList<std::function<void()>> contenders{
        [&] {
            time(windowRow, out, [&] {
                window.convert(shortClips, out);
                return allConverted(shortClips, out, ext);
            });
        },
        [&] {
            time(ffmpegShortRow, out, [&] {
                return ffmpegOneByOne(*choice, shortClips, out)
                       && allConverted(shortClips, out, ext);
            });
        },
        [&] {
            time(batchJobsRow, out, [&] {
                return batch(shortClips, out, 2, state) && allConverted(shortClips, out, ext);
            });
        },
        [&] {
            time(parallelRow, out, [&] {
                return ffmpegParallel(*choice, shortClips, out, 2)
                       && allConverted(shortClips, out, ext);
            });
        },
        [&] {
            time(bareOneRow, out, [&] {
                return ConvertBare(factory, shortClips, bareOptions)
                       && allConverted(shortClips, out, ext);
            });
        },
        [&] {
            time(bareTwoRow, out, [&] {
                return ConvertBare(factory, shortClips, bareOptions, 2)
                       && allConverted(shortClips, out, ext);
            });
        },
        [&] {
            time(batchLongRow, out, [&] {
                return batch(longClips, out, 1, state) && allConverted(longClips, out, ext);
            });
        },
        [&] {
            time(ffmpegLongRow, out, [&] {
                return ffmpegOneByOne(*choice, longClips, out) && allConverted(longClips, out, ext);
            });
        },
    };

    // A warm-up that is not counted: libVLC's plugins, the movie, the disk cache. Its outputs
    // show whether x264 was given the same settings by both.
    std::printf("Warm-up (not counted)...\n");
    const QString warm = work.path() + "/warm";
    QDir().mkpath(warm + "/vlc");
    QDir().mkpath(warm + "/ffmpeg");
    window.convert(shortClips.mid(0, 2), warm + "/vlc");
    batch(shortClips.mid(0, 2), out, 2, state);
    ffmpegOneByOne(*choice, shortClips.mid(0, 2), warm + "/ffmpeg");
    const QString firstOutput
        = QFileInfo(OutputNaming::DefaultCandidate(shortClips[0], false, warm, ext)).fileName();
    std::printf("x264 settings written by libVLC and by ffmpeg: %s\n\n",
                qPrintable(settingsDifference(x264Settings(warm + "/vlc/" + firstOutput),
                                              x264Settings(warm + "/ffmpeg/" + firstOutput))));

    for (int round = 0; round < rounds; ++round) {
        std::printf("Round %d of %d (load average %s)\n", round + 1, rounds,
                    qPrintable(loadAverage()));
        // Each round starts one contender later, so that none always follows the same one.
        for (qsizetype i = 0; i < contenders.size(); ++i)
            contenders[(i + round) % contenders.size()]();
    }

    std::printf("\n%d rounds interleaved, medians; load average at the end %s\n\n", rounds,
                qPrintable(loadAverage()));
    std::printf("| contender | s/file | CPU s/file |\n|---|---|---|\n");
    for (const Row *row : {&windowRow, &ffmpegShortRow, &batchJobsRow, &parallelRow, &bareOneRow,
                           &bareTwoRow, &batchLongRow, &ffmpegLongRow})
        std::printf("| %s | %.2f | %.2f |%s\n", qPrintable(row->name), row->perFile(),
                    row->cpuPerFile(), row->failed ? " FAILED" : "");

    const double windowPerFile = windowRow.perFile();
    const double jobsRatio = pairedRatio(batchJobsRow, parallelRow);
    const double longRatio = pairedRatio(batchLongRow, ffmpegLongRow);
    const bool windowOk = !windowRow.failed && windowPerFile <= 1.1;
    const bool jobsOk = !batchJobsRow.failed && !parallelRow.failed && jobsRatio <= 1.0;
    const bool longOk = !batchLongRow.failed && !ffmpegLongRow.failed && longRatio <= 1.1;
    std::printf("\n| goal | measured | verdict |\n|---|---|---|\n");
    std::printf("| the window <= 1.1 s per 4 s clip | %.2f s | %s |\n", windowPerFile,
                windowOk ? "PASS" : "FAIL");
    std::printf("| batch --jobs 2 / parallel -j2 ffmpeg <= 1.00 | %.2f | %s |\n", jobsRatio,
                jobsOk ? "PASS" : "FAIL");
    std::printf("| batch / ffmpeg on %d s 720p <= 1.10 | %.2f | %s |\n", longSeconds, longRatio,
                longOk ? "PASS" : "FAIL");

    // What this machine allows, whatever the program does around libVLC.
    std::printf("\n| yardstick | measured |\n|---|---|\n");
    std::printf("| the window's floor: its %.1f s pause + bare libVLC one by one | %.2f s per 4 s "
                "clip |\n",
                CConversionDriver::HandOverPauseMs / 1000.0,
                CConversionDriver::HandOverPauseMs / 1000.0 + bareOneRow.perFile());
    std::printf("| bare libVLC two at a time / parallel -j2 ffmpeg | %.2f |\n",
                pairedRatio(bareTwoRow, parallelRow));
    std::printf("| batch --jobs 2 beyond bare libVLC two at a time | %+.2f CPU s per file |\n",
                batchJobsRow.cpuPerFile() - bareTwoRow.cpuPerFile());
    return windowOk && jobsOk && longOk ? 0 : 1;
}
