// SPDX-License-Identifier: GPL-3.0-or-later
// Real conversions through the real main window and the real libVLC; only the person in front
// of the dialogs is faked. Every output is checked with ffprobe, every source by checksum.
#include "convert/LibVlcControl.h"
#include "filelist/CFileListBox.h"
#include "platform/ThreadClock.h"
#include "tests/support/Fakes.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/SampleClips.h"
#include "tests/support/TempDir.h"
#include "tests/support/VlcTracks.h"
#include "ui/CConverterDlg.h"

#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <vlc/vlc.h>

namespace {

QByteArray checksum(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
}

// While it lives, no file of this process may grow beyond the limit: writes past it fail with
// an error, as on a full disk (the signal that would end the process is ignored).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

// Temporary outputs left in a folder.
QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral(".*.part.*")}, QDir::Files | QDir::Hidden);
}

}   // namespace

class EndToEndTest : public ::testing::Test
{
protected:
    TempDir dir;
    FakeDialogs dialogs;
    FakeShell shell;
    FakeDesktop desktop;
    CThreadWorkRunner work;
    CThreadClock clock;
    static inline CLibVlcControlFactory *factory = nullptr;
    std::unique_ptr<CConverterDlg> dlg;
    QHash<QString, QByteArray> sums;

    static void SetUpTestSuite() { factory = new CLibVlcControlFactory; }
    static void TearDownTestSuite()
    {
        delete factory;
        factory = nullptr;
    }

    void SetUp() override
    {
        const QString program = qEnvironmentVariable("MOVARIN_PROGRAM_DIR");
        QDir().mkpath(dir.file(QStringLiteral("program")));
        for (const char *name : {"main.qml", "Formats.ini"})
            ASSERT_TRUE(QFile::copy(program + QLatin1Char('/') + QLatin1String(name),
                                    dir.file(QStringLiteral("program/")) + QLatin1String(name)));
        dlg = std::make_unique<CConverterDlg>(dir.file(QStringLiteral("program/")),
                                              CConverterServices{dialogs, shell, clock, *factory,
                                                                 desktop, work});
        dlg->OnInitDialog();
    }

    void TearDown() override
    {
        for (auto it = sums.cbegin(); it != sums.cend(); ++it)
            EXPECT_EQ(checksum(it.key()), it.value())
                << "source changed: " << it.key().toStdString();
    }

    // Queues sources, remembering their checksums.
    void queue(const QStringList &paths)
    {
        for (const QString &p : paths)
            sums.insert(p, checksum(p));
        dlg->findChild<CFileListBox *>()->AddPathsNotQueued(paths);
    }

    // Presses Convert and waits for the run to end (the host hides the progress display).
    void convert(int seconds = 240)
    {
        QEventLoop loop;
        bool ended = false;
        QObject::connect(dlg->m_flash.host(), &CMovieHost::variableWritten, &loop,
                         [&](const QString &name) {
                             if (name == QLatin1String("_root.hideProgress")) {
                                 ended = true;
                                 loop.quit();
                             }
                         });
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        dlg->m_flash.host()->fsCommand(QStringLiteral("IDC_FS_CONVERT"), QString());
        loop.exec();
        ASSERT_TRUE(ended) << "the run did not end within " << seconds << " s";
    }

    void expectPlayable(const QString &path, const QString &format, const QString &video,
                        const QString &audio, double sourceSeconds)
    {
        ASSERT_TRUE(QFileInfo::exists(path)) << path.toStdString();
        const SampleClips::ProbeResult probe = SampleClips::Probe(path);
        EXPECT_TRUE(probe.formatName.contains(format)) << probe.formatName.toStdString();
        EXPECT_EQ(probe.videoCodec, video) << path.toStdString();
        EXPECT_EQ(probe.audioCodec, audio) << path.toStdString();
        EXPECT_EQ(probe.audioChannels, 2) << path.toStdString();
        const double duration = probe.duration > 0 ? probe.duration : probe.contentDuration;
        EXPECT_NEAR(duration, sourceSeconds, 1.0) << path.toStdString();
    }
};

TEST_F(EndToEndTest, EverySupportedSourceKindConvertsToTheDefaultTarget)
{
    const QString in = dir.file(QStringLiteral("in"));
    QDir().mkpath(in);
    QStringList sources;
    for (const char *kind : {".mov", ".mp4", ".avi", ".wmv", ".asf", ".mpg", ".flv", ".3gp"}) {
        const QString extension = QLatin1String(kind);
        sources << SampleClips::Make(extension, in, {},
                                     QStringLiteral("from") + extension.mid(1) + extension);
    }
    queue(sources);
    // Outputs go to a folder of their own: an .mp4 source would otherwise be its own target.
    dlg->m_flash.host()->setVariable(QStringLiteral("_root.path"), dir.file(QStringLiteral("out")));
    dlg->OnFSCommand(QStringLiteral("IDC_FS_OTHERDIRECTORY"), QString());
    convert();

    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Conversion Complete, Total Converted files:8"}));
    for (const QString &source : sources) {
        const QString name = QFileInfo(source).completeBaseName();
        expectPlayable(dir.file(QStringLiteral("out/") + name + QStringLiteral(".mp4")), "mp4",
                       "h264", "aac", SampleClips::Duration(source));
    }
}

TEST_F(EndToEndTest, BadSourcesAreReportedAndLeaveNothingBehind)
{
    const QString in = dir.file(QStringLiteral("in"));
    QDir().mkpath(in);
    const QString deleted = SampleClips::Avi(in);
    const QString empty = dir.write(QStringLiteral("in/empty.avi"), QByteArray());
    const QString text = dir.write(QStringLiteral("in/notes.avi"), "This is not a video.\n");
    queue({deleted, empty, text});
    sums.remove(deleted);
    ASSERT_TRUE(QFile::remove(deleted));
    convert();

    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Unable to Convert File:" + deleted + " ",
                                               "Unable to Convert File:" + empty + " ",
                                               "Unable to Convert File:" + text + " "}));
    EXPECT_EQ(QDir(in).entryList(QDir::Files), QStringList({"empty.avi", "notes.avi"}));
}

TEST_F(EndToEndTest, DamagedSourcesAreReportedNotCounted)
{
    const QString in = dir.file(QStringLiteral("in"));
    QDir().mkpath(in);
    // A short AVI with its body scrambled, and the first 20,000 bytes of a long one.
    QFile whole(SampleClips::Avi(in, {.seconds = 3.0}));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    QByteArray bytes = whole.readAll();
    for (qsizetype i = 12000; i < bytes.size(); ++i)
        bytes[i] = char((i * 7919) >> 3);
    const QString scrambled = dir.write(QStringLiteral("in/scrambled.avi"), bytes);
    QFile longClip(SampleClips::Make(QStringLiteral(".avi"), in, {.seconds = 60.0},
                                     QStringLiteral("long.avi")));
    ASSERT_TRUE(longClip.open(QIODevice::ReadOnly));
    const QString head = dir.write(QStringLiteral("in/head.avi"), longClip.read(20000));
    // Whole, but so short that libVLC's H.264 encoder writes a video stream without a picture.
    const QString brief = SampleClips::Make(QStringLiteral(".avi"), in, {.seconds = 1.0},
                                            QStringLiteral("brief.avi"));
    queue({scrambled, head, brief});
    convert();

    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Unable to Convert File:" + scrambled + " ",
                                               "Unable to Convert File:" + head + " ",
                                               "Unable to Convert File:" + brief + " "}));
    for (const char *output : {"in/scrambled.mp4", "in/head.mp4", "in/brief.mp4"})
        EXPECT_FALSE(QFileInfo::exists(dir.file(QLatin1String(output)))) << output;
    EXPECT_TRUE(leftovers(in).isEmpty());
}

TEST_F(EndToEndTest, AFullDiskFailsTheFileItCutsAndKeepsTheFileItWouldHaveReplaced)
{
    const QString in = dir.file(QStringLiteral("in"));
    QDir().mkpath(in);
    const QString first = SampleClips::Make(QStringLiteral(".mov"), in, {.seconds = 3.0},
                                            QStringLiteral("first.mov"));
    const QString big = SampleClips::Make(QStringLiteral(".mov"), in, {.seconds = 20.0},
                                          QStringLiteral("big.mov"));
    const QString last = SampleClips::Make(QStringLiteral(".mov"), in, {.seconds = 3.0},
                                           QStringLiteral("last.mov"));
    dir.write(QStringLiteral("in/big.mp4"), "the user's old big.mp4");
    queue({first, big, last});
    dialogs.boxAnswers << IDialogs::Answer::Yes;   // overwrite big.mp4
    {
        // The test pattern at the default rates takes about 120 kB for 3 s, 750 kB for 20 s.
        const FileSizeLimit limit(400 * 1000);
        convert();
    }
    EXPECT_EQ(dialogs.boxTexts().mid(1),
              QStringList({"Unable to Convert File:" + big + " ",
                           "Conversion Complete, Total Converted files:2"}));
    EXPECT_EQ(dir.read(QStringLiteral("in/big.mp4")), "the user's old big.mp4");
    expectPlayable(dir.file(QStringLiteral("in/first.mp4")), "mp4", "h264", "aac", 3.0);
    expectPlayable(dir.file(QStringLiteral("in/last.mp4")), "mp4", "h264", "aac", 3.0);
    EXPECT_TRUE(leftovers(in).isEmpty());
}

TEST_F(EndToEndTest, ATruncatedSourceGivesWhatCouldBeRead)
{
    const QString in = dir.file(QStringLiteral("in"));
    QDir().mkpath(in);
    const QString whole = SampleClips::Mpg(in, {.seconds = 6.0});
    QFile file(whole);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString cut = dir.write(QStringLiteral("in/cut.mpg"), file.read(file.size() / 2));
    queue({cut});
    convert();
    const QString out = dir.file(QStringLiteral("in/cut.mp4"));
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Conversion Complete, Total Converted files:1"}));
    ASSERT_TRUE(QFileInfo::exists(out));
    EXPECT_GT(SampleClips::Probe(out).contentDuration, 1.0);
}

TEST_F(EndToEndTest, PathsWithCharactersThatMeanSomethingToTheChainAreWrittenExactly)
{
    const QString folder = dir.file(QStringLiteral("odd {dir}, 100% url=\"x\""));
    QDir().mkpath(folder);
    const QString source = SampleClips::Make(QStringLiteral(".mov"), folder, {},
                                             QStringLiteral("clip \"one\" {a,b} 50% url=ü.mov"));
    queue({source});
    dlg->OnFSCommand(QStringLiteral("ID-FS-convertTo"), QStringLiteral(".mkv"));
    convert();
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Conversion Complete, Total Converted files:1"}));
    const QString out = folder + QStringLiteral("/clip \"one\" {a,b} 50% url=ü.mkv");
    expectPlayable(out, "matroska", "h264", "aac", SampleClips::Duration(source));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2);
}

TEST_F(EndToEndTest, AMissingOutputFolderIsMade)
{
    const QString source = SampleClips::Flv(dir.path());
    const QString out = dir.file(QStringLiteral("new/deeper"));
    queue({source});
    dlg->m_flash.host()->setVariable(QStringLiteral("_root.path"), out);
    dlg->OnFSCommand(QStringLiteral("IDC_FS_OTHERDIRECTORY"), QString());
    dlg->OnFSCommand(QStringLiteral("ID-FS-convertTo"), QStringLiteral(".avi"));
    convert();
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Conversion Complete, Total Converted files:1"}));
    expectPlayable(out + QStringLiteral("/sample.avi"), "avi", "mpeg4", "mp2",
                   SampleClips::Duration(source));
}

TEST_F(EndToEndTest, ExistingOutputsAreOverwrittenKeptOrRenamedAsTheUserSays)
{
    const QString a = SampleClips::Make(QStringLiteral(".mov"), dir.path(), {},
                                        QStringLiteral("a.mov"));
    const QString b = SampleClips::Make(QStringLiteral(".mov"), dir.path(), {},
                                        QStringLiteral("b.mov"));
    const QString c = SampleClips::Make(QStringLiteral(".mov"), dir.path(), {},
                                        QStringLiteral("c.mov"));
    dir.write(QStringLiteral("a.mp4"), "old a");
    dir.write(QStringLiteral("b.mp4"), "old b");
    dir.write(QStringLiteral("c.mp4"), "old c");
    queue({a, b, c});
    dialogs.boxAnswers << IDialogs::Answer::Yes << IDialogs::Answer::No << IDialogs::Answer::No;
    dialogs.saveAnswers << std::nullopt << dir.file(QStringLiteral("c renamed.mp4"));
    convert();

    EXPECT_EQ(dialogs.boxes.last().text, "Conversion Complete, Total Converted files:2");
    expectPlayable(dir.file(QStringLiteral("a.mp4")), "mp4", "h264", "aac",
                   SampleClips::Duration(a));
    EXPECT_EQ(dir.read(QStringLiteral("b.mp4")), "old b");
    EXPECT_EQ(dir.read(QStringLiteral("c.mp4")), "old c");
    expectPlayable(dir.file(QStringLiteral("c renamed.mp4")), "mp4", "h264", "aac",
                   SampleClips::Duration(c));
}

TEST_F(EndToEndTest, AnUnattendedRunGoesOnPastADamagedFileAndAnExistingOutputAndSaysWhyOnce)
{
    const QString in = dir.file(QStringLiteral("in"));
    const QString out = dir.file(QStringLiteral("out"));
    // libVLC's time usually runs on for this one while nothing is written; under some thread
    // timings libVLC reads it to its end instead and a whole output is made.
    const QString damaged = SampleClips::DamagedWmv(in);
    const QString notes = dir.write(QStringLiteral("in/notes.avi"), "This is not a video.\n");
    const QString kept = SampleClips::Make(QStringLiteral(".mov"), in, {},
                                           QStringLiteral("kept.mov"));
    const QString good = SampleClips::Avi(in);
    dir.write(QStringLiteral("out/kept.mp4"), "the user's kept.mp4");
    queue({damaged, notes, kept, good});
    dlg->m_flash.host()->setVariable(QStringLiteral("_root.path"), out);
    dlg->OnFSCommand(QStringLiteral("IDC_FS_OTHERDIRECTORY"), QString());
    dlg->OnFSCommand(QStringLiteral("IDC_FS_UNATTENDED"), QStringLiteral("1"));
    dialogs.chooseAnswers << 2;   // skip the files whose output exists
    const QString logs = dir.file(QStringLiteral("logs"));
    dlg->KeepRunLog(logs);
    // Five silent seconds stand for the minute a window waits.
    dlg->Driver().SetStallLimit(5);
    convert();

    EXPECT_EQ(dialogs.chooseTexts.size(), 1);
    ASSERT_EQ(dialogs.boxes.size(), 1) << dialogs.boxTexts().join('\n').toStdString();
    const QString text = dialogs.boxes[0].text;
    const bool damagedStalled = text.contains(damaged + ": nothing was written for 5 seconds\n");
    if (!damagedStalled) {
        EXPECT_EQ(SampleClips::VideoCodec(out + QStringLiteral("/damaged.mp4")), "h264")
            << text.toStdString();
    }
    const QStringList message = text.split('\n');
    ASSERT_EQ(message.size(), damagedStalled ? 4 : 3) << text.toStdString();
    EXPECT_EQ(message[0], QStringLiteral("Conversion Complete, Total Converted files:%1")
                              .arg(damagedStalled ? 1 : 2));
    EXPECT_TRUE(message[message.size() - 2].startsWith(notes + ": libVLC made no output of it ("))
        << text.toStdString();
    EXPECT_EQ(message.last(), kept + ": skipped: " + out + "/kept.mp4 already exists");
    EXPECT_EQ(dir.read(QStringLiteral("out/kept.mp4")), "the user's kept.mp4");
    expectPlayable(out + QStringLiteral("/sample.mp4"), "mp4", "h264", "aac",
                   SampleClips::Duration(good));
    EXPECT_TRUE(leftovers(out).isEmpty());

    // The run's log says, for the failed file, every attempt, libVLC's words and the reason.
    const QStringList runs = QDir(logs).entryList({QStringLiteral("run-*.log")}, QDir::Files);
    ASSERT_EQ(runs.size(), 1);
    QFile logFile(logs + '/' + runs[0]);
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    const QString log = QString::fromUtf8(logFile.readAll());
    const qsizetype from = log.indexOf("file: " + notes + '\n');
    ASSERT_GE(from, 0) << log.toStdString();
    const QString entry = log.mid(from, log.indexOf(QStringLiteral("\nfile: "), from + 1) - from);
    EXPECT_TRUE(entry.contains("  output: " + out + "/notes.mp4\n")) << entry.toStdString();
    EXPECT_TRUE(entry.contains(QStringLiteral("target .mp4, muxer avformat{}")))
        << entry.toStdString();
    EXPECT_EQ(entry.count(
                  QRegularExpression(QStringLiteral("\n  attempt \\d: [0-9:.]+ to [0-9:.]+: "
                                                    "libVLC made no output of it"))),
              4)
        << entry.toStdString();
    EXPECT_EQ(entry.count(QStringLiteral("    option: :sout=#transcode{")), 4);
    EXPECT_GE(entry.count(QStringLiteral("    libVLC: error ")), 4);
    EXPECT_TRUE(entry.contains(QStringLiteral("  result: failed: libVLC made no output of it")));

    // The choice is remembered.
    dlg.reset();
    EXPECT_TRUE(dir.read(QStringLiteral("program/Formats.ini")).contains("Unattended=1"));
}

namespace {

// The sample rates and languages of a file's audio tracks in the order libVLC lists them
// (Matroska's by track number, not by the order of the track entries).
QStringList vlcAudioTracks(const QString &path)
{
    QStringList audio;
    for (const VlcTrack &track : VlcTracks(path))
        if (track.type == libvlc_track_audio)
            audio << QString::number(track.rate) + QLatin1Char(',') + track.language;
    return audio;
}

}   // namespace

TEST_F(EndToEndTest, AudioTracksKeepTheSourcesOrderLanguagesAndDefault)
{
    // Three audio tracks, the middle one the default, each with its own sample rate (which the
    // conversion keeps), so that each output track shows which source track it came from:
    // libVLC hands them to the muxer in an order that changes from run to run. Three copies per
    // target make a lucky order (one in 24 per file) pass the test too seldom to matter.
    const QString in = dir.file(QStringLiteral("in"));
    QDir().mkpath(in);
    const QString source = in + QStringLiteral("/tracks.mkv");
    // And subtitles, which FFmpeg's muxers refuse: the other tracks are put right all the same.
    const QString subtitles = dir.write(QStringLiteral("in/tracks.srt"),
                                        "1\n00:00:01,000 --> 00:00:03,000\nHello\n\n");
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringLiteral(
                     "-nostdin -v error -f lavfi -i testsrc2=size=160x90:rate=25:duration=12 "
                     "-f lavfi -i sine=f=300:d=12:r=48000 -f lavfi -i sine=f=600:d=12:r=32000 "
                     "-f lavfi -i sine=f=900:d=12:r=44100 -i %1 -map 0 -map 1 -map 2 -map 3 -map 4 "
                     "-c:v libx264 -c:a libvorbis -c:s srt -metadata:s:a:0 language=eng "
                     "-metadata:s:a:1 language=fra -metadata:s:a:2 language=deu "
                     "-disposition:a:0 0 -disposition:a:1 default -disposition:a:2 0 %2")
                     .split(QLatin1Char(' '))
                     .replaceInStrings(QStringLiteral("%1"), subtitles)
                     .replaceInStrings(QStringLiteral("%2"), source));
    ASSERT_TRUE(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0)
        << ffmpeg.readAllStandardError().toStdString();
    QStringList sources{source};
    for (const char *copy : {"/tracks2.mkv", "/tracks3.mkv"}) {
        sources << in + QLatin1String(copy);
        ASSERT_TRUE(QFile::copy(source, sources.last()));
    }
    const auto streams = [](const QString &path) {
        QProcess ffprobe;
        ffprobe.start(QStringLiteral("ffprobe"),
                      QStringLiteral("-v error -show_entries stream=codec_type,sample_rate:"
                                     "stream_disposition=default:stream_tags=language -of csv=p=0")
                              .split(QLatin1Char(' '))
                          << path);
        ffprobe.waitForFinished(30000);
        // A transport stream's streams come twice, under its program first: the last block.
        return QString::fromUtf8(ffprobe.readAllStandardOutput())
            .section(QStringLiteral("\n\n"), -1)
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };
    const QStringList audio{"audio,48000,0,eng", "audio,32000,1,fra", "audio,44100,0,deu"};
    const QStringList vlcAudio{"48000,eng", "32000,fra", "44100,deu"};
    // MP4 names every track's language, "und" for none; Matroska leaves it out. AVI has no
    // languages or default flags: only the order is kept. A transport stream has languages but
    // no default flag; a program stream neither (in FFmpeg's reading), and libVLC lists its
    // tracks only once they play (their order is checked in MpegTracks). ASF has no default
    // flag, and holds RFC 1766 codes, which FFmpeg reads as ISO 639-2/B ones.
    struct Target
    {
        QString target;
        QStringList streams;
        QStringList vlcAudio;   // empty: not listed before playing
    };
    const QList<Target> targets{
        {QStringLiteral(".mp4"), QStringList{"video,1,und"} + audio, vlcAudio},
        {QStringLiteral(".mkv"), QStringList{"video,1"} + audio, vlcAudio},
        {QStringLiteral(".avi"),
         {"video,0", "audio,48000,0", "audio,32000,0", "audio,44100,0"},
         {"48000,", "32000,", "44100,"}},
        // libVLC's reading of a transport stream's header has no sample rates yet.
        {QStringLiteral(".ts"),
         {"video,0", "audio,48000,0,eng", "audio,32000,0,fra", "audio,44100,0,deu"},
         {"0,eng", "0,fra", "0,deu"}},
        {QStringLiteral(".mpg"),
         {"video,0,", "audio,48000,0", "audio,32000,0", "audio,44100,0"},
         {}},
        {QStringLiteral(".wmv"),
         {"video,0", "audio,48000,0,eng", "audio,32000,0,fre", "audio,44100,0,ger"},
         {"48000,en", "32000,fr", "44100,de"}}};
    for (const auto &[target, expected, expectedVlc] : targets) {
        SCOPED_TRACE(target.toStdString());
        const QString out = dir.file(QStringLiteral("out") + target);
        dlg->m_flash.host()->setVariable(QStringLiteral("_root.path"), out);
        dlg->OnFSCommand(QStringLiteral("IDC_FS_OTHERDIRECTORY"), QString());
        dlg->OnFSCommand(QStringLiteral("ID-FS-convertTo"), target);
        dialogs.boxes.clear();
        dlg->m_fileList->ResetContent();
        queue(sources);
        convert();
        EXPECT_EQ(dialogs.boxTexts(),
                  QStringList({"Conversion Complete, Total Converted files:3"}));
        for (const QString &name :
             {QStringLiteral("tracks"), QStringLiteral("tracks2"), QStringLiteral("tracks3")}) {
            const QString output = out + QLatin1Char('/') + name + target;
            EXPECT_EQ(streams(output), expected) << name.toStdString();
            if (!expectedVlc.isEmpty()) {
                EXPECT_EQ(vlcAudioTracks(output), expectedVlc) << name.toStdString();
            }
        }
    }
}
