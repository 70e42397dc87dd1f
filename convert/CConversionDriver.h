// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CRunLog.h"
#include "CVlcHostDlg.h"
#include "OutputNaming.h"
#include "platform/Dialogs.h"
#include "settings/FormatCatalog.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>
#include <QTimer>
#include <functional>
#include <optional>

class CIniFile;
class IClock;
class QWidget;

// Runs slow work (reading a finished output back, looking at a source's frames) away from the
// thread that drives the run, and hands the result back to it. Tests hand in one that runs
// everything at once.
class IWorkRunner
{
public:
    virtual ~IWorkRunner() = default;
    // work runs elsewhere; then runs afterwards on the thread of context, unless context is gone.
    virtual void Run(QObject *context, std::function<void()> work, std::function<void()> then) = 0;
};

// A thread of its own for each piece of work.
class CThreadWorkRunner : public IWorkRunner
{
public:
    CThreadWorkRunner() = default;
    CThreadWorkRunner(const CThreadWorkRunner &) = delete;
    CThreadWorkRunner &operator=(const CThreadWorkRunner &) = delete;
    // Waits for work still running: it may use libVLC, which must outlive it.
    ~CThreadWorkRunner() override;
    void Run(QObject *context, std::function<void()> work, std::function<void()> then) override;

private:
    QList<QPointer<QThread>> m_threads;
};

// What happens to an output name that is already taken when nobody is there to be asked.
enum class ExistingOutput { Ask, Overwrite, Rename, Skip };

// How one file of a run ended.
struct CFileResult
{
    enum class State { Converted, Failed, Skipped };
    int row = -1;
    QString source;
    QString output;
    State state = State::Failed;
    QString reason;   // empty for a converted file
};

// One attempt at one file, as it ended.
struct CAttemptRecord
{
    QDateTime started;
    QDateTime ended;
    QString option;
    QString outcome;   // "converted", or why not
    QStringList vlcMessages;
};

// The face a run is shown on: the window with its movie, or the batch command on a terminal.
// The driver reads the queue from it and tells it everything it shows.
class IConversionFace
{
public:
    virtual ~IConversionFace() = default;
    virtual int RowCount() = 0;
    virtual QString RowText(int row) = 0;
    // Whether the queue may be edited (the list's Delete key).
    virtual void SetQueueEditable(bool editable) = 0;
    virtual void SetVariable(const QString &name, const QString &value) = 0;
    virtual QString GetVariable(const QString &name) = 0;
    // The run's progress outside the window (taskbar entry, terminal line) and its end.
    // mediaMs: how far into the source libVLC has read.
    virtual void QueueProgress(int row, int rows, int percentOfFile, qint64 mediaMs) = 0;
    virtual void ClearQueueProgress() = 0;
    // A run begins with the queue's rows (not again for a retry of its first file).
    virtual void RunStarted(int rows) = 0;
    virtual void RunFinished(int rows, int converted) = 0;
    // The attempt about to begin writes its output into temporaryPath (made now) until it is
    // whole.
    virtual void AttemptStarted(int row, const QString &temporaryPath) = 0;
    // The attempt's pause is over and its option built: handOver gives it to libVLC. A face that
    // limits how many files convert at once may call it later, on the driver's thread; this one
    // calls it at once.
    virtual void ReadyToHandOver(int row, std::function<void()> handOver)
    {
        Q_UNUSED(row);
        handOver();
    }
    // The attempt's output is no longer written to: libVLC has closed it and its tracks are in
    // place. What is left of the attempt only reads it (the output check). Not called for an
    // attempt that failed before.
    virtual void OutputWritten(int row) { Q_UNUSED(row); }
    virtual void AttemptEnded(int row, const CAttemptRecord &attempt) = 0;
    virtual void FileFinished(const CFileResult &result) = 0;
};

// What the driver needs of the outside world. dialogs may be null: nobody can be asked then,
// and the run must be unattended.
struct CDriverServices
{
    IDialogs *dialogs;
    QWidget *owner;   // the owner of every box and dialog
    IClock &clock;
    IVlcControlFactory &vlcFactory;
    IWorkRunner &work;
};

// The conversion driver: walks the queue, hands each file to a fresh VLC control, polls it once a
// second (and hears at once when its file ends), keeps an output only when it is whole, retries
// files that make no output and reports what could not be converted. Needs Qt Core and libVLC only:
// the window and the batch command both run it.
class CConversionDriver : public QObject
{
    Q_OBJECT
public:
    static constexpr int ProgressTimerId = 2;
    static constexpr int ProgressPeriodMs = 1000;
    static constexpr int HandOverPauseMs = 500;
    static constexpr int RetryPauseMs = 200;
    static constexpr int MaxRetries = 3;
    // Polls in a row in which the output did not grow after which an attempt is given up as
    // stalled (a source that never ends, a damaged file whose time runs on while nothing is
    // written, a device that stopped answering). A file whose output keeps growing is never cut
    // off, however long it runs.
    static constexpr int StallLimitPolls = 60;

    CConversionDriver(IConversionFace &face, const CDriverServices &services, CIniFile &ini,
                      FormatCatalog &formats, ConversionSettings &settings);
    ~CConversionDriver() override;

    // The save dialog's one file type: "All Supported Types (*.mp4)" (variant 1) or
    // "All Ipod Supported Types (*.mp4)" (variant 0), matching "*" + convertTo.
    static IDialogs::FileType SaveFileType(int variant, const QString &convertTo);
    // The status line's "root" and "name" parts of a source: "/" and "/clip.avi" for
    // "/videos/clip.avi".
    static QString RootOf(const QString &source);
    static QString NameFromLastSeparator(const QString &source);

    // Starts a run with the queue's rows, or goes on with the row at m_currentIndex.
    int ConvertNextFile();
    // One attempt at one file. With buildHere the output is settled here; an empty option is
    // built here.
    int StartFileConversion(const QString &source, const QString &option, bool buildHere);
    void OnTimer(int id);
    // The end of a run however it ends: the movie reset, the desktop told, the counters back.
    void StopConversion();
    int SetRetryCount(int n);
    int MarkFileConverted();
    // The user's Stop: the control stopped at once, what was converted reported, the reset.
    void Cancel(QWidget *owner);
    // The window closes: the attempt is abandoned and its partial output removed.
    void Abandon();

    // Polls without output after which an attempt is stalled (StallLimitPolls unless set).
    void SetStallLimit(int polls) { m_stallLimitPolls = polls; }
    // The pause before each hand-over (HandOverPauseMs unless set): it lets the window's host
    // settle, so a face without a window may do without it. The hand-over still waits for the
    // look at the source.
    void SetHandOverPause(int milliseconds) { m_handOverPauseMs = milliseconds; }

    // The id of the running progress timer, 0 when none runs.
    int TimerId() const { return m_progressTimer.isActive() ? ProgressTimerId : 0; }
    bool RunInProgress() const { return m_running; }

    // Unattended: nothing waits for a person. Outputs that exist are treated by existing; what
    // cannot be converted is recorded with its reason instead of a box.
    void SetUnattended(bool unattended, ExistingOutput existing);
    bool Unattended() const { return m_unattended; }
    const QList<CFileResult> &Results() const { return m_results; }
    // Every run from now on leaves a log in folder (see CRunLog); what names who runs it.
    void KeepRunLog(const QString &folder, const QString &what)
    {
        m_logFolder = folder;
        m_logWhat = what;
    }
    QString RunLogPath() const { return m_log.Path(); }

signals:
    // The run has ended, however it ended.
    void RunEnded();

public:
    // The run's state, read by the window under its own names.
    QString m_currentOutput;
    CVlcHostDlg m_vlcHost;
    qint16 m_retryCount = 0;
    int m_fileHadProgress = 0;
    int m_sameFolder = 1;
    QString m_outputPath;
    int m_convertedCount = -1;
    int m_currentIndex = -1;
    int m_fileTotal = -1;

private:
    enum class Naming { SaveAsNew = 0, Suggest = 1 };
    enum class Failure { Start, Poll, Preparation };
    enum class Step { Empty, Started, NextRow, Done };

    Step ConvertRow();
    bool SettleOutput(Naming naming, const QString &source);
    bool AskForOutputName(Naming naming, const QString &source, QString &candidate,
                          bool candidateIsProtected);
    bool IsProtected(const QString &path, const QString &source) const;
    // The run goes on with the next row; the current file is recorded as state with reason.
    void SkipCurrentFile(CFileResult::State state, const QString &reason);
    bool SkipIfNotRegularFile(const QString &path, const QString &use);
    // Every box of the driver: shown to a person, or in an unattended run only recorded.
    void Tell(const QString &text, const std::optional<QString> &caption);
    bool CheckSettings();
    // The option for the current file; the look at the source's frames runs elsewhere.
    void BuildOption(const QString &source, std::function<void(const QString &)> then);
    // The host made and the pause before the hand-over; false when libVLC could not start.
    bool Pause(const QString &source);
    // Once the face agrees, HandOver.
    void ReadyToHandOver(const QString &source, const QString &option);
    void HandOver(const QString &source, const QString &option);
    void FailToStart();
    // What libVLC calls when the attempt's item ends: the end is noticed at once.
    std::function<void()> EndNotice();
    void OnEndNoticed(quint64 generation);
    // One reading of the control; endOnly acts on an ended attempt and on nothing else.
    void Poll(bool endOnly);
    void EndOfAttempt();
    // The output check's verdict ("" when the output is whole): the output takes its name, or
    // the attempt failed.
    void CheckedOutput(const QString &verdict);
    void FinishAttempt(bool whole);
    void RetryOrGiveUp();
    void DiscardTemporaryOutput(bool report);
    void CompleteRun(int rows);
    void ReportFailure(Failure failure);
    void RecordAttempt(const QString &outcome);
    void RecordFile(CFileResult::State state, const QString &reason);
    void StartProgressTimer();
    void KillProgressTimer();
    bool Current(quint64 generation) const { return generation == m_generation; }

    IConversionFace &m_face;
    CDriverServices m_services;
    CIniFile &m_ini;
    FormatCatalog &m_formats;
    ConversionSettings &m_settings;
    QTimer m_progressTimer;
    bool m_unattended = false;
    ExistingOutput m_existing = ExistingOutput::Ask;

    // The file of the current attempt: its output is written here and renamed to
    // m_currentOutput only once it is whole.
    QString m_currentTemp;
    // Held while the temporary output is written, so that no other copy takes it for a leftover.
    OutputNaming::CTemporaryOutputLock m_tempLock;
    // The user (or the run's policy) agreed to overwrite what is under m_currentOutput.
    bool m_replaceAgreed = false;
    QString m_currentSource;
    QString m_currentOption;
    bool m_running = false;
    // Polls since the output last grew, and its size then.
    int m_stallPolls = 0;
    int m_stallLimitPolls = StallLimitPolls;
    int m_handOverPauseMs = HandOverPauseMs;
    qint64 m_lastOutputSize = 0;
    // The source as it was when the attempt began: a source that changes is still being written.
    qint64 m_sourceSize = -1;
    QDateTime m_sourceModified;
    QDateTime m_attemptStarted;
    QStringList m_attemptMessages;
    // Why the current attempt or file did not convert, in plain words.
    QString m_reason;
    // Bumped whenever a run stops: work that comes back afterwards is dropped.
    quint64 m_generation = 0;
    bool m_waiting = false;
    QList<CFileResult> m_results;
    CRunLog m_log;
    QString m_logFolder;
    QString m_logWhat;
};
