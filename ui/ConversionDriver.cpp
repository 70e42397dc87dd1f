// SPDX-License-Identifier: GPL-3.0-or-later
// The conversion driver: walks the queue, hands each file to a fresh VLC control, polls it once a
// second, retries files that show no progress and reports what could not be converted.
#include "CConverterDlg.h"

#include "CFileListBox.h"
#include "Clock.h"
#include "Dialogs.h"
#include "OutputCheck.h"
#include "OutputNaming.h"
#include "SettingsCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

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
} // namespace

int CConverterDlg::SetRetryCount(int n)
{
    m_retryCount = static_cast<qint16>(n);
    return 1;
}

int CConverterDlg::MarkFileConverted()
{
    ++m_convertedCount;
    ++m_currentIndex;
    SetRetryCount(0);
    return 1;
}

int CConverterDlg::ConvertNextFile()
{
    try {
        const int rows = m_fileList->GetCount();
        if (rows <= 0) {
            if (!m_running)
                return 0;
            // A queue emptied during a run ends that run as the end of the queue does.
            CompleteRun(m_fileTotal);
            return 1;
        }

        if (m_currentIndex > 0 && m_currentIndex >= rows) {
            CompleteRun(rows);
            return 1;
        }
        // Every file's option is built from the settings as they are now: a value that could
        // change the stream-output chain starts no run, or ends the one going.
        if (!CheckSettings()) {
            if (m_running)
                StopConversion();
            return 1;
        }
        if (m_currentIndex <= 0) {
            // A run begins (and so does every retry of its first file).
            m_currentIndex = 0;
            m_convertedCount = 0;
            m_running = true;
            SetVariable(QStringLiteral("_root.disablerAllBtns"), True);
            SetVariable(QStringLiteral("_root.disableConvert"), True);
            SetVariable(QStringLiteral("_root.enableStop"), True);
            m_fileList->m_deleteKeyEnabled = 0;
        }

        const bool askForName = IsTrue(m_flash.GetVariable(QStringLiteral("_root.audioCheck")))
                                && IsTrue(m_flash.GetVariable(QStringLiteral("_root.videoCheck")));
        const QString source = m_fileList->GetText(m_currentIndex);
        m_currentSource = source;

        SetVariable(QStringLiteral("_root.convertOutput"),
                    QStringLiteral("Converting ") + OutputNaming::RootOf(source)
                        + QStringLiteral("...") + OutputNaming::NameFromLastSeparator(source)
                        + QStringLiteral(", Total Converted files:")
                        + QString::number(m_convertedCount));

        if (SkipIfNotRegularFile(source, QStringLiteral("converted")))
            return 1;

        if (askForName) {
            StartFileConversion(source, QString(), 1);
        } else {
            if (!SettleOutput(0, source))
                return 1;
            StartFileConversion(source,
                                OutputNaming::TranscodeOptionFor(m_settings, m_currentTemp, m_ini,
                                                                 source, m_services.vlcFactory),
                                0);
        }
        return 1;
    } catch (...) {
        return ReportPreparationFailure();
    }
}

void CConverterDlg::CompleteRun(int rows)
{
    const QString text = QStringLiteral("Conversion Complete, Total Converted files:")
                         + QString::number(m_convertedCount);
    ReportRunFinished(rows);
    if (m_convertedCount > 0) {
        SetVariable(QStringLiteral("_root.convertOutput"), text);
        SetVariable(QStringLiteral("_root.progressValue"), QStringLiteral("100"));
        m_services.dialogs.messageBox(this, text, QStringLiteral("Movarin"),
                                      IDialogs::Buttons::Ok);
    }
    StopConversion();
}

bool CConverterDlg::CheckSettings()
{
    QString problem = SettingsCheck::Problem(m_settings, m_formats);
    if (problem.isEmpty())
        problem = CheckTranscodeTuning(m_ini, m_settings);
    if (problem.isEmpty())
        return true;
    ShowError(problem, QStringLiteral("Movarin"));
    return false;
}

void CConverterDlg::SkipCurrentFile()
{
    SetRetryCount(0);
    ++m_currentIndex;
    ConvertNextFile();
}

bool CConverterDlg::SkipIfNotRegularFile(const QString &path, const QString &use)
{
    if (!OutputNaming::IsOtherThanRegularFile(path))
        return false;
    ShowError(QStringLiteral("File Name:") + path
                  + QStringLiteral(" is not a regular file (a folder, a device or a pipe) and "
                                   "cannot be ")
                  + use + QLatin1Char('.'),
              QStringLiteral("Error conversion"));
    SkipCurrentFile();
    return true;
}

void CConverterDlg::ShowError(const QString &text, const QString &caption)
{
    // Our boxes run nested event loops: no tick may act while one is open.
    KillProgressTimer();
    m_services.dialogs.messageBox(this, text, caption, IDialogs::Buttons::Ok);
}

bool CConverterDlg::IsProtected(const QString &path, const QString &source) const
{
    if (IsSource(path, source))
        return true;
    // Two names of one file count as one: a hard link or a symbolic link to a queued file is
    // that file. Only an existing path can be another name of a file.
    const bool exists = QFileInfo::exists(path);
    const int rows = m_fileList->GetCount();
    for (int row = 0; row < rows; ++row) {
        const QString queued = m_fileList->GetText(row);
        if (queued == path || (exists && OutputNaming::IsSameFile(path, queued)))
            return true;
    }
    return false;
}

bool CConverterDlg::SettleOutput(int variant, const QString &source)
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
                // overwriting: straight to the save dialog.
                const bool isProtected = IsProtected(candidate, source);
                if (!isProtected) {
                    if (!OutputNaming::CanOpenFile(candidate))
                        break;
                    KillProgressTimer();
                    const QString question = QStringLiteral("File Name:") + candidate
                                             + QStringLiteral(" Already Exist overwrite [Yes/No]");
                    if (m_services.dialogs.messageBox(this, question,
                                                      QStringLiteral("File Already Exist"),
                                                      IDialogs::Buttons::YesNo)
                        == IDialogs::Answer::Yes) {
                        m_replaceAgreed = true;
                        break;
                    }
                }
                if (!AskForOutputName(variant, source, candidate, isProtected))
                    return false;
            }
        }
    }

    // A saved folder that no longer exists is made again rather than failing every file.
    const QString folder = QFileInfo(candidate).absolutePath();
    if (!QDir().mkpath(folder)) {
        ShowError(QStringLiteral("Cannot create the output folder ") + folder,
                  QStringLiteral("Error"));
        SkipCurrentFile();
        return false;
    }
    m_currentOutput = candidate;

    QString error;
    const std::optional<QString> temporary = OutputNaming::CreateTemporaryOutput(candidate, error, m_tempLock);
    if (!temporary) {
        ShowError(QStringLiteral("Cannot write in the output folder ") + folder
                      + QStringLiteral(": ") + error,
                  QStringLiteral("Error"));
        SkipCurrentFile();
        return false;
    }
    m_currentTemp = *temporary;
    return true;
}

bool CConverterDlg::AskForOutputName(int variant, const QString &source, QString &candidate,
                                     bool candidateIsProtected)
{
    KillProgressTimer();
    IDialogs::SaveRequest request;
    // Instead of a name that cannot be taken, a free one beside it: one press of Save.
    request.initialPath =
        candidateIsProtected
            ? OutputNaming::FreeName(candidate,
                                     [&](const QString &path) { return IsProtected(path, source); })
            : OutputNaming::SuggestedSaveName(variant, source, candidate);
    request.fileTypes = {OutputNaming::SaveFileType(variant, m_settings.convertTo)};
    request.defaultSuffix = m_settings.convertTo;
    std::optional<QString> chosen;
    for (;;) {
        chosen = m_services.dialogs.getSaveFileName(this, request);
        if (!chosen || chosen->isEmpty() || !IsProtected(*chosen, source))
            break;
        const QString why = IsSource(*chosen, source)
                                ? QStringLiteral(" is the file being converted.")
                                : QStringLiteral(" is a file waiting to be converted.");
        m_services.dialogs.messageBox(this,
                                      QStringLiteral("File Name:") + *chosen + why
                                          + QStringLiteral(" Choose another name."),
                                      QStringLiteral("File Already Exist"), IDialogs::Buttons::Ok);
    }
    if (!chosen || chosen->isEmpty()) {
        // Cancelled: this file is skipped, the run goes on with the next one.
        SkipCurrentFile();
        return false;
    }
    candidate = *chosen;
    return true;
}

int CConverterDlg::StartFileConversion(const QString &source, const QString &option,
                                       int buildHere)
{
    m_fileHadProgress = 0;
    m_stallPolls = 0;
    m_lastProgressTime = 0;
    m_vlcHost.DestroyWindow();
    SetVariable(QStringLiteral("_root.showProgress"), True);

    QString transcode = option;
    if (buildHere == 1) {
        if (!SettleOutput(1, source))
            return 0;
        transcode = OutputNaming::TranscodeOptionFor(m_settings, m_currentTemp, m_ini, source,
                                                     m_services.vlcFactory);
    }
    const QStringList options{transcode};

    try {
        m_vlcHost.Create(this);
        m_services.clock.sleep(HandOverPauseMs);
        m_vlcHost.addTarget(source, options, 10, -666);
        if (m_timerId == 0)
            StartProgressTimer();
    } catch (...) {
        ReportStartFailure();
    }
    return 1;
}

void CConverterDlg::OnTimer(int id)
{
    if (id != ProgressTimerId)
        return;
    try {
        const int time = m_vlcHost.GetTime();
        const float position = m_vlcHost.GetPosition();
        if (position > 0.0f && time > 0) {
            const int percent = static_cast<int>(static_cast<double>(position) * 100.0);
            SetVariable(QStringLiteral("_root.progressValue"), QString::number(percent));
            m_fileHadProgress = 1;
            ReportQueueProgress(percent);
            if (time > m_lastProgressTime) {
                m_lastProgressTime = time;
                m_stallPolls = 0;
                return;
            }
        } else if (!(position >= 0.0f) && time < 0) {
            EndOfAttempt();
            return;
        }
        if (++m_stallPolls >= StallLimitPolls) {
            // Stalled: given up, and counted as an attempt without progress.
            m_vlcHost.stop();
            m_fileHadProgress = 0;
            EndOfAttempt();
        }
    } catch (...) {
        ReportPollFailure();
    }
}

bool CConverterDlg::KeepWholeOutput(bool sawProgress)
{
    // Asked before the clear: a short file may have finished between two polls, and what was
    // read of the source is known only while the item is there.
    const bool playedToEnd = m_vlcHost.HasPlayedToEnd();
    const CMediaFacts source = m_vlcHost.SourceFacts();
    const QString writeError = m_vlcHost.WriteError();
    m_vlcHost.playlistClear();

    if (!(sawProgress || playedToEnd) || !writeError.isEmpty() || m_currentTemp.isEmpty()
        || QFileInfo(m_currentTemp).size() <= 0)
        return false;
    if (!OutputCheck::WhyNotWhole(source, m_vlcHost.ProbeFile(m_currentTemp)).isEmpty())
        return false;
    // Only now does the output take its name, replacing in one step whatever the user agreed
    // to overwrite, and nothing else.
    if (!OutputNaming::CommitOutput(m_currentTemp, m_currentOutput, m_replaceAgreed).isEmpty())
        return false;
    m_currentTemp.clear();
    return true;
}

void CConverterDlg::EndOfAttempt()
{
    KillProgressTimer();
    if (KeepWholeOutput(m_fileHadProgress != 0)) {
        MarkFileConverted();
        m_fileHadProgress = 0;
        ConvertNextFile();
        return;
    }
    DiscardTemporaryOutput(true);

    m_services.clock.sleep(RetryPauseMs);
    if (m_retryCount < MaxRetries) {
        ++m_retryCount;
        ConvertNextFile();
        return;
    }

    m_services.dialogs.messageBox(this, QStringLiteral("Unable to Convert File:") + m_currentSource
                                            + QLatin1Char(' '),
                                  QStringLiteral("Error conversion"), IDialogs::Buttons::Ok);
    SetRetryCount(0);
    ++m_currentIndex;
    ConvertNextFile();
}

void CConverterDlg::DiscardTemporaryOutput(bool report)
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
        ShowError(QStringLiteral("Cant Delete file") + path, QStringLiteral("Error"));
}

void CConverterDlg::StopConversion()
{
    SetVariable(QStringLiteral("_root.disableStop"), True);
    SetVariable(QStringLiteral("_root.enableConvert"), True);
    SetVariable(QStringLiteral("_root.progressValue"), QStringLiteral("0"));
    SetVariable(QStringLiteral("_root.enablerAllBtns"), True);
    SetVariable(QStringLiteral("_root.hideProgress"), True);
    SetVariable(QStringLiteral("_root.convertOutput"), QString());
    ClearQueueProgress();
    KillProgressTimer();
    m_vlcHost.playlistClear();
    // A stopped file's partial output goes; files converted before it stay.
    DiscardTemporaryOutput(false);
    m_running = false;
    m_currentIndex = 0;
    m_convertedCount = 0;
    SetRetryCount(0);
    m_fileList->m_deleteKeyEnabled = 1;
}

void CConverterDlg::ReportStartFailure()
{
    KillProgressTimer();
    m_vlcHost.playlistClear();
    DiscardTemporaryOutput(false);
    SetRetryCount(0);
    const int error = errno;
    m_services.dialogs.messageBox(this, QStringLiteral("Error Ocurrs ") + QString::number(error),
                                  QStringLiteral("Error"), IDialogs::Buttons::Ok);
    ++m_currentIndex;
    SetVariable(QStringLiteral("_root.progressValue"), QStringLiteral("0"));
    ConvertNextFile();
}

void CConverterDlg::ReportPollFailure()
{
    KillProgressTimer();
    m_vlcHost.stop();
    DiscardTemporaryOutput(false);
    const int error = errno;
    m_services.dialogs.messageBox(this,
                                  QStringLiteral("Error Ocurr while conversion progress: ")
                                      + QString::number(error),
                                  std::nullopt, IDialogs::Buttons::Ok);
    SetRetryCount(0);
    ++m_currentIndex;
    SetVariable(QStringLiteral("_root.progressValue"), QStringLiteral("0"));
    ConvertNextFile();
}

int CConverterDlg::ReportPreparationFailure()
{
    if (m_currentIndex < 0 || m_currentIndex >= m_fileTotal)
        return 0;
    KillProgressTimer();
    DiscardTemporaryOutput(false);
    SetRetryCount(0);
    const int error = errno;
    m_services.dialogs.messageBox(this,
                                  QStringLiteral("Error Ocurr in converting File:")
                                      + m_fileList->GetText(m_currentIndex) + QLatin1Char(' ')
                                      + QString::number(error),
                                  std::nullopt, IDialogs::Buttons::Ok);
    ++m_currentIndex;
    SetVariable(QStringLiteral("_root.progressValue"), QStringLiteral("0"));
    ConvertNextFile();
    return 1;
}
