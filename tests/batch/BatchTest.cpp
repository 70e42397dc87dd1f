// SPDX-License-Identifier: GPL-3.0-or-later
// The batch command as a script runs it: exit statuses, what happens to outputs that exist, the
// stop signals, and a hang that costs one file of a --jobs run. No display is given to it.
#include "tests/support/QStringPrinting.h"
#include "tests/support/SampleClips.h"
#include "tests/support/TempDir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>

namespace {

QByteArray Checksum(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

// The temporary outputs in folder that a process holds open, with the process: read from /proc,
// as someone watching the run from outside would. Only those it is writing when writing: libVLC's
// file output and the rewrite of the track list open the file to read and write; the write-only
// handle each attempt keeps on its name from the moment it is named is a lock, through which
// nothing is written.
QMultiHash<int, QString> PartsHeldOpen(const QString &folder, bool writing)
{
    QMultiHash<int, QString> open;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        if (pid.toInt() <= 0)
            continue;
        const QString fds = QStringLiteral("/proc/") + pid + QStringLiteral("/fd");
        for (const QString &fd :
             QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            const QString target = QFile::symLinkTarget(fds + QLatin1Char('/') + fd);
            if (!target.startsWith(folder + QStringLiteral("/.")) || !target.contains(".part."))
                continue;
            QFile info(QStringLiteral("/proc/") + pid + QStringLiteral("/fdinfo/") + fd);
            if (!info.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray &line : info.readAll().split('\n'))
                if (line.startsWith("flags:")
                    && (!writing
                        || (line.mid(6).trimmed().toInt(nullptr, 8) & O_ACCMODE) == O_RDWR))
                    open.insert(pid.toInt(), target);
        }
    }
    return open;
}

QStringList Leftovers(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral(".*.part.*")}, QDir::Files | QDir::Hidden);
}

}   // namespace

class BatchTest : public ::testing::Test
{
protected:
    TempDir dir;
    const QString in = dir.file(QStringLiteral("in"));
    const QString out = dir.file(QStringLiteral("out"));
    const QString catalogue = QFileInfo(QStringLiteral(MOVARIN_EXECUTABLE)).path()
                              + QStringLiteral("/Formats.ini");

    // Starts the command with no display, no session (as cron and SSH without a login start
    // it) and the logs in the test's folder.
    void start(QProcess &process, const QStringList &arguments, const QStringList &environment = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("XDG_STATE_HOME"), dir.file(QStringLiteral("state")));
        for (const QString &pair : environment)
            env.insert(pair.section('=', 0, 0), pair.section('=', 1));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(MOVARIN_EXECUTABLE),
                      QStringList{QStringLiteral("--batch")} + arguments);
        ASSERT_TRUE(process.waitForStarted());
    }

    // Runs the command to its end; its exit status, with standard output and error kept.
    int run(const QStringList &arguments, const QStringList &environment = {})
    {
        QProcess process;
        start(process, arguments, environment);
        EXPECT_TRUE(process.waitForFinished(300000));
        stdOut = QString::fromUtf8(process.readAllStandardOutput());
        stdErr = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    // Four files, N at once; the process converting the second one stops answering, as one
    // stuck inside libVLC does, once it has begun writing. It costs that file only.
    void HangInOneFileCostsOnlyThatFile(const QString &jobs)
    {
        QStringList clips;
        for (const char *name : {"one.mov", "hang.mov", "two.mov", "three.mov"})
            clips << SampleClips::Make(QStringLiteral(".mov"), in, {}, QLatin1String(name));
        QProcess process;
        start(process, QStringList{"--jobs", jobs, "--json", "--output", out, in},
              {"MOVARIN_BATCH_SILENCE_LIMIT_S=3"});
        bool stopped = false;
        QElapsedTimer waited;
        waited.start();
        while (!stopped && waited.elapsed() < 60000) {
            const QMultiHash<int, QString> writing = PartsHeldOpen(out, true);
            for (auto it = writing.cbegin(); it != writing.cend() && !stopped; ++it)
                if (QFileInfo(it.value()).fileName().startsWith(".hang.")
                    && ::kill(it.key(), SIGSTOP) == 0)
                    stopped = true;
            QThread::msleep(20);
        }
        ASSERT_TRUE(stopped);
        ASSERT_TRUE(process.waitForFinished(120000));
        stdOut = QString::fromUtf8(process.readAllStandardOutput());
        EXPECT_EQ(process.exitCode(), 1);
        const QHash<QString, QJsonObject> files = results();
        ASSERT_EQ(files.size(), 4) << stdOut.toStdString();
        EXPECT_EQ(files[clips[1]].value("state").toString(), "failed");
        EXPECT_EQ(files[clips[1]].value("reason").toString(),
                  "its conversion stopped answering and was ended");
        for (int i : {0, 2, 3}) {
            EXPECT_EQ(files[clips[i]].value("state").toString(), "converted") << i;
            EXPECT_EQ(SampleClips::VideoCodec(files[clips[i]].value("output").toString()), "h264");
        }
        // Not even the hidden file the killed process was writing is left.
        EXPECT_TRUE(Leftovers(out).isEmpty());
    }

    // The "file" events of --json output, by source.
    QHash<QString, QJsonObject> results() const
    {
        QHash<QString, QJsonObject> files;
        for (const QString &line : stdOut.split('\n', Qt::SkipEmptyParts)) {
            const QJsonObject event = QJsonDocument::fromJson(line.toUtf8()).object();
            if (event.value("event").toString() == QLatin1String("file"))
                files.insert(event.value("source").toString(), event);
        }
        return files;
    }

    QString stdOut;
    QString stdErr;
};

TEST_F(BatchTest, UsageErrorsExitWithTwoAndSayWhat)
{
    const QString clip = SampleClips::Mov(in);
    const QList<QPair<QStringList, QString>> cases{
        {{}, "no file or folder given"},
        {{"--no-such-option", clip}, "no-such-option"},
        {{"--to", ".nope", clip}, "--to .nope is not a target of the catalogue"},
        {{"--existing", "maybe", clip}, "--existing maybe"},
        {{"--jobs", "0", clip}, "--jobs 0"},
        {{"--vb", "fast", clip}, "--vb fast is not a positive whole number"},
        {{"--vcodec", "x264{a=\"b\"}", clip}, "--vcodec"},
    };
    for (const auto &[arguments, why] : cases) {
        EXPECT_EQ(run(arguments), 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(stdErr.contains(why)) << stdErr.toStdString();
    }
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_TRUE(stdOut.contains("--existing POLICY"));
}

TEST_F(BatchTest, ConvertsWithTheChosenSettingsAndSaysWhatFailedWithoutTouchingTheCatalogue)
{
    const QByteArray before = Checksum(catalogue);
    const QString clip = SampleClips::Make(QStringLiteral(".mov"), in, {},
                                           QStringLiteral("clip.mov"));
    const QString notes = dir.write(QStringLiteral("in/notes.avi"), "This is not a video.\n");
    dir.write(QStringLiteral("in/readme.txt"), "not queued: not a video file name");
    EXPECT_EQ(run({"--to", ".mkv", "--acodec", "vorb", "--output", out, "--json", in}), 1);
    const QHash<QString, QJsonObject> files = results();
    ASSERT_EQ(files.size(), 2) << stdOut.toStdString();
    EXPECT_EQ(files[clip].value("state").toString(), "converted");
    EXPECT_EQ(files[clip].value("output").toString(), out + "/clip.mkv");
    EXPECT_EQ(files[notes].value("state").toString(), "failed");
    EXPECT_FALSE(files[notes].value("reason").toString().isEmpty());
    EXPECT_EQ(SampleClips::AudioCodec(out + "/clip.mkv"), "vorbis");
    EXPECT_FALSE(QFileInfo::exists(out + "/notes.mkv"));
    EXPECT_TRUE(Leftovers(out).isEmpty());
    EXPECT_EQ(Checksum(catalogue), before);
    // Whatever goes wrong is said on standard output; nothing else is said anywhere.
    EXPECT_EQ(stdErr, QString());
    // The run's log is where the summary says.
    const QJsonObject summary
        = QJsonDocument::fromJson(stdOut.split('\n', Qt::SkipEmptyParts).last().toUtf8()).object();
    EXPECT_EQ(summary.value("converted").toInt(), 1);
    EXPECT_TRUE(summary.value("log").toString().startsWith(dir.file("state/movarin/run-")));
}

TEST_F(BatchTest, AnOutputThatExistsIsSkippedKeptBesideOrOverwrittenAsAsked)
{
    const QString clip = SampleClips::Make(QStringLiteral(".mov"), in, {}, QStringLiteral("a.mov"));
    const QString output = out + QStringLiteral("/a.mp4");
    dir.write(QStringLiteral("out/a.mp4"), "the user's a.mp4");
    // Skip by default: running the same command again finishes only what is left.
    EXPECT_EQ(run({"--output", out, clip}), 0);
    EXPECT_EQ(dir.read(QStringLiteral("out/a.mp4")), "the user's a.mp4");
    EXPECT_TRUE(stdOut.contains("skipped: " + clip)) << stdOut.toStdString();
    EXPECT_EQ(run({"--output", out, "--existing", "rename", clip}), 0) << stdOut.toStdString();
    EXPECT_EQ(dir.read(QStringLiteral("out/a.mp4")), "the user's a.mp4");
    EXPECT_EQ(SampleClips::VideoCodec(out + QStringLiteral("/a (1).mp4")), "h264");
    EXPECT_EQ(run({"--output", out, "--existing", "overwrite", clip}), 0) << stdOut.toStdString();
    EXPECT_EQ(SampleClips::VideoCodec(output), "h264");
    EXPECT_TRUE(Leftovers(out).isEmpty());
}

TEST_F(BatchTest, StopSignalsEndAtOnceWithoutATemporaryOutput)
{
    const QString clip = SampleClips::Make(QStringLiteral(".mov"), in, {.seconds = 30.0},
                                           QStringLiteral("long.mov"));
    for (const auto &[signal, status] : {std::pair{SIGTERM, 143}, std::pair{SIGINT, 130}}) {
        QProcess process;
        start(process, {"--output", out, clip});
        QElapsedTimer waited;
        waited.start();
        while (Leftovers(out).isEmpty() && waited.elapsed() < 60000)
            QThread::msleep(50);
        ASSERT_FALSE(Leftovers(out).isEmpty()) << "the conversion never began";
        QThread::msleep(500);
        ::kill(static_cast<pid_t>(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), status);
        EXPECT_TRUE(Leftovers(out).isEmpty());
        EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/long.mp4")));
    }
}

TEST_F(BatchTest, AJobsRunWritesNoMoreThanNFilesAtOnceWhileMoreGetReady)
{
    QStringList clips;
    for (int i = 0; i < 6; ++i)
        clips << SampleClips::Make(QStringLiteral(".mov"), in, {},
                                   QStringLiteral("c%1.mov").arg(i));
    QProcess process;
    start(process, {"--jobs", "2", "--output", out, in});
    // Each process names its output (a hidden temporary file) while it gets ready; only those
    // whose turn has come are written to. A process that converted its file takes another.
    qsizetype mostNamed = 0, mostWritten = 0;
    QSet<int> writers;
    while (!process.waitForFinished(10)) {
        mostNamed = std::max(mostNamed, Leftovers(out).size());
        const QMultiHash<int, QString> writing = PartsHeldOpen(out, true);
        mostWritten = std::max(mostWritten, QSet<QString>(writing.cbegin(), writing.cend()).size());
        for (const int pid : writing.keys())
            writers << pid;
    }
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_GT(mostNamed, 2);
    EXPECT_GE(mostWritten, 1);
    EXPECT_LE(mostWritten, 2);
    EXPECT_LT(writers.size(), clips.size());
    for (const QString &clip : clips)
        EXPECT_EQ(SampleClips::VideoCodec(out + "/" + QFileInfo(clip).completeBaseName() + ".mp4"),
                  "h264");
}

// libVLC in a process whose attempt failed is not trusted with another file: the file after it
// is converted by another process.
TEST_F(BatchTest, AProcessWhoseFileFailedConvertsNoOther)
{
    QStringList clips;
    for (const char *name : {"a.mov", "c.mov", "d.mov", "e.mov", "f.mov"})
        clips << SampleClips::Make(QStringLiteral(".mov"), in, {}, QLatin1String(name));
    const QString damaged = dir.write(QStringLiteral("in/b.avi"), "This is not a video.\n");
    QProcess process;
    start(process, {"--json", "--output", out, in});
    // The process that took the damaged file, and every process that writes an output.
    int failing = 0;
    QHash<QString, int> writerOf;
    while (!process.waitForFinished(10)) {
        const QMultiHash<int, QString> held = PartsHeldOpen(out, false);
        for (auto it = held.cbegin(); it != held.cend(); ++it)
            if (QFileInfo(it.value()).fileName().startsWith(".b."))
                failing = it.key();
        const QMultiHash<int, QString> writing = PartsHeldOpen(out, true);
        for (auto it = writing.cbegin(); it != writing.cend(); ++it)
            writerOf.insert(QFileInfo(it.value()).fileName().section('.', 1, 1), it.key());
    }
    stdOut = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_EQ(process.exitCode(), 1);
    ASSERT_NE(failing, 0) << "the damaged file's process was not seen";
    EXPECT_EQ(results()[damaged].value("state").toString(), "failed");
    for (const char *stem : {"a", "c", "d", "e", "f"}) {
        ASSERT_TRUE(writerOf.contains(QLatin1String(stem))) << stem;
        EXPECT_NE(writerOf.value(QLatin1String(stem)), failing) << stem;
    }
}

TEST_F(BatchTest, AHangInOneProcessOfAJobsRunCostsOnlyItsFile)
{
    HangInOneFileCostsOnlyThatFile(QStringLiteral("2"));
}

// Without --jobs too, each file is converted in a process of its own.
TEST_F(BatchTest, AHangInOneFileOfARunOfOneJobCostsOnlyThatFile)
{
    HangInOneFileCostsOnlyThatFile(QStringLiteral("1"));
}
