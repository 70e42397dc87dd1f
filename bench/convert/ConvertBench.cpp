// SPDX-License-Identifier: GPL-3.0-or-later
// Converts the same clips three ways in one run: through the program's driver (the real main
// window, real libVLC), through bare libVLC with the same option, and with the ffmpeg command
// line at the same settings. Prints each time, the ratios and the driver's overhead per file,
// then the resident memory after 10 and after 100 attempts.
//
//   bench_convert [clips=6] [seconds=12] [attempts=100]
// Exit code 1 when a target is missed: overhead per file <= 1.6 s, memory growth <= 10 MB.
#include "BareLibVlc.h"
#include "Unattended.h"
#include "convert/LibVlcControl.h"
#include "convert/OutputNaming.h"
#include "convert/TranscodeOption.h"
#include "filelist/CFileListBox.h"
#include "platform/DesktopNotifier.h"
#include "platform/Dialogs.h"
#include "platform/ProcessMemory.h"
#include "platform/Shell.h"
#include "platform/ThreadClock.h"
#include "settings/FormatCatalog.h"
#include "tests/support/Mp4Settings.h"
#include "ui/CConverterDlg.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>

namespace {

bool run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(600000) || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), p.readAll().constData());
        return false;
    }
    return true;
}

// The program's main window over a program folder, with nobody in front of it.
class DriverSession
{
public:
    DriverSession(const QString &programDir, const QString &outDir, IVlcControlFactory &factory)
        : m_dlg(programDir,
                CConverterServices{m_dialogs, m_shell, m_clock, factory, m_desktop, m_work})
    {
        m_dlg.OnInitDialog();
        m_dlg.OnFSCommand(QStringLiteral("ID-FS-convertTo"), QStringLiteral(".mp4"));
        m_dlg.m_flash.host()->setVariable(QStringLiteral("_root.path"), outDir);
        m_dlg.OnFSCommand(QStringLiteral("IDC_FS_OTHERDIRECTORY"), QString());
    }

    // Converts the queue once; returns seconds.
    double run(const QStringList &sources)
    {
        m_dlg.m_fileList->ResetContent();
        m_dlg.m_fileList->AddPathsNotQueued(sources);
        QEventLoop loop;
        QObject::connect(m_dlg.m_flash.host(), &CMovieHost::variableWritten, &loop,
                         [&loop](const QString &name) {
                             if (name == QLatin1String("_root.hideProgress"))
                                 loop.quit();
                         });
        QElapsedTimer timer;
        timer.start();
        m_dlg.OnFSCommand(QStringLiteral("IDC_FS_CONVERT"), QString());
        loop.exec();
        return timer.elapsed() / 1000.0;
    }

private:
    AutoDialogs m_dialogs;
    NoShell m_shell;
    NoDesktop m_desktop;
    CThreadWorkRunner m_work;
    CThreadClock m_clock;
    CConverterDlg m_dlg;
};

double bareLibVlc(const QStringList &sources, const QString &outDir, IVlcControlFactory &factory)
{
    QStringList options;
    for (const QString &source : sources)
        options << TranscodeOption::Build(Mp4Settings(),
                                          OutputNaming::DefaultCandidate(source, false, outDir,
                                                                         QStringLiteral(".mp4")));
    QElapsedTimer timer;
    timer.start();
    ConvertBare(factory, sources, options);
    return timer.elapsed() / 1000.0;
}

double ffmpegCli(const QStringList &sources, const QString &outDir)
{
    QElapsedTimer timer;
    timer.start();
    for (const QString &source : sources) {
        const QString out = OutputNaming::DefaultCandidate(source, false, outDir,
                                                           QStringLiteral(".mp4"));
        run(QStringLiteral("ffmpeg"), {"-v", "error", "-y", "-i", source, "-c:v", "libx264", "-b:v",
                                       "1024k", "-c:a", "aac", "-b:a", "128k", "-ac", "2", out});
    }
    return timer.elapsed() / 1000.0;
}

}   // namespace

int main(int argc, char **argv)
{
    KeepTheHeapsFew();   // as the program does
    UseUnattendedPlatform();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int clips = NumberArgument(args, 1, 6);
    const int seconds = NumberArgument(args, 2, 12);
    const int attempts = NumberArgument(args, 3, 100);

    QTemporaryDir work;
    const QString programDir = ProgramFolder(work, {"Formats.ini"});

    std::printf("Making %d clips of %d s (640x360, 25 fps, stereo)...\n", clips, seconds);
    QStringList sources;
    for (int i = 0; i < clips; ++i) {
        const QString clip = work.path() + QStringLiteral("/clip%1.mov").arg(i);
        if (!run(QStringLiteral("ffmpeg"),
                 {"-v",
                  "error",
                  "-y",
                  "-f",
                  "lavfi",
                  "-i",
                  QStringLiteral("testsrc2=size=640x360:rate=25:duration=%1").arg(seconds),
                  "-f",
                  "lavfi",
                  "-i",
                  QStringLiteral("sine=frequency=%1:duration=%2").arg(300 + 50 * i).arg(seconds),
                  "-ac",
                  "2",
                  "-c:v",
                  "mpeg4",
                  "-q:v",
                  "4",
                  "-c:a",
                  "aac",
                  "-shortest",
                  clip}))
            return 2;
        sources << clip;
    }

    CLibVlcControlFactory factory;
    const QString outDriver = work.path() + "/driver", outBare = work.path() + "/bare",
                  outFfmpeg = work.path() + "/ffmpeg";
    for (const QString &d : {outDriver, outBare, outFfmpeg})
        QDir().mkpath(d);

    const double bare = bareLibVlc(sources, outBare, factory);
    const double driver = DriverSession(programDir, outDriver, factory).run(sources);
    const double ffmpeg = ffmpegCli(sources, outFfmpeg);
    const double overhead = (driver - bare) / clips;

    std::printf("\n%-28s %8s %10s\n", "way", "seconds", "per file");
    std::printf("%-28s %8.2f %10.2f\n", "Movarin driver", driver, driver / clips);
    std::printf("%-28s %8.2f %10.2f\n", "bare libVLC, same option", bare, bare / clips);
    std::printf("%-28s %8.2f %10.2f\n", "ffmpeg command line", ffmpeg, ffmpeg / clips);
    std::printf(
        "\ndriver / bare libVLC: %.2f   driver / ffmpeg: %.2f   bare libVLC / ffmpeg: %.2f\n",
        driver / bare, driver / ffmpeg, bare / ffmpeg);
    const bool overheadOk = overhead <= 1.6;
    std::printf("driver overhead per file beyond bare libVLC: %.2f s (target <= 1.6 s) %s\n",
                overhead, overheadOk ? "PASS" : "FAIL");

    // Memory: the same short clip converted again and again through the driver.
    const QString shortClip = work.path() + "/short.mov";
    run(QStringLiteral("ffmpeg"),
        {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=320x180:rate=25:duration=1", "-f",
         "lavfi", "-i", "sine=duration=1", "-ac", "2", "-c:v", "mpeg4", "-c:a", "aac", shortClip});
    auto queueOf = [&](int n, const QString &tag) {
        QStringList queue;
        for (int i = 0; i < n; ++i) {
            const QString link = work.path() + QStringLiteral("/%1-%2.mov").arg(tag).arg(i);
            QFile::link(shortClip, link);
            queue << link;
        }
        return queue;
    };
    const QString outMem = work.path() + "/mem";
    QDir().mkpath(outMem);
    DriverSession session(programDir, outMem, factory);
    session.run(queueOf(10, QStringLiteral("first")));
    const long after10 = ResidentKb();
    std::printf("resident memory after 10 attempts: %ld kB\n", after10);
    long after = after10;
    for (int done = 10; done < attempts;) {
        const int batch = std::min(30, attempts - done);
        session.run(queueOf(batch, QStringLiteral("more%1-").arg(done)));
        done += batch;
        after = ResidentKb();
        std::printf("resident memory after %d attempts: %ld kB\n", done, after);
    }
    const bool memoryOk = after - after10 <= 10 * 1024;
    std::printf("growth from 10 to %d attempts: %ld kB (target <= 10240 kB) %s\n", attempts,
                after - after10, memoryOk ? "PASS" : "FAIL");
    return overheadOk && memoryOk ? 0 : 1;
}
