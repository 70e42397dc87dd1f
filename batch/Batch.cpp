// SPDX-License-Identifier: GPL-3.0-or-later
// The batch command: the window's conversion driver on a terminal, in a script or on many cores.
#include "Batch.h"

#include "convert/CConversionDriver.h"
#include "convert/CRunLog.h"
#include "convert/LibVlcControl.h"
#include "convert/SettingsCheck.h"
#include "convert/TranscodeOption.h"
#include "platform/ProcessMemory.h"
#include "platform/ThreadClock.h"
#include "settings/CIniFile.h"
#include "settings/FormatCatalog.h"
#include "settings/UserSettings.h"
#include "ui/CConverterDlg.h"
#include "ui/OutsideFiles.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <unistd.h>
#include <utility>

namespace {

constexpr int ExitConverted = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;
// A worker that says nothing for this long (it reports every few seconds while it lives) hangs
// inside libVLC: it is killed and its file counted as failed.
constexpr int WorkerSilenceLimitS = 90;
constexpr int WorkerHeartbeatMs = 2000;
// A process of a run converts at most this many files; then a fresh one takes over, so that no
// process lives long enough for libVLC's buffers to fragment its heap.
constexpr int WorkerFileLimit = 16;
// What the run tells its processes on their standard input, a line each: a turn to convert the
// file that is ready, and the next file to get ready (its path percent-encoded).
constexpr char WorkerGo[] = "go";
constexpr char WorkerFile[] = "file ";

const char Usage[]
    = "Usage: movarin --batch [options] FILE|FOLDER...\n"
      "Converts files without a window. A folder gives the video files in it and its subfolders.\n"
      "\n"
      "Options:\n"
      "  --to EXT                  target of the catalogue, e.g. .mp4 (default: its first)\n"
      "  --muxer NAME              container (default: the target's first)\n"
      "  --vcodec NAME             video codec (default: the muxer's first)\n"
      "  --vb KBITS                video bit rate (default: 1024)\n"
      "  --scale FACTOR            picture scale (default: 1)\n"
      "  --acodec NAME             audio codec (default: the muxer's first)\n"
      "  --ab KBITS                audio bit rate (default: 128)\n"
      "  --channels N              audio channels (default: 2)\n"
      "  --output DIR              where outputs go (default: beside each source)\n"
      "  --existing POLICY         an output that exists: overwrite, rename (keep both), or\n"
      "                            skip (default)\n"
      "  --jobs N                  files converted at once, each in a process of its own\n"
      "                            (default: 1)\n"
      "  --json                    one JSON object per line on standard output\n"
      "  --help                    this text\n"
      "  --version                 the version\n"
      "\n"
      "Exit status: 0 every file converted (or skipped as it already existed), 1 a file failed,\n"
      "2 usage error, 130 and 143 stopped by SIGINT and SIGTERM.\n"
      "Each run leaves a log in $XDG_STATE_HOME/movarin (~/.local/state/movarin).\n";

int g_signalPipe[2] = {-1, -1};

void OnStopSignal(int signal)
{
    const char code = static_cast<char>(signal);
    const ssize_t written = ::write(g_signalPipe[1], &code, 1);
    (void)written;
}

struct Options
{
    ConversionSettings settings;
    QString outputFolder;
    ExistingOutput existing = ExistingOutput::Skip;
    int jobs = 1;
    bool json = false;
    bool worker = false;
    QStringList files;
    QStringList leftOut;   // "path (why)"
    QStringList workerArguments;   // the settings and policy as a worker is given them
};

void Print(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

QString Seconds(qint64 seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

const char *StateName(CFileResult::State state)
{
    switch (state) {
    case CFileResult::State::Converted:
        return "converted";
    case CFileResult::State::Failed:
        return "failed";
    case CFileResult::State::Skipped:
        return "skipped";
    }
    return "failed";
}

CFileResult::State StateOf(const QString &name)
{
    if (name == QLatin1String("converted"))
        return CFileResult::State::Converted;
    if (name == QLatin1String("skipped"))
        return CFileResult::State::Skipped;
    return CFileResult::State::Failed;
}

// What the user sees: progress lines and results on a terminal, plain lines in a pipe, or JSON.
class Reporter
{
public:
    explicit Reporter(bool json)
        : m_json(json)
        , m_terminal(!json && ::isatty(STDERR_FILENO))
    {
    }

    void Json(const QJsonObject &object)
    {
        Print(stdout, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact))
                          + QLatin1Char('\n'));
    }

    void Progress(const QString &source, int index, int total, int percent, double speed,
                  qint64 leftS)
    {
        if (m_json) {
            Json({{"event", "progress"},
                  {"source", source},
                  {"percent", percent},
                  {"speed", speed},
                  {"left_s", leftS}});
            return;
        }
        if (!m_terminal)
            return;
        QString line = QStringLiteral("[%1/%2] %3 %4%")
                           .arg(index + 1)
                           .arg(total)
                           .arg(QFileInfo(source).fileName())
                           .arg(percent, 3);
        if (speed > 0)
            line += QStringLiteral("  %1x").arg(speed, 0, 'f', 1);
        if (leftS >= 0)
            line += QStringLiteral("  %1 left").arg(Seconds(leftS));
        Print(stderr, QStringLiteral("\r\033[K") + line);
        m_lineOpen = true;
    }

    void Temporary(const QString &source, const QString &path)
    {
        if (m_json)
            Json({{"event", "temporary"}, {"source", source}, {"path", path}});
    }

    void Attempt(const QString &source, const CAttemptRecord &attempt)
    {
        if (!m_json)
            return;
        Json({{"event", "attempt"},
              {"source", source},
              {"started", attempt.started.toString(Qt::ISODateWithMs)},
              {"ended", attempt.ended.toString(Qt::ISODateWithMs)},
              {"option", attempt.option},
              {"outcome", attempt.outcome},
              {"vlc", QJsonArray::fromStringList(attempt.vlcMessages)}});
    }

    void File(const CFileResult &result)
    {
        if (m_json) {
            Json({{"event", "file"},
                  {"source", result.source},
                  {"output", result.output},
                  {"state", QLatin1String(StateName(result.state))},
                  {"reason", result.reason}});
            return;
        }
        CloseLine();
        if (result.state == CFileResult::State::Converted)
            Print(stdout,
                  QStringLiteral("converted: %1 -> %2\n").arg(result.source, result.output));
        else
            Print(stdout,
                  QStringLiteral("%1: %2: %3\n")
                      .arg(QLatin1String(StateName(result.state)), result.source, result.reason));
    }

    void LeftOut(const QString &what)
    {
        if (m_json)
            Json({{"event", "left-out"}, {"path", what}});
        else
            Print(stderr, QStringLiteral("movarin: left out: ") + what + QLatin1Char('\n'));
    }

    void Summary(int converted, int failed, int skipped, const QString &log)
    {
        if (m_json) {
            Json({{"event", "summary"},
                  {"converted", converted},
                  {"failed", failed},
                  {"skipped", skipped},
                  {"log", log}});
            return;
        }
        CloseLine();
        QString text = QStringLiteral("%1 converted, %2 failed, %3 skipped")
                           .arg(converted)
                           .arg(failed)
                           .arg(skipped);
        if (!log.isEmpty())
            text += QStringLiteral("; log: ") + log;
        Print(stdout, text + QLatin1Char('\n'));
    }

    void CloseLine()
    {
        if (m_lineOpen)
            Print(stderr, QStringLiteral("\r\033[K"));
        m_lineOpen = false;
    }

private:
    bool m_json;
    bool m_terminal;
    bool m_lineOpen = false;
};

// The results of a run, counted.
struct Tally
{
    int converted = 0;
    int failed = 0;
    int skipped = 0;
    QString reasonOfSkip;

    void Add(const CFileResult &result)
    {
        switch (result.state) {
        case CFileResult::State::Converted:
            ++converted;
            break;
        case CFileResult::State::Failed:
            ++failed;
            break;
        case CFileResult::State::Skipped:
            ++skipped;
            break;
        }
    }
    int ExitStatus() const { return failed > 0 ? ExitFailed : ExitConverted; }
};

// The driver's face in one process: the queue is the list of files.
class BatchFace : public IConversionFace
{
public:
    BatchFace(const QStringList &files, Reporter &reporter, Tally &tally)
        : m_files(files)
        , m_reporter(reporter)
        , m_tally(tally)
    {
    }

    int RowCount() override { return static_cast<int>(m_files.size()); }
    QString RowText(int row) override { return m_files.value(row); }
    // Nothing here is edited, and there is no movie.
    void SetQueueEditable(bool) override { }
    void SetVariable(const QString &name, const QString &) override
    {
        if (name == QLatin1String("_root.showProgress"))
            m_clock.start();
    }
    QString GetVariable(const QString &) override { return QString(); }
    void QueueProgress(int row, int rows, int percent, qint64 mediaMs) override
    {
        const qint64 elapsed = m_clock.isValid() ? m_clock.elapsed() : 0;
        const double speed = elapsed > 0 ? static_cast<double>(mediaMs) / elapsed : 0.0;
        const qint64 left = percent > 0 ? elapsed * (100 - percent) / percent / 1000 : -1;
        m_reporter.Progress(m_files.value(row), row, rows, percent, speed, left);
    }
    void ClearQueueProgress() override { m_reporter.CloseLine(); }
    // The files are known from the start; each is reported as it ends.
    void RunStarted(int) override { }
    void RunFinished(int, int) override { }
    void AttemptStarted(int row, const QString &temporaryPath) override
    {
        m_reporter.Temporary(m_files.value(row), temporaryPath);
    }
    // In a run of several files, the turn to write passes on when the output is no longer
    // written to, before it is read back.
    void OutputWritten(int row) override
    {
        if (m_waitForTurn)
            m_reporter.Json({{"event", "written"}, {"source", m_files.value(row)}});
    }
    void AttemptEnded(int row, const CAttemptRecord &attempt) override
    {
        m_reporter.Attempt(m_files.value(row), attempt);
    }
    void FileFinished(const CFileResult &result) override
    {
        m_tally.Add(result);
        m_reporter.File(result);
    }
    // A process of a --jobs run says when its file is ready to convert and waits for its turn.
    void ReadyToHandOver(int row, std::function<void()> handOver) override
    {
        if (!m_waitForTurn) {
            handOver();
            return;
        }
        m_handOver = std::move(handOver);
        m_reporter.Json({{"event", "ready"}, {"source", m_files.value(row)}});
    }

    void WaitForTurns() { m_waitForTurn = true; }
    // The turn has come: the file held back is handed over.
    void Go()
    {
        if (std::function<void()> handOver = std::exchange(m_handOver, {}))
            handOver();
    }

private:
    QStringList m_files;
    bool m_waitForTurn = false;
    std::function<void()> m_handOver;
    Reporter &m_reporter;
    Tally &m_tally;
    QElapsedTimer m_clock;
};

QString ProgramFolder()
{
    QString folder = QCoreApplication::applicationDirPath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

// The catalogue as the window reads it: the program's Formats.ini, under the user's own when
// the program folder cannot be written. Only read, never written.
void PointAtCatalogue(CIniFile &ini)
{
    ini.SetPath(QStringLiteral("Formats.ini"));
    const CUserSettingsHome home = CUserSettingsHome::FromEnvironment();
    if (!home.canWrite(ini.path()))
        ini.SetUserPath(home.UserFile(QStringLiteral("Formats.ini")));
}

bool IsPositiveNumber(const QString &text, bool whole)
{
    bool ok = false;
    const double value = whole ? text.toInt(&ok) : text.toDouble(&ok);
    return ok && value > 0;
}

// Reads the command line into options; on a usage error returns the message.
QString Parse(const QStringList &arguments, CIniFile &ini, FormatCatalog &formats, Options &options,
              bool &help, bool &version)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption batch(QStringLiteral("batch"));
    const QCommandLineOption to(QStringLiteral("to"), QString(), QStringLiteral("EXT"));
    const QCommandLineOption muxer(QStringLiteral("muxer"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption vcodec(QStringLiteral("vcodec"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption vb(QStringLiteral("vb"), QString(), QStringLiteral("KBITS"));
    const QCommandLineOption scale(QStringLiteral("scale"), QString(), QStringLiteral("FACTOR"));
    const QCommandLineOption acodec(QStringLiteral("acodec"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption ab(QStringLiteral("ab"), QString(), QStringLiteral("KBITS"));
    const QCommandLineOption channels(QStringLiteral("channels"), QString(), QStringLiteral("N"));
    const QCommandLineOption output(QStringLiteral("output"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption existing(QStringLiteral("existing"), QString(),
                                      QStringLiteral("POLICY"));
    const QCommandLineOption jobs(QStringLiteral("jobs"), QString(), QStringLiteral("N"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption helpOption(QStringLiteral("help"));
    const QCommandLineOption versionOption(QStringLiteral("version"));
    // A process of a --jobs run: one file, JSON out, no log of its own, signs of life.
    QCommandLineOption worker(QStringLiteral("worker"));
    worker.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({batch, to, muxer, vcodec, vb, scale, acodec, ab, channels, output, existing,
                       jobs, json, helpOption, versionOption, worker});
    if (!parser.parse(arguments))
        return parser.errorText();
    if (parser.isSet(helpOption)) {
        help = true;
        return QString();
    }
    if (parser.isSet(versionOption)) {
        version = true;
        return QString();
    }
    for (const QCommandLineOption *once :
         {&to, &muxer, &vcodec, &vb, &scale, &acodec, &ab, &channels, &output, &existing, &jobs}) {
        if (parser.values(*once).size() > 1)
            return QStringLiteral("--%1 is given more than once").arg(once->names().constFirst());
    }

    // The catalogue's cascade, as the window's choices make it.
    ConversionSettings &s = options.settings;
    CFormatCascade cascade(ini, formats, s, [](const QString &, const QString &) {});
    cascade.LoadAtStartup();
    if (parser.isSet(to)) {
        if (!formats.convertToList.contains(parser.value(to)))
            return QStringLiteral("--to %1 is not a target of the catalogue (%2)")
                .arg(parser.value(to), formats.convertToList.join(QLatin1Char(' ')));
        cascade.SelectTarget(parser.value(to));
    }
    if (parser.isSet(muxer)) {
        if (!formats.containerList.contains(parser.value(muxer)))
            return QStringLiteral("--muxer %1 is not a muxer of %2 (%3)")
                .arg(parser.value(muxer), s.convertTo,
                     formats.containerList.join(QLatin1Char(' ')));
        cascade.SelectMuxer(parser.value(muxer));
    }
    if (parser.isSet(vcodec)) {
        if (!formats.videoCodecList.contains(parser.value(vcodec)))
            return QStringLiteral("--vcodec %1 is not a video codec of %2 (%3)")
                .arg(parser.value(vcodec), s.container,
                     formats.videoCodecList.join(QLatin1Char(' ')));
        s.videoCodec = parser.value(vcodec);
    }
    if (parser.isSet(acodec)) {
        if (!formats.audioCodecList.contains(parser.value(acodec)))
            return QStringLiteral("--acodec %1 is not an audio codec of %2 (%3)")
                .arg(parser.value(acodec), s.container,
                     formats.audioCodecList.join(QLatin1Char(' ')));
        s.audioCodec = parser.value(acodec);
    }
    struct Number
    {
        const QCommandLineOption &option;
        QString &setting;
        bool whole;
    };
    for (const Number &number :
         {Number{vb, s.videoBitrate, true}, Number{scale, s.videoScale, false},
          Number{ab, s.audioBitrate, true}, Number{channels, s.audioChannels, true}}) {
        if (!parser.isSet(number.option))
            continue;
        const QString value = parser.value(number.option);
        if (!IsPositiveNumber(value, number.whole))
            return QStringLiteral("--%1 %2 is not a positive %3")
                .arg(number.option.names().constFirst(), value,
                     number.whole ? QStringLiteral("whole number") : QStringLiteral("number"));
        number.setting = value;
    }
    QString problem = SettingsCheck::Problem(s, formats, ini);
    if (problem.isEmpty())
        problem = TranscodeOption::CheckTuning(ini, s);
    if (!problem.isEmpty())
        return problem;

    if (parser.isSet(existing)) {
        const QString policy = parser.value(existing);
        if (policy == QLatin1String("overwrite"))
            options.existing = ExistingOutput::Overwrite;
        else if (policy == QLatin1String("rename"))
            options.existing = ExistingOutput::Rename;
        else if (policy == QLatin1String("skip"))
            options.existing = ExistingOutput::Skip;
        else
            return QStringLiteral("--existing %1: say overwrite, rename or skip").arg(policy);
    }
    if (parser.isSet(jobs)) {
        bool ok = false;
        options.jobs = parser.value(jobs).toInt(&ok);
        if (!ok || options.jobs < 1)
            return QStringLiteral("--jobs %1 is not a whole number from 1").arg(parser.value(jobs));
    }
    if (parser.isSet(output)) {
        options.outputFolder = QDir::cleanPath(
            QDir::current().absoluteFilePath(parser.value(output)));
        if (QFileInfo::exists(options.outputFolder) && !QFileInfo(options.outputFolder).isDir())
            return QStringLiteral("--output %1 is not a folder").arg(parser.value(output));
    }
    options.worker = parser.isSet(worker);
    options.json = parser.isSet(json) || options.worker;

    // A worker is given exactly the settings this run settled on.
    options.workerArguments = {QStringLiteral("--to"),
                               s.convertTo,
                               QStringLiteral("--muxer"),
                               s.container,
                               QStringLiteral("--vcodec"),
                               s.videoCodec,
                               QStringLiteral("--vb"),
                               s.videoBitrate,
                               QStringLiteral("--scale"),
                               s.videoScale,
                               QStringLiteral("--acodec"),
                               s.audioCodec,
                               QStringLiteral("--ab"),
                               s.audioBitrate,
                               QStringLiteral("--channels"),
                               s.audioChannels,
                               QStringLiteral("--existing"),
                               parser.isSet(existing) ? parser.value(existing)
                                                      : QStringLiteral("skip")};
    if (!options.outputFolder.isEmpty())
        options.workerArguments << QStringLiteral("--output") << options.outputFolder;

    const QStringList given = parser.positionalArguments();
    if (given.isEmpty())
        return QStringLiteral("no file or folder given");
    QStringList paths;
    for (const QString &argument : given) {
        const QString path = OutsideFiles::LocalPathOfArgument(argument, QDir::currentPath());
        paths << (path.isEmpty() ? argument : path);
    }
    const OutsideFiles::Sorted sorted = OutsideFiles::Sort(paths, CConverterDlg::SourceExtensionsOf(
                                                                      formats));
    options.files = sorted.files;
    options.leftOut = sorted.skipped;
    return QString();
}

void CatchStopSignals()
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action
    {
    };
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// Calls stop with the signal's exit status when SIGINT or SIGTERM arrives.
std::unique_ptr<QSocketNotifier> OnStop(std::function<void(int)> stop)
{
    if (g_signalPipe[0] < 0)
        return nullptr;
    auto notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [stop] {
        char code = 0;
        if (::read(g_signalPipe[0], &code, 1) == 1)
            stop(128 + code);
    });
    return notifier;
}

QString CommandLine(const QStringList &arguments)
{
    return QStringLiteral("movarin ") + arguments.mid(1).join(QLatin1Char(' '));
}

// libVLC for a batch process, whose settings never change. Every player that shows pictures loads
// libVLC's text renderer (and with it every font's description, through fontconfig); here those
// are the looks at a source and at an output, which draw no text, and the conversions, which draw
// text only when the catalogue's parameters ask transcode to.
QStringList VlcArguments(CIniFile &ini, const ConversionSettings &settings)
{
    if (TranscodeOption::DrawsText(TranscodeOption::ReadTuning(ini, settings)))
        return {};
    return {QStringLiteral("--text-renderer=none")};
}

// The driver over some files in this process, with its face and the services it needs.
class LocalRun
{
public:
    LocalRun(const Options &options, const QStringList &files, CIniFile &ini,
             FormatCatalog &formats, IVlcControlFactory &factory, Reporter &reporter, Tally &tally)
        : face(files, reporter, tally)
        , m_settings(options.settings)
        , driver(face, CDriverServices{nullptr, nullptr, m_clock, factory, m_work}, ini, formats,
                 m_settings)
    {
        driver.SetUnattended(true, options.existing);
        // There is no window whose host could need time to settle before libVLC takes the file.
        driver.SetHandOverPause(0);
        driver.m_sameFolder = options.outputFolder.isEmpty() ? 1 : 0;
        driver.m_outputPath = options.outputFolder;
        driver.m_fileTotal = static_cast<int>(files.size());
    }

    BatchFace face;

private:
    CThreadClock m_clock;
    CThreadWorkRunner m_work;
    ConversionSettings m_settings;

public:
    CConversionDriver driver;
};

// Every file in this process, one after another, with the driver.
int RunHere(const Options &options, CIniFile &ini, FormatCatalog &formats, Reporter &reporter,
            const QStringList &arguments)
{
    Tally tally;
    CLibVlcControlFactory factory(VlcArguments(ini, options.settings));
    LocalRun run(options, options.files, ini, formats, factory, reporter, tally);
    run.driver.KeepRunLog(CRunLog::DefaultFolder(), CommandLine(arguments));
    QObject::connect(&run.driver, &CConversionDriver::RunEnded, qApp, [] { qApp->exit(-1); });
    const auto stopper = OnStop([&run](int status) {
        // At once: the attempt stopped, its temporary output removed.
        run.driver.Abandon();
        qApp->exit(status);
    });
    run.driver.ConvertNextFile();
    int status = -1;
    if (run.driver.RunInProgress())
        status = QCoreApplication::exec();
    if (status > 0)
        return status;
    reporter.Summary(tally.converted, tally.failed, tally.skipped, run.driver.RunLogPath());
    return tally.ExitStatus();
}

// A process of a run of several files: it converts the file it was started with, then each file
// the run hands it, one at a time, with one libVLC for all of them. It says when a file is ready
// and converts it when its turn comes ("go" on standard input), says "idle" when the file has
// ended, and leaves when standard input closes.
int RunWorker(const Options &options, CIniFile &ini, FormatCatalog &formats, Reporter &reporter)
{
    // Before libVLC starts a thread: what one file's conversion frees serves the next.
    KeepFreedMemoryForReuse();
    Tally tally;
    CLibVlcControlFactory factory(VlcArguments(ini, options.settings));
    std::unique_ptr<LocalRun> run;
    bool ended = false;
    // False when the file's run could not even begin: this process then leaves, and the run
    // counts the file as failed.
    const auto convert = [&](const QString &file) {
        run.reset();
        run = std::make_unique<LocalRun>(options, QStringList{file}, ini, formats, factory,
                                         reporter, tally);
        run->face.WaitForTurns();
        ended = false;
        QObject::connect(&run->driver, &CConversionDriver::RunEnded, qApp, [&reporter, &ended] {
            ended = true;
            reporter.Json({{"event", "idle"}});
        });
        run->driver.ConvertNextFile();
        return ended || run->driver.RunInProgress();
    };
    const auto busy = [&run] { return run && run->driver.RunInProgress(); };

    QTimer heartbeat;
    heartbeat.setInterval(WorkerHeartbeatMs);
    QObject::connect(&heartbeat, &QTimer::timeout, [&reporter] {
        reporter.Json({{"event", "alive"}});
    });
    heartbeat.start();
    QByteArray pending;
    QSocketNotifier orders(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&orders, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (got <= 0) {
            // The run is gone or has nothing more for this process: a file under way is given up.
            orders.setEnabled(false);
            if (busy()) {
                run->driver.Abandon();
                qApp->exit(ExitFailed);
            } else {
                qApp->exit(-1);
            }
            return;
        }
        pending.append(buffer, got);
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            if (line == WorkerGo) {
                if (run)
                    run->face.Go();
            } else if (line.startsWith(WorkerFile) && !busy()
                       && !convert(QString::fromUtf8(
                           QByteArray::fromPercentEncoding(line.mid(qstrlen(WorkerFile)))))) {
                qApp->exit(ExitFailed);
            }
        }
    });
    const auto stopper = OnStop([&](int status) {
        // At once: the attempt stopped, its temporary output removed.
        if (run)
            run->driver.Abandon();
        qApp->exit(status);
    });
    if (!convert(options.files.constFirst()))
        return ExitFailed;
    const int status = QCoreApplication::exec();
    return status > 0 ? status : tally.ExitStatus();
}

// Processes of their own, at most jobs converting at once, each converting one file at a time: a
// crash or a hang inside libVLC costs the file it was converting only. As many more get ready
// meanwhile (their output named, their source looked at), each waiting for a turn: a file that
// ends hands its turn to one that is ready at once. A process whose file converted at its first
// attempt (or was skipped) takes the next file, which spares that file a process's start and
// libVLC's; one whose file did not, or that has converted WorkerFileLimit files, leaves.
class Workers
{
public:
    Workers(const Options &options, Reporter &reporter, const QStringList &arguments)
        : m_options(options)
        , m_reporter(reporter)
    {
        m_log.Begin(CRunLog::DefaultFolder(), CommandLine(arguments));
        const QString limit = qEnvironmentVariable("MOVARIN_BATCH_SILENCE_LIMIT_S");
        m_silenceLimitMs = (limit.toInt() > 0 ? limit.toInt() : WorkerSilenceLimitS) * 1000;
        m_watch.setInterval(1000);
        QObject::connect(&m_watch, &QTimer::timeout, [this] { KillSilent(); });
    }

    int Run()
    {
        m_watch.start();
        StartMore();
        const auto stopper = OnStop([this](int status) { Stop(status); });
        const int status = QCoreApplication::exec();
        m_watch.stop();
        if (status > 0)
            return status;
        m_log.End(m_tally.converted, m_tally.failed, m_tally.skipped);
        m_reporter.Summary(m_tally.converted, m_tally.failed, m_tally.skipped, m_log.Path());
        return m_tally.ExitStatus();
    }

private:
    struct Worker
    {
        // Finishing: its output is no longer written; it is read back, and the process reports
        // its file or gets ready again for a retry.
        // Idle: its file has ended; it waits for the next one, or leaves.
        enum class Stage { GettingReady, Ready, Converting, Finishing, Idle };
        QProcess *process = nullptr;
        QString source;
        int index = 0;
        Stage stage = Stage::GettingReady;
        bool reported = false;
        bool silent = false;
        bool leaving = false;   // takes no other file
        bool dismissed = false;
        int files = 1;   // given to it so far
        QString temporary;   // the output of the attempt under way, until it is whole
        QElapsedTimer heard;
        QByteArray pending;
    };

    qsizetype Count(Worker::Stage stage) const
    {
        return std::count_if(m_running.cbegin(), m_running.cend(),
                             [stage](const std::shared_ptr<Worker> &w) {
                                 return w->stage == stage;
                             });
    }

    // Turns to the ready workers, first file first, while fewer than jobs convert.
    void GiveTurns()
    {
        while (Count(Worker::Stage::Converting) < m_options.jobs) {
            std::shared_ptr<Worker> first;
            for (const std::shared_ptr<Worker> &worker : std::as_const(m_running))
                if (worker->stage == Worker::Stage::Ready
                    && (!first || worker->index < first->index))
                    first = worker;
            if (!first)
                return;
            first->stage = Worker::Stage::Converting;
            first->process->write(QByteArray(WorkerGo) + '\n');
        }
    }

    void StartMore()
    {
        // Nothing new starts, and nobody gets a turn, once the run is being stopped.
        if (m_stopping)
            return;
        GiveTurns();
        while (Preparing() < m_options.jobs && m_next < m_options.files.size()) {
            if (const std::shared_ptr<Worker> idle = IdleWorker()) {
                idle->source = m_options.files.at(m_next);
                idle->index = static_cast<int>(m_next++);
                idle->stage = Worker::Stage::GettingReady;
                idle->reported = false;
                idle->temporary.clear();
                ++idle->files;
                idle->heard.restart();
                idle->process->write(QByteArray(WorkerFile)
                                     + idle->source.toUtf8().toPercentEncoding() + '\n');
                continue;
            }
            auto worker = std::make_shared<Worker>();
            worker->source = m_options.files.at(m_next);
            worker->index = static_cast<int>(m_next++);
            worker->process = new QProcess;
            worker->process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            QObject::connect(worker->process, &QProcess::readyReadStandardOutput,
                             [this, worker] { Read(*worker); });
            QObject::connect(worker->process, &QProcess::finished,
                             [this, worker](int code, QProcess::ExitStatus how) {
                                 Finished(worker, code, how);
                             });
            worker->heard.start();
            m_running << worker;
            worker->process->start(QCoreApplication::applicationFilePath(),
                                   QStringList{QStringLiteral("--batch"),
                                               QStringLiteral("--worker")}
                                       + m_options.workerArguments
                                       + QStringList{QStringLiteral("--"), worker->source});
        }
        // Those that wait for a file that will not come leave.
        for (const std::shared_ptr<Worker> &worker : std::as_const(m_running))
            if (worker->stage == Worker::Stage::Idle
                && (worker->leaving || m_next >= m_options.files.size()))
                Dismiss(*worker);
        if (m_running.isEmpty())
            QCoreApplication::exit(-1);
    }

    // The processes getting ready, ready, or about to take the next file: one whose output is
    // being read back takes it within a moment, unless its file fails.
    qsizetype Preparing() const
    {
        return std::count_if(m_running.cbegin(), m_running.cend(),
                             [](const std::shared_ptr<Worker> &w) {
                                 return w->stage == Worker::Stage::GettingReady
                                        || w->stage == Worker::Stage::Ready
                                        || (w->stage == Worker::Stage::Finishing && !w->leaving);
                             });
    }

    // A process whose file has ended and that may take another.
    std::shared_ptr<Worker> IdleWorker() const
    {
        for (const std::shared_ptr<Worker> &worker : m_running)
            if (worker->stage == Worker::Stage::Idle && !worker->leaving)
                return worker;
        return nullptr;
    }

    // Standard input closed: the process ends once its file is done.
    static void Dismiss(Worker &worker)
    {
        worker.leaving = true;
        if (!worker.dismissed && worker.process->state() != QProcess::NotRunning)
            worker.process->closeWriteChannel();
        worker.dismissed = true;
    }

    void Read(Worker &worker)
    {
        worker.heard.restart();
        worker.pending += worker.process->readAllStandardOutput();
        qsizetype end;
        while ((end = worker.pending.indexOf('\n')) >= 0) {
            const QByteArray line = worker.pending.left(end);
            worker.pending.remove(0, end + 1);
            const QJsonObject event = QJsonDocument::fromJson(line).object();
            const QString kind = event.value(QLatin1String("event")).toString();
            if (kind == QLatin1String("temporary")) {
                worker.temporary = event.value(QLatin1String("path")).toString();
            } else if (kind == QLatin1String("ready")) {
                worker.stage = Worker::Stage::Ready;
                StartMore();
            } else if (kind == QLatin1String("written")) {
                // Read back from now on: another file may be written.
                if (worker.stage == Worker::Stage::Converting) {
                    worker.stage = Worker::Stage::Finishing;
                    StartMore();
                }
            } else if (kind == QLatin1String("progress")) {
                m_reporter.Progress(worker.source, worker.index,
                                    static_cast<int>(m_options.files.size()),
                                    event.value(QLatin1String("percent")).toInt(),
                                    event.value(QLatin1String("speed")).toDouble(),
                                    event.value(QLatin1String("left_s")).toInteger(-1));
            } else if (kind == QLatin1String("attempt")) {
                CAttemptRecord attempt;
                attempt.started
                    = QDateTime::fromString(event.value(QLatin1String("started")).toString(),
                                            Qt::ISODateWithMs);
                attempt.ended
                    = QDateTime::fromString(event.value(QLatin1String("ended")).toString(),
                                            Qt::ISODateWithMs);
                attempt.option = event.value(QLatin1String("option")).toString();
                attempt.outcome = event.value(QLatin1String("outcome")).toString();
                for (const QJsonValue &message : event.value(QLatin1String("vlc")).toArray())
                    attempt.vlcMessages << message.toString();
                m_log.Attempt(attempt);
                m_reporter.Attempt(worker.source, attempt);
                // After an attempt that failed, libVLC in that process is not trusted with
                // another file.
                if (attempt.outcome != QLatin1String("converted"))
                    worker.leaving = true;
                // Its conversion is over (if it failed before its output was written): a retry
                // waits for a turn again.
                if (worker.stage == Worker::Stage::Converting) {
                    worker.stage = Worker::Stage::Finishing;
                    StartMore();
                }
            } else if (kind == QLatin1String("file")) {
                CFileResult result;
                result.row = worker.index;
                result.source = event.value(QLatin1String("source")).toString();
                result.output = event.value(QLatin1String("output")).toString();
                result.state = StateOf(event.value(QLatin1String("state")).toString());
                result.reason = event.value(QLatin1String("reason")).toString();
                Record(worker, result);
                if (result.state == CFileResult::State::Failed || worker.files >= WorkerFileLimit)
                    worker.leaving = true;
            } else if (kind == QLatin1String("idle")) {
                worker.stage = Worker::Stage::Idle;
                StartMore();
            }
        }
    }

    void Record(Worker &worker, const CFileResult &result)
    {
        worker.reported = true;
        m_tally.Add(result);
        m_log.File(result, m_options.settings);
        m_reporter.File(result);
    }

    void Finished(const std::shared_ptr<Worker> &worker, int code, QProcess::ExitStatus how)
    {
        Read(*worker);
        // A worker that was killed or crashed could not remove what it was writing.
        if (how == QProcess::CrashExit && !worker->temporary.isEmpty())
            QFile::remove(worker->temporary);
        if (!worker->reported) {
            CFileResult result;
            result.row = worker->index;
            result.source = worker->source;
            result.state = CFileResult::State::Failed;
            if (worker->silent)
                result.reason = QStringLiteral("its conversion stopped answering and was ended");
            else if (how == QProcess::CrashExit)
                result.reason = QStringLiteral("its conversion crashed");
            else
                result.reason = QStringLiteral("its conversion ended with status %1").arg(code);
            Record(*worker, result);
        }
        m_running.removeAll(worker);
        worker->process->deleteLater();
        if (!m_stopping)
            StartMore();
    }

    void KillSilent()
    {
        for (const std::shared_ptr<Worker> &worker : std::as_const(m_running)) {
            if (!worker->silent && worker->heard.elapsed() > m_silenceLimitMs) {
                worker->silent = true;
                worker->process->kill();
            }
        }
    }

    void Stop(int status)
    {
        m_stopping = true;
        // Each worker removes its own temporary output on SIGTERM. A worker that ends leaves
        // m_running while this waits, so the list is taken first.
        const QList<std::shared_ptr<Worker>> workers = m_running;
        for (const std::shared_ptr<Worker> &worker : workers)
            worker->process->terminate();
        for (const std::shared_ptr<Worker> &worker : workers) {
            if (!worker->process->waitForFinished(5000))
                worker->process->kill();
        }
        QCoreApplication::exit(status);
    }

    const Options &m_options;
    Reporter &m_reporter;
    CRunLog m_log;
    Tally m_tally;
    QList<std::shared_ptr<Worker>> m_running;
    qsizetype m_next = 0;
    bool m_stopping = false;
    int m_silenceLimitMs = WorkerSilenceLimitS * 1000;
    QTimer m_watch;
};

}   // namespace

namespace Batch {

bool Wanted(int argc, char **argv)
{
    return argc > 1 && std::strcmp(argv[1], "--batch") == 0;
}

int Run(int argc, char **argv)
{
    CatchStopSignals();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Movarin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MOVARIN_VERSION));

    const QStringList arguments = QCoreApplication::arguments();
    CIniFile ini(ProgramFolder());
    PointAtCatalogue(ini);
    FormatCatalog formats;
    Options options;
    bool help = false;
    bool version = false;
    const QString problem = Parse(arguments, ini, formats, options, help, version);
    if (help) {
        Print(stdout, QString::fromLatin1(Usage));
        return ExitConverted;
    }
    if (version) {
        Print(stdout, QStringLiteral("movarin " MOVARIN_VERSION "\n"));
        return ExitConverted;
    }
    if (!problem.isEmpty()) {
        Print(stderr, QStringLiteral("movarin: ") + problem
                          + QStringLiteral("\nTry 'movarin --batch --help'.\n"));
        return ExitUsage;
    }

    Reporter reporter(options.json);
    for (const QString &what : std::as_const(options.leftOut))
        reporter.LeftOut(what);
    const int leftOutStatus = options.leftOut.isEmpty() ? ExitConverted : ExitFailed;
    if (options.files.isEmpty()) {
        reporter.Summary(0, static_cast<int>(options.leftOut.size()), 0, QString());
        return ExitFailed;
    }
    // A run of several files converts them in processes of their own, one file at a time in
    // each: a crash or a hang inside libVLC costs the file it was converting only, and the next
    // file gets ready while one converts.
    int status = ExitConverted;
    if (options.worker)
        status = RunWorker(options, ini, formats, reporter);
    else if (options.files.size() > 1)
        status = Workers(options, reporter, arguments).Run();
    else
        status = RunHere(options, ini, formats, reporter, arguments);
    return status == ExitConverted ? leftOutStatus : status;
}

}   // namespace Batch
