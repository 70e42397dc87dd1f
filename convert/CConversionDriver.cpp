// SPDX-License-Identifier: GPL-3.0-or-later
// The conversion driver: walks the queue, hands each file to a fresh VLC control, polls it once a
// second, retries files that make no output and reports what could not be converted.
#include "CConversionDriver.h"

#include "OutputCheck.h"
#include "OutputNaming.h"
#include "SettingsCheck.h"
#include "TranscodeOption.h"
#include "platform/Clock.h"
#include "settings/CIniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <exception>

namespace {
const QString True = QStringLiteral("true");

bool IsTrue(const QString &text)
{
    return text.compare(True, Qt::CaseInsensitive) == 0;
}

// However the two paths are spelled.
bool IsSource(const QString &path, const QString &source)
{
    return path == source || OutputNaming::IsSameFile(path, source);
}

QString WhatWentWrong()
{
    try {
        throw;
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("an unknown error");
    }
}
}   // namespace

CThreadWorkRunner::~CThreadWorkRunner()
{
    for (const QPointer<QThread> &thread : std::as_const(m_threads)) {
        if (thread)
            thread->wait();
    }
}

void CThreadWorkRunner::Run(QObject *context, std::function<void()> work,
                            std::function<void()> then)
{
    m_threads.removeAll(nullptr);
    QThread *thread = QThread::create(std::move(work));
    m_threads << thread;
    QObject::connect(thread, &QThread::finished, context, std::move(then));
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

CConversionDriver::CConversionDriver(IConversionFace &face, const CDriverServices &services,
                                     CIniFile &ini, FormatCatalog &formats,
                                     ConversionSettings &settings)
    : m_vlcHost(services.vlcFactory)
    , m_face(face)
    , m_services(services)
    , m_ini(ini)
    , m_formats(formats)
    , m_settings(settings)
{
    m_progressTimer.setInterval(ProgressPeriodMs);
    connect(&m_progressTimer, &QTimer::timeout, this, [this] { OnTimer(ProgressTimerId); });
    m_unattended = services.dialogs == nullptr;
}

CConversionDriver::~CConversionDriver() = default;

IDialogs::FileType CConversionDriver::SaveFileType(int variant, const QString &convertTo)
{
    const QString pattern = QLatin1Char('*') + convertTo;
    const QString kind = variant == 1 ? QStringLiteral("All Supported Types")
                                      : QStringLiteral("All Ipod Supported Types");
    return {kind + QLatin1String(" (") + pattern + QLatin1Char(')'), pattern};
}

QString CConversionDriver::RootOf(const QString &source)
{
    return source.left(1);
}

QString CConversionDriver::NameFromLastSeparator(const QString &source)
{
    const qsizetype slash = source.lastIndexOf(QLatin1Char('/'));
    return slash >= 0 ? source.mid(slash) : source;
}

void CConversionDriver::SetUnattended(bool unattended, ExistingOutput existing)
{
    m_unattended = unattended || m_services.dialogs == nullptr;
    m_existing = m_unattended ? existing : ExistingOutput::Ask;
    if (m_unattended && m_existing == ExistingOutput::Ask)
        m_existing = ExistingOutput::Skip;
}

int CConversionDriver::SetRetryCount(int n)
{
    m_retryCount = static_cast<qint16>(n);
    return 1;
}

int CConversionDriver::MarkFileConverted()
{
    ++m_convertedCount;
    ++m_currentIndex;
    SetRetryCount(0);
    return 1;
}

void CConversionDriver::StartProgressTimer()
{
    m_progressTimer.start();
}

void CConversionDriver::KillProgressTimer()
{
    m_progressTimer.stop();
}

int CConversionDriver::ConvertNextFile()
{
    // A file that is skipped or fails before its hand-over moves the run on to the next row here,
    // never by a nested call.
    for (;;) {
        Step step;
        try {
            step = ConvertRow();
        } catch (...) {
            if (m_currentIndex < 0 || m_currentIndex >= m_fileTotal)
                return 0;
            m_reason = QStringLiteral("it could not be prepared: ") + WhatWentWrong();
            ReportFailure(Failure::Preparation);
            continue;
        }
        if (step != Step::NextRow)
            return step == Step::Empty ? 0 : 1;
    }
}

CConversionDriver::Step CConversionDriver::ConvertRow()
{
    // Whatever was under way for another row is dropped.
    ++m_generation;
    m_waiting = false;
    const int rows = m_face.RowCount();
    if (rows <= 0) {
        if (!m_running)
            return Step::Empty;
        // A queue emptied during a run ends that run as the end of the queue does.
        CompleteRun(m_fileTotal);
        return Step::Done;
    }
    if (m_currentIndex > 0 && m_currentIndex >= rows) {
        CompleteRun(rows);
        return Step::Done;
    }
    // Every file's option is built from the settings as they are now: a value that could
    // change the stream-output chain starts no run, or ends the one going.
    if (!CheckSettings()) {
        if (m_running)
            StopConversion();
        return Step::Done;
    }
    if (m_currentIndex <= 0) {
        // A run begins (and so does every retry of its first file).
        if (m_currentIndex < 0 || !m_running) {
            m_results.clear();
            m_log.Begin(m_logFolder, m_logWhat);
            m_face.RunStarted(rows);
        }
        m_currentIndex = 0;
        m_convertedCount = 0;
        m_running = true;
        m_face.SetVariable(QStringLiteral("_root.disablerAllBtns"), True);
        m_face.SetVariable(QStringLiteral("_root.disableConvert"), True);
        m_face.SetVariable(QStringLiteral("_root.enableStop"), True);
        m_face.SetQueueEditable(false);
    }

    const bool askForName = IsTrue(m_face.GetVariable(QStringLiteral("_root.audioCheck")))
                            && IsTrue(m_face.GetVariable(QStringLiteral("_root.videoCheck")));
    const QString source = m_face.RowText(m_currentIndex);
    m_currentSource = source;
    if (m_retryCount == 0)
        m_currentOutput.clear();

    m_face.SetVariable(QStringLiteral("_root.convertOutput"),
                       QStringLiteral("Converting ") + RootOf(source) + QStringLiteral("...")
                           + NameFromLastSeparator(source)
                           + QStringLiteral(", Total Converted files:")
                           + QString::number(m_convertedCount));

    if (SkipIfNotRegularFile(source, QStringLiteral("converted")))
        return Step::NextRow;

    if (askForName)
        return StartFileConversion(source, QString(), true) ? Step::Started : Step::NextRow;
    if (!SettleOutput(Naming::SaveAsNew, source))
        return Step::NextRow;
    // The option is built while the hand-over pause runs.
    StartFileConversion(source, QString(), false);
    return Step::Started;
}

void CConversionDriver::BuildOption(const QString &source,
                                    std::function<void(const QString &)> then)
{
    const ConversionSettings settings = m_settings;
    const QString temp = m_currentTemp;
    const TranscodeOption::TranscodeTuning tuning = TranscodeOption::ReadTuning(m_ini, settings);
    if (tuning.deinterlace != TranscodeOption::DeinterlaceRule::InterlacedOnly) {
        then(TranscodeOption::Build(settings, temp, tuning, std::nullopt));
        return;
    }
    // Looking at the source's frames takes up to seconds: done elsewhere, the window answers.
    auto interlaced = std::make_shared<std::optional<bool>>();
    IVlcControlFactory &factory = m_services.vlcFactory;
    const quint64 generation = m_generation;
    m_waiting = true;
    m_services.work.Run(
        this, [&factory, source, interlaced] { *interlaced = factory.IsInterlaced(source); },
        [this, settings, temp, tuning, interlaced, then, generation] {
            // A look that comes back after its run was stopped belongs to no file of this run.
            if (!Current(generation))
                return;
            m_waiting = false;
            try {
                then(TranscodeOption::Build(settings, temp, tuning, *interlaced));
            } catch (...) {
                if (m_currentIndex < 0 || m_currentIndex >= m_fileTotal)
                    return;
                m_reason = QStringLiteral("it could not be prepared: ") + WhatWentWrong();
                ReportFailure(Failure::Preparation);
                ConvertNextFile();
            }
        });
}

void CConversionDriver::CompleteRun(int rows)
{
    m_face.RunFinished(rows, qMax(0, m_convertedCount));
    QString text = QStringLiteral("Conversion Complete, Total Converted files:")
                   + QString::number(m_convertedCount);
    if (m_convertedCount > 0) {
        m_face.SetVariable(QStringLiteral("_root.convertOutput"), text);
        m_face.SetVariable(QStringLiteral("_root.progressValue"), QStringLiteral("100"));
    }
    if (m_unattended) {
        // One message at the end, with what did not convert and why.
        for (const CFileResult &result : std::as_const(m_results)) {
            if (result.state != CFileResult::State::Converted)
                text += QLatin1Char('\n') + result.source + QStringLiteral(": ") + result.reason;
        }
        if (m_services.dialogs)
            m_services.dialogs->messageBox(m_services.owner, text, QStringLiteral("Movarin"),
                                           IDialogs::Buttons::Ok);
    } else if (m_convertedCount > 0) {
        m_services.dialogs->messageBox(m_services.owner, text, QStringLiteral("Movarin"),
                                       IDialogs::Buttons::Ok);
    }
    StopConversion();
}

void CConversionDriver::Cancel(QWidget *owner)
{
    // Stopped first, so that no tick can count the file or start the next one while the
    // report is open.
    KillProgressTimer();
    ++m_generation;
    m_vlcHost.stop();
    if (m_convertedCount > 0) {
        const QString text = QStringLiteral("Conversion Complete, Total Converted files :")
                             + QString::number(m_convertedCount);
        m_face.SetVariable(QStringLiteral("_root.convertOutput"), text);
        m_face.SetVariable(QStringLiteral("_root.progressValue"), QStringLiteral("100"));
        if (m_services.dialogs)
            m_services.dialogs->messageBox(owner, text, QStringLiteral("Movarin"),
                                           IDialogs::Buttons::Ok);
    }
    StopConversion();
}

void CConversionDriver::Abandon()
{
    KillProgressTimer();
    ++m_generation;
    m_waiting = false;
    m_services.vlcFactory.CancelLooks();
    m_vlcHost.stop();
    DiscardTemporaryOutput(false);
    m_running = false;
}

bool CConversionDriver::CheckSettings()
{
    QString problem = SettingsCheck::Problem(m_settings, m_formats, m_ini);
    if (problem.isEmpty())
        problem = TranscodeOption::CheckTuning(m_ini, m_settings);
    if (problem.isEmpty())
        return true;
    // Said even in an unattended run: it ends the run.
    KillProgressTimer();
    if (m_services.dialogs)
        m_services.dialogs->messageBox(m_services.owner, problem, QStringLiteral("Movarin"),
                                       IDialogs::Buttons::Ok);
    m_reason = problem;
    return false;
}

void CConversionDriver::Tell(const QString &text, const std::optional<QString> &caption)
{
    // Our boxes run nested event loops: no tick may act while one is open.
    KillProgressTimer();
    if (!m_unattended)
        m_services.dialogs->messageBox(m_services.owner, text, caption, IDialogs::Buttons::Ok);
}

void CConversionDriver::RecordFile(CFileResult::State state, const QString &reason)
{
    CFileResult result;
    result.row = m_currentIndex;
    result.source = m_currentSource;
    result.output = m_currentOutput;
    result.state = state;
    result.reason = reason;
    m_results << result;
    m_log.File(result, m_settings);
    m_face.FileFinished(result);
}

void CConversionDriver::RecordAttempt(const QString &outcome)
{
    CAttemptRecord attempt;
    attempt.started = m_attemptStarted;
    attempt.ended = QDateTime::currentDateTime();
    attempt.option = m_currentOption;
    attempt.outcome = outcome;
    attempt.vlcMessages = m_attemptMessages.isEmpty() ? m_vlcHost.Messages() : m_attemptMessages;
    m_attemptMessages.clear();
    m_log.Attempt(attempt);
    m_face.AttemptEnded(m_currentIndex, attempt);
}

void CConversionDriver::SkipCurrentFile(CFileResult::State state, const QString &reason)
{
    RecordFile(state, reason);
    SetRetryCount(0);
    ++m_currentIndex;
}

bool CConversionDriver::SkipIfNotRegularFile(const QString &path, const QString &use)
{
    if (!OutputNaming::IsOtherThanRegularFile(path))
        return false;
    Tell(QStringLiteral("File Name:") + path
             + QStringLiteral(" is not a regular file (a folder, a device or a pipe) and "
                              "cannot be ")
             + use + QLatin1Char('.'),
         QStringLiteral("Error conversion"));
    SkipCurrentFile(CFileResult::State::Failed,
                    path + QStringLiteral(" is not a regular file and cannot be ") + use);
    return true;
}

bool CConversionDriver::IsProtected(const QString &path, const QString &source) const
{
    if (IsSource(path, source))
        return true;
    // Two names of one file count as one: a hard link or a symbolic link to a queued file is
    // that file. Only an existing path can be another name of a file.
    const bool exists = QFileInfo::exists(path);
    const int rows = m_face.RowCount();
    for (int row = 0; row < rows; ++row) {
        const QString queued = m_face.RowText(row);
        if (queued == path || (exists && OutputNaming::IsSameFile(path, queued)))
            return true;
    }
    return false;
}

bool CConversionDriver::SettleOutput(Naming naming, const QString &source)
{
    // A retry writes where the first attempt of this file settled, and asks nothing.
    QString candidate = m_currentOutput;
    if (m_retryCount == 0 || candidate.isEmpty()) {
        candidate = OutputNaming::DefaultCandidate(source, m_sameFolder != 0, m_outputPath,
                                                   m_settings.convertTo);
        if (m_retryCount == 0) {
            m_replaceAgreed = false;
            for (;;) {
                if (SkipIfNotRegularFile(candidate, QStringLiteral("written")))
                    return false;
                // The source and the files waiting in the queue are never offered for
                // overwriting: straight to the save dialog, or a free name beside them.
                const bool isProtected = IsProtected(candidate, source);
                if (!isProtected) {
                    if (!OutputNaming::CanOpenFile(candidate))
                        break;
                    if (m_existing == ExistingOutput::Overwrite) {
                        m_replaceAgreed = true;
                        break;
                    }
                    if (m_existing == ExistingOutput::Skip) {
                        SkipCurrentFile(CFileResult::State::Skipped,
                                        QStringLiteral("skipped: ") + candidate
                                            + QStringLiteral(" already exists"));
                        return false;
                    }
                    if (m_existing == ExistingOutput::Ask) {
                        KillProgressTimer();
                        const QString question = QStringLiteral("File Name:") + candidate
                                                 + QStringLiteral(
                                                     " Already Exist overwrite [Yes/No]");
                        if (m_services.dialogs->messageBox(m_services.owner, question,
                                                           QStringLiteral("File Already Exist"),
                                                           IDialogs::Buttons::YesNo)
                            == IDialogs::Answer::Yes) {
                            m_replaceAgreed = true;
                            break;
                        }
                    }
                }
                if (m_unattended) {
                    // Both kept: the output takes the first free name beside the one taken.
                    candidate = OutputNaming::FreeName(candidate, [&](const QString &path) {
                        return IsProtected(path, source);
                    });
                    break;
                }
                if (!AskForOutputName(naming, source, candidate, isProtected))
                    return false;
            }
        }
    }

    // A saved folder that no longer exists is made again rather than failing every file.
    const QString folder = QFileInfo(candidate).absolutePath();
    if (!QDir().mkpath(folder)) {
        Tell(QStringLiteral("Cannot create the output folder ") + folder, QStringLiteral("Error"));
        SkipCurrentFile(CFileResult::State::Failed,
                        QStringLiteral("cannot create the output folder ") + folder);
        return false;
    }
    m_currentOutput = candidate;

    QString error;
    const std::optional<QString> temporary = OutputNaming::CreateTemporaryOutput(candidate, error,
                                                                                 m_tempLock);
    if (!temporary) {
        Tell(QStringLiteral("Cannot write in the output folder ") + folder + QStringLiteral(": ")
                 + error,
             QStringLiteral("Error"));
        SkipCurrentFile(CFileResult::State::Failed,
                        QStringLiteral("cannot write in the output folder ") + folder
                            + QStringLiteral(": ") + error);
        return false;
    }
    m_currentTemp = *temporary;
    m_face.AttemptStarted(m_currentIndex, m_currentTemp);
    return true;
}

bool CConversionDriver::AskForOutputName(Naming naming, const QString &source, QString &candidate,
                                         bool candidateIsProtected)
{
    KillProgressTimer();
    const int variant = static_cast<int>(naming);
    IDialogs::SaveRequest request;
    // Instead of a name that cannot be taken, a free one beside it: one press of Save.
    request.initialPath = candidateIsProtected
                              ? OutputNaming::FreeName(candidate,
                                                       [&](const QString &path) {
                                                           return IsProtected(path, source);
                                                       })
                              : OutputNaming::SuggestedSaveName(variant, source, candidate);
    request.fileTypes = {SaveFileType(variant, m_settings.convertTo)};
    request.defaultSuffix = m_settings.convertTo;
    std::optional<QString> chosen;
    for (;;) {
        chosen = m_services.dialogs->getSaveFileName(m_services.owner, request);
        if (!chosen || chosen->isEmpty() || !IsProtected(*chosen, source))
            break;
        const QString why = IsSource(*chosen, source)
                                ? QStringLiteral(" is the file being converted.")
                                : QStringLiteral(" is a file waiting to be converted.");
        m_services.dialogs->messageBox(m_services.owner,
                                       QStringLiteral("File Name:") + *chosen + why
                                           + QStringLiteral(" Choose another name."),
                                       QStringLiteral("File Already Exist"), IDialogs::Buttons::Ok);
    }
    if (!chosen || chosen->isEmpty()) {
        // Cancelled: this file is skipped, the run goes on with the next one.
        SkipCurrentFile(CFileResult::State::Skipped,
                        QStringLiteral("skipped: no name chosen at the save dialog"));
        return false;
    }
    candidate = *chosen;
    return true;
}

int CConversionDriver::StartFileConversion(const QString &source, const QString &option,
                                           bool buildHere)
{
    m_fileHadProgress = 0;
    m_stallPolls = 0;
    m_lastOutputSize = 0;
    m_vlcHost.DestroyWindow();
    m_face.SetVariable(QStringLiteral("_root.showProgress"), True);

    if (buildHere && !SettleOutput(Naming::Suggest, source))
        return 0;
    if (!option.isEmpty()) {
        if (Pause(source))
            ReadyToHandOver(source, option);
        return 1;
    }
    // The option may need a look at the source's frames, which runs elsewhere: it runs during
    // the pause, and the hand-over waits for whichever of the two ends last.
    struct Join
    {
        std::optional<QString> option;
        bool paused = false;
    };
    auto join = std::make_shared<Join>();
    const quint64 generation = m_generation;
    BuildOption(source, [this, source, generation, join](const QString &built) {
        join->option = built;
        if (Current(generation) && join->paused)
            ReadyToHandOver(source, built);
    });
    if (!Current(generation) || !Pause(source))
        return 1;
    join->paused = true;
    if (join->option)
        ReadyToHandOver(source, *join->option);
    return 1;
}

void CConversionDriver::ReadyToHandOver(const QString &source, const QString &option)
{
    const quint64 generation = m_generation;
    m_waiting = true;
    m_face.ReadyToHandOver(m_currentIndex, [this, generation, source, option] {
        if (!Current(generation))
            return;
        m_waiting = false;
        HandOver(source, option);
    });
}

bool CConversionDriver::Pause(const QString &source)
{
    m_currentOption.clear();
    const QFileInfo before(source);
    m_sourceSize = before.size();
    m_sourceModified = before.lastModified();
    m_attemptStarted = QDateTime::currentDateTime();
    try {
        m_vlcHost.Create(this);
        if (m_handOverPauseMs > 0)
            m_services.clock.sleep(m_handOverPauseMs);
        return true;
    } catch (...) {
        FailToStart();
        return false;
    }
}

void CConversionDriver::HandOver(const QString &source, const QString &option)
{
    m_currentOption = option;
    try {
        m_vlcHost.SetEndNotice(EndNotice());
        m_vlcHost.addTarget(source, QStringList{option}, 10, -666);
        if (TimerId() == 0)
            StartProgressTimer();
    } catch (...) {
        FailToStart();
    }
}

void CConversionDriver::FailToStart()
{
    m_reason = QStringLiteral("libVLC could not start it: ") + WhatWentWrong();
    ReportFailure(Failure::Start);
    ConvertNextFile();
}

std::function<void()> CConversionDriver::EndNotice()
{
    const quint64 generation = m_generation;
    // Called on libVLC's thread: the news is queued to this object's thread, and dropped with
    // it when the driver is gone first.
    return [this, generation] {
        QMetaObject::invokeMethod(
            this, [this, generation] { OnEndNoticed(generation); }, Qt::QueuedConnection);
    };
}

void CConversionDriver::OnEndNoticed(quint64 generation)
{
    // Only for the attempt that is being polled: the poll's own end test, without waiting for
    // the next tick.
    if (Current(generation) && !m_waiting && TimerId() != 0)
        Poll(true);
}

void CConversionDriver::OnTimer(int id)
{
    if (id != ProgressTimerId || m_waiting)
        return;
    Poll(false);
}

void CConversionDriver::Poll(bool endOnly)
{
    try {
        const int time = m_vlcHost.GetTime();
        const float position = m_vlcHost.GetPosition();
        // Both readings are -1 once the item has ended.
        const bool ended = !(position >= 0.0f) && time < 0;
        if (endOnly) {
            if (ended)
                EndOfAttempt();
            return;
        }
        if (position > 0.0f && time > 0) {
            // libVLC's position of a damaged file can run far past its end: the bar shows at
            // most a whole file.
            const double fraction = qBound(0.0, static_cast<double>(position), 1.0);
            const int percent = static_cast<int>(fraction * 100.0);
            m_face.SetVariable(QStringLiteral("_root.progressValue"), QString::number(percent));
            m_face.QueueProgress(m_currentIndex, m_face.RowCount(), percent, time);
            // Progress is an output being made: a time that runs on while nothing is written
            // is none.
            const qint64 size = m_currentTemp.isEmpty() ? 0 : QFileInfo(m_currentTemp).size();
            if (size > 0)
                m_fileHadProgress = 1;
            if (size > m_lastOutputSize) {
                m_lastOutputSize = size;
                m_stallPolls = 0;
                return;
            }
        } else if (ended) {
            EndOfAttempt();
            return;
        }
        if (++m_stallPolls >= m_stallLimitPolls) {
            // Stalled: given up, and counted as an attempt without progress.
            m_vlcHost.stop();
            m_fileHadProgress = 0;
            m_reason = QStringLiteral("nothing was written for %1 seconds")
                           .arg(m_stallLimitPolls * ProgressPeriodMs / 1000);
            EndOfAttempt();
        }
    } catch (...) {
        m_reason = QStringLiteral("libVLC failed while reporting progress: ") + WhatWentWrong();
        ReportFailure(Failure::Poll);
        ConvertNextFile();
    }
}

void CConversionDriver::EndOfAttempt()
{
    KillProgressTimer();
    // Asked before the clear: a short file may have finished between two polls, and what was
    // read of the source is known only while the item is there.
    const bool stalled = m_stallPolls >= m_stallLimitPolls;
    const bool playedToEnd = m_vlcHost.HasPlayedToEnd();
    const CMediaFacts sourceFacts = m_vlcHost.SourceFacts();
    const QString writeError = m_vlcHost.WriteError();
    m_vlcHost.playlistClear();
    // What libVLC said about this attempt, before the look at its output adds to it.
    m_attemptMessages = m_vlcHost.Messages();

    const QFileInfo after(m_currentSource);
    QString why;
    if (stalled)
        why = m_reason;
    else if (!(m_fileHadProgress != 0 || playedToEnd)) {
        why = QStringLiteral("libVLC made no output of it");
        // In libVLC's own words, when it said why.
        for (const QString &message : std::as_const(m_attemptMessages)) {
            if (message.startsWith(QLatin1String("error "))) {
                why += QStringLiteral(" (") + message.mid(6) + QLatin1Char(')');
                break;
            }
        }
    } else if (!writeError.isEmpty())
        why = QStringLiteral("the output could not be written: ") + writeError;
    else if (m_currentTemp.isEmpty() || QFileInfo(m_currentTemp).size() <= 0)
        why = QStringLiteral("nothing was written");
    else if (after.size() != m_sourceSize || after.lastModified() != m_sourceModified)
        why = QStringLiteral("the source changed while it was converted");
    if (!why.isEmpty()) {
        m_reason = why;
        FinishAttempt(false);
        return;
    }

    // Putting the tracks in place and reading the output back take up to seconds: done
    // elsewhere, with the control taken along, while the window answers and Stop works. The
    // tracks are put as the source had them before the output is read back, so that what is
    // checked is what the user gets.
    std::shared_ptr<CVLCControl> control(m_vlcHost.TakeControl());
    auto arranging = std::make_shared<QString>();
    const QString temp = m_currentTemp;
    const quint64 generation = m_generation;
    m_waiting = true;
    m_services.work.Run(
        this,
        [control, arranging, temp] {
            if (control)
                *arranging = control->ArrangeTracks(temp);
        },
        [this, control, arranging, sourceFacts, temp, generation] {
            if (!Current(generation))
                return;
            m_face.OutputWritten(m_currentIndex);
            auto output = std::make_shared<CMediaFacts>();
            m_services.work.Run(
                this,
                // A header rewritten only in part is the verdict already: nothing to read back.
                [control, output, arranging, temp] {
                    if (control && arranging->isEmpty())
                        *output = control->ProbeFile(temp);
                },
                [this, control, output, arranging, sourceFacts, generation]() mutable {
                    if (!Current(generation))
                        return;
                    m_waiting = false;
                    m_vlcHost.GiveBackControl(std::move(control));
                    CheckedOutput(!arranging->isEmpty()
                                      ? *arranging
                                      : OutputCheck::WhyNotWhole(sourceFacts, *output));
                });
        });
}

void CConversionDriver::CheckedOutput(const QString &verdict)
{
    if (!verdict.isEmpty()) {
        m_reason = QStringLiteral("the output is not whole: ") + verdict;
        FinishAttempt(false);
        return;
    }
    // Only now does the output take its name, replacing in one step whatever the user agreed
    // to overwrite, and nothing else.
    const QString error = OutputNaming::CommitOutput(m_currentTemp, m_currentOutput,
                                                     m_replaceAgreed);
    if (!error.isEmpty()) {
        m_reason = QStringLiteral("the output could not take its name: ") + error;
        FinishAttempt(false);
        return;
    }
    m_currentTemp.clear();
    FinishAttempt(true);
}

void CConversionDriver::FinishAttempt(bool whole)
{
    if (whole) {
        RecordAttempt(QStringLiteral("converted"));
        RecordFile(CFileResult::State::Converted, QString());
        MarkFileConverted();
        m_fileHadProgress = 0;
        ConvertNextFile();
        return;
    }
    RecordAttempt(m_reason);
    DiscardTemporaryOutput(true);

    // The pause before the next attempt lets the window answer (and Stop end the run) meanwhile.
    const quint64 generation = m_generation;
    m_waiting = true;
    m_services.clock.after(RetryPauseMs, this, [this, generation] {
        if (!Current(generation))
            return;
        m_waiting = false;
        RetryOrGiveUp();
    });
}

void CConversionDriver::RetryOrGiveUp()
{
    if (m_retryCount < MaxRetries) {
        ++m_retryCount;
        ConvertNextFile();
        return;
    }

    Tell(QStringLiteral("Unable to Convert File:") + m_currentSource + QLatin1Char(' '),
         QStringLiteral("Error conversion"));
    RecordFile(CFileResult::State::Failed, m_reason);
    SetRetryCount(0);
    ++m_currentIndex;
    ConvertNextFile();
}

void CConversionDriver::DiscardTemporaryOutput(bool report)
{
    const QString path = m_currentTemp;
    m_currentTemp.clear();
    if (path.isEmpty() || QFile::remove(path) || !QFileInfo::exists(path))
        return;
    QFile file(path);
    const bool removed = file.setPermissions(file.permissions() | QFileDevice::WriteOwner
                                             | QFileDevice::ReadOwner)
                         && file.remove();
    if (!removed && report)
        Tell(QStringLiteral("Cant Delete file") + path, QStringLiteral("Error"));
}

void CConversionDriver::StopConversion()
{
    const bool wasRunning = m_running;
    ++m_generation;
    m_waiting = false;
    m_face.SetVariable(QStringLiteral("_root.disableStop"), True);
    m_face.SetVariable(QStringLiteral("_root.enableConvert"), True);
    m_face.SetVariable(QStringLiteral("_root.progressValue"), QStringLiteral("0"));
    m_face.SetVariable(QStringLiteral("_root.enablerAllBtns"), True);
    m_face.SetVariable(QStringLiteral("_root.hideProgress"), True);
    m_face.SetVariable(QStringLiteral("_root.convertOutput"), QString());
    m_face.ClearQueueProgress();
    KillProgressTimer();
    // A look at a file still under way elsewhere ends soon, and its answer is dropped.
    m_services.vlcFactory.CancelLooks();
    m_vlcHost.playlistClear();
    // A stopped file's partial output goes; files converted before it stay.
    DiscardTemporaryOutput(false);
    m_running = false;
    m_currentIndex = 0;
    m_convertedCount = 0;
    SetRetryCount(0);
    m_face.SetQueueEditable(true);
    if (wasRunning) {
        int counts[3] = {0, 0, 0};
        for (const CFileResult &result : std::as_const(m_results))
            ++counts[static_cast<int>(result.state)];
        m_log.End(counts[0], counts[1], counts[2]);
        emit RunEnded();
    }
}

void CConversionDriver::ReportFailure(Failure failure)
{
    // Reads the thread's error code before anything else can change it.
    const int error = errno;
    KillProgressTimer();
    QString text;
    std::optional<QString> caption;
    switch (failure) {
    case Failure::Start:
        m_vlcHost.playlistClear();
        text = QStringLiteral("Error Ocurrs ") + QString::number(error);
        caption = QStringLiteral("Error");
        break;
    case Failure::Poll:
        m_vlcHost.stop();
        text = QStringLiteral("Error Ocurr while conversion progress: ") + QString::number(error);
        break;
    case Failure::Preparation:
        text = QStringLiteral("Error Ocurr in converting File:") + m_face.RowText(m_currentIndex)
               + QLatin1Char(' ') + QString::number(error);
        break;
    }
    DiscardTemporaryOutput(false);
    SetRetryCount(0);
    RecordAttempt(m_reason);
    Tell(text, caption);
    RecordFile(CFileResult::State::Failed, m_reason);
    ++m_currentIndex;
    m_face.SetVariable(QStringLiteral("_root.progressValue"), QStringLiteral("0"));
}
