// SPDX-License-Identifier: GPL-3.0-or-later
#include "VlcTestSupport.h"

#include <vlc/vlc.h>

#include <QProcess>
#include <QUrl>
#include <array>
#include <atomic>
#include <chrono>
#include <iterator>
#include <thread>

CLibVlcControlFactory &SharedVlcFactory()
{
    static CLibVlcControlFactory factory;
    return factory;
}

ConversionRun WaitUntilIdle(CVLCControl &control, int limitSeconds)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(limitSeconds);
    ConversionRun run;
    while (Clock::now() < deadline) {
        const int time = control.GetTime();
        const float position = control.GetPosition();
        if (time > 0 && position > 0) {
            run.sawProgress = true;
            run.lastTime = time;
        }
        if (time < 0 && !(position >= 0)) {
            run.ended = true;
            return run;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return run;
}

// ---- The players' checks -------------------------------------------------------------------

namespace PlayerChecks {

struct ToolChecks::Processes
{
    QProcess ffmpeg;
    QProcess gstreamer;
};

namespace {

QString finished(QProcess &process, const char *tool, bool stderrMustBeEmpty)
{
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("%1 did not finish").arg(QLatin1String(tool));
    }
    QStringList errLines = QString::fromLocal8Bit(process.readAllStandardError())
                               .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // The null output's own complaint (two frames at one time) is about the times it is
    // handed, not about decoding; every decoder's and demuxer's error counts.
    errLines.removeIf(
        [](const QString &line) { return line.startsWith(QLatin1String("[null @")); });
    const QString err = errLines.join(QLatin1Char('\n')).trimmed();
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("%1 failed: %2 %3").arg(QLatin1String(tool), err, out.right(800));
    if (stderrMustBeEmpty && !err.isEmpty())
        return QStringLiteral("%1: %2").arg(QLatin1String(tool), err.left(800));
    if (out.contains(QLatin1String("WARNING")) || out.contains(QLatin1String("ERROR")))
        return QStringLiteral("%1: %2").arg(QLatin1String(tool), out.right(800));
    return {};
}

}   // namespace

ToolChecks::ToolChecks(const QString &path)
    : m_processes(std::make_unique<Processes>())
{
    m_processes->ffmpeg.start(QStringLiteral("ffmpeg"),
                              {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"),
                               QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"),
                               path, QStringLiteral("-f"), QStringLiteral("null"),
                               QStringLiteral("-")});
    m_processes->gstreamer.start(QStringLiteral("gst-launch-1.0"),
                                 {QStringLiteral("playbin"),
                                  QStringLiteral("uri=") + QUrl::fromLocalFile(path).toString(),
                                  QStringLiteral("video-sink=fakesink sync=false"),
                                  QStringLiteral("audio-sink=fakesink sync=false")});
}

ToolChecks::~ToolChecks()
{
    for (QProcess *process : {&m_processes->ffmpeg, &m_processes->gstreamer})
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished();
        }
}

QString ToolChecks::ffmpegProblem()
{
    return finished(m_processes->ffmpeg, "ffmpeg", true);
}

QString ToolChecks::gstreamerProblem()
{
    return finished(m_processes->gstreamer, "gst-launch-1.0 playbin", false);
}

namespace {

struct Pictures
{
    std::array<char, 32 * 18 * 4 + 64> pixels{};
    std::atomic<int> shown{0};
};

libvlc_instance_t *playerInstance()
{
    static libvlc_instance_t *const instance = [] {
        const char *const arguments[] = {"--quiet", "--ignore-config", "--no-lua", "--aout=dummy",
                                         "--no-video-title-show"};
        return libvlc_new(std::size(arguments), arguments);
    }();
    return instance;
}

}   // namespace

QString LibVlcProblem(const QString &path)
{
    using namespace std::chrono_literals;
    libvlc_instance_t *instance = playerInstance();
    if (!instance)
        return QStringLiteral("libVLC cannot be started");
    libvlc_media_t *media = libvlc_media_new_path(instance, path.toUtf8().constData());
    libvlc_media_player_t *player = libvlc_media_player_new_from_media(media);
    libvlc_media_release(media);
    Pictures pictures;
    libvlc_video_set_callbacks(
        player,
        [](void *opaque, void **planes) -> void * {
            *planes = static_cast<Pictures *>(opaque)->pixels.data();
            return nullptr;
        },
        nullptr, [](void *opaque, void *) { ++static_cast<Pictures *>(opaque)->shown; }, &pictures);
    libvlc_video_set_format(player, "RV32", 32, 18, 32 * 4);

    // Judged by libVLC's own clock, not the wall's, so that a busy machine that starts the
    // player late does not count as a file that plays late.
    const auto clock = [&] { return libvlc_media_player_get_time(player); };
    // Waits until the clock reads at least until (or 5 s have passed); the clock then, and how
    // long the wait took.
    const auto playUntil = [&](libvlc_time_t until) {
        const auto start = std::chrono::steady_clock::now();
        while (clock() < until && std::chrono::steady_clock::now() < start + 5s)
            std::this_thread::sleep_for(10ms);
        return std::pair(clock(), std::chrono::steady_clock::now() - start);
    };
    QString problem;
    libvlc_media_player_play(player);
    const libvlc_time_t first = playUntil(1000).first;
    const int firstSecond = pictures.shown;
    const libvlc_time_t length = libvlc_media_player_get_length(player);
    if (first < 1000)
        problem = QStringLiteral("the clock reads %1 ms after 5 s").arg(first);
    else if (firstSecond < 5)
        problem = QStringLiteral("%1 pictures in the first second").arg(firstSecond);
    else if (length <= 0)
        problem = QStringLiteral("no length");
    if (problem.isEmpty()) {
        libvlc_media_player_set_time(player, length / 2);
        // The clock reads the old time, 1 s in, until the seek has been done; a seek that is not
        // done in 3 s (playing on would take 4 s to get there) lands where the clock then is.
        const auto deadline = std::chrono::steady_clock::now() + 3s;
        while (clock() < length / 2 - 1000 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        // It first reads the time aimed at, then where the input really went on (ASF's clock
        // leaps three seconds further).
        std::this_thread::sleep_for(300ms);
        const libvlc_time_t landed = clock();
        const int before = pictures.shown;
        // Some clocks leap on a little after the seek (MPEG program streams by about a second):
        // the pictures are counted over the next 1.5 s.
        std::this_thread::sleep_for(1500ms);
        const libvlc_time_t later = clock();
        const int afterSeek = pictures.shown - before;
        if (landed < length / 2 - 1000 || landed > length / 2 + 3000)
            problem = QStringLiteral("a seek to %1 ms lands at %2 ms").arg(length / 2).arg(landed);
        else if (later <= landed)
            problem = QStringLiteral("the clock stands at %1 ms after a seek").arg(later);
        else if (afterSeek < 5)
            problem = QStringLiteral("%1 pictures in the 1.5 s after a seek").arg(afterSeek);
    }
    libvlc_media_player_stop(player);
    libvlc_media_player_release(player);
    return problem;
}

}   // namespace PlayerChecks
