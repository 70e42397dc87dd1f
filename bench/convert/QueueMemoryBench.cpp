// SPDX-License-Identifier: GPL-3.0-or-later
// One long queue through the program's whole driver (its window and movie, the real libVLC, the
// output check), printing the resident memory every ten files. The files are tiny, the pause before
// each hand-over is skipped and the driver is polled every 50 ms instead of every second, so
// that a thousand files take minutes; what each file leaves behind is the same.
//
//   bench_queue_memory [files=1000] [folder]
// With a folder, the queue takes the files in it in turn (sorted by name) instead of the tiny
// clip: real sizes, for the cost of the memory settings.
// Exit code 1 when the queue ends more than 10 MB above where its first file started.
#include "Unattended.h"
#include "convert/LibVlcControl.h"
#include "filelist/CFileListBox.h"
#include "platform/Clock.h"
#include "platform/ProcessMemory.h"
#include "ui/CConverterDlg.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

class NoPause : public IClock
{
public:
    void sleep(int) override { }
    void after(int, QObject *, std::function<void()> then) override { then(); }
};

class Session
{
public:
    Session(const QString &programDir, const QString &outDir, IVlcControlFactory &factory)
        : m_dlg(programDir,
                CConverterServices{m_dialogs, m_shell, m_clock, factory, m_desktop, m_work})
    {
        m_dlg.OnInitDialog();
        m_dlg.m_flash.host()->setVariable(QStringLiteral("_root.path"), outDir);
        m_dlg.OnFSCommand(QStringLiteral("IDC_FS_OTHERDIRECTORY"), QString());
        QObject::connect(m_dlg.m_flash.host(), &CMovieHost::variableWritten, &m_dlg,
                         [this](const QString &name, const QString &value) {
                             if (name == QLatin1String("_root.convertOutput")
                                 && value.startsWith(QLatin1String("Converting ")))
                                 OnFileStarting();
                             if (name == QLatin1String("_root.hideProgress") && m_loop)
                                 m_loop->quit();
                         });
    }

    // Converts the queue once, calling onFile(n) as the n-th file (from 0) starts.
    void run(const QStringList &sources, std::function<void(int)> onFile)
    {
        m_onFile = std::move(onFile);
        m_started = 0;
        m_dlg.m_fileList->ResetContent();
        m_dlg.m_fileList->AddPathsNotQueued(sources);
        QEventLoop loop;
        m_loop = &loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &m_dlg,
                         [this] { m_dlg.OnTimer(CConverterDlg::ProgressTimerId); });
        poll.start(50);
        m_dlg.OnFSCommand(QStringLiteral("IDC_FS_CONVERT"), QString());
        loop.exec();
        m_loop = nullptr;
    }

private:
    void OnFileStarting()
    {
        if (m_onFile)
            m_onFile(m_started);
        ++m_started;
    }

    AutoDialogs m_dialogs;
    NoShell m_shell;
    NoDesktop m_desktop;
    NoPause m_clock;
    CThreadWorkRunner m_work;
    CConverterDlg m_dlg;
    QEventLoop *m_loop = nullptr;
    std::function<void(int)> m_onFile;
    int m_started = 0;
};

}   // namespace

int main(int argc, char **argv)
{
    // As the program does (main.cpp; the window gives the freed memory back after each file);
    // with MOVARIN_BENCH_GLIBC_DEFAULT set, glibc's default number of heaps, to see the
    // difference.
    if (!qEnvironmentVariableIsSet("MOVARIN_BENCH_GLIBC_DEFAULT"))
        KeepTheHeapsFew();
    UseUnattendedPlatform();
    QApplication app(argc, argv);
    const int files = NumberArgument(app.arguments(), 1, 1000);
    QStringList clips;
    if (app.arguments().size() > 2) {
        const QDir given(app.arguments().at(2));
        for (const QString &name : given.entryList(QDir::Files, QDir::Name))
            clips << given.absoluteFilePath(name);
        if (clips.isEmpty()) {
            std::fprintf(stderr, "no files in %s\n", qPrintable(given.path()));
            return 2;
        }
    }

    QTemporaryDir work;
    const QString programDir = ProgramFolder(work, {"Formats.ini", "main.qml"});
    // 2 s of 64x64 at 25 fps: enough frames for x264, converted in a fraction of a second.
    const QString clip = work.path() + QStringLiteral("/tiny.mov");
    if (clips.isEmpty()) {
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     {"-v", "error", "-y", "-f", "lavfi", "-i",
                      "testsrc2=size=64x64:rate=25:duration=2", "-f", "lavfi", "-i",
                      "sine=duration=2", "-ac", "2", "-c:v", "mpeg4", "-c:a", "aac", clip});
        if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) {
            std::fprintf(stderr, "ffmpeg could not make the clip\n");
            return 2;
        }
        clips << clip;
    }
    const auto queueOf = [&](int n, const QString &tag) {
        QStringList queue;
        for (int i = 0; i < n; ++i) {
            const QString &target = clips.at(i % clips.size());
            const QString link
                = work.path()
                  + QStringLiteral("/%1-%2.%3").arg(tag).arg(i).arg(QFileInfo(target).suffix());
            QFile::link(target, link);
            queue << link;
        }
        return queue;
    };
    const QString outDir = work.path() + QStringLiteral("/out");
    QDir().mkpath(outDir);

    CLibVlcControlFactory factory;
    Session session(programDir, outDir, factory);
    // libVLC and its plugins are loaded by a first file, as in the program.
    session.run(queueOf(1, QStringLiteral("warm")), {});

    long atFirst = -1;
    long last = -1;
    QElapsedTimer timer;
    timer.start();
    std::printf("%8s %12s %10s\n", "file", "resident kB", "seconds");
    session.run(queueOf(files, QStringLiteral("queue")), [&](int n) {
        last = ResidentKb();
        if (n == 0)
            atFirst = last;
        if (n % 10 == 0)
            std::printf("%8d %12ld %10.1f\n", n, last, timer.elapsed() / 1000.0);
        std::fflush(stdout);
    });
    const long atEnd = ResidentKb();
    const int converted = int(QDir(outDir).entryList(QDir::Files).size()) - 1;
    std::printf("%8s %12ld %10.1f\n", "end", atEnd, timer.elapsed() / 1000.0);
    const long growth = atEnd - atFirst;
    const bool ok = growth <= 10 * 1024 && converted == files;
    std::printf("%d of %d files converted; resident memory from the first file's start to the "
                "queue's end: %+ld kB (goal <= 10240 kB) %s\n",
                converted, files, growth, ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
