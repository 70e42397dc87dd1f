// SPDX-License-Identifier: GPL-3.0-or-later
// The conversion driver: walks the queue, hands each file to a fresh VLC control, polls it once a
// second, retries files that show no progress and reports what could not be converted.
#include "CConverterDlg.h"

#include "CFileListBox.h"
#include "Clock.h"
#include "Dialogs.h"
#include "OutputNaming.h"

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
        if (rows <= 0)
            return 0;

        if (m_currentIndex > 0) {
            if (m_currentIndex >= rows) {
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
                return 1;
            }
        } else {
            // A run begins (and so does every retry of its first file).
            m_currentIndex = 0;
            m_convertedCount = 0;
            SetVariable(QStringLiteral("_root.disablerAllBtns"), True);
            SetVariable(QStringLiteral("_root.disableConvert"), True);
            SetVariable(QStringLiteral("_root.enableStop"), True);
            m_fileList->m_deleteKeyEnabled = 0;
        }

        const bool askForName = IsTrue(m_flash.GetVariable(QStringLiteral("_root.audioCheck")))
                                && IsTrue(m_flash.GetVariable(QStringLiteral("_root.videoCheck")));
        const QString source = m_fileList->GetText(m_currentIndex);

        SetVariable(QStringLiteral("_root.convertOutput"),
                    QStringLiteral("Converting ") + OutputNaming::RootOf(source)
                        + QStringLiteral("...") + OutputNaming::NameFromLastSeparator(source)
                        + QStringLiteral(", Total Converted files:")
                        + QString::number(m_convertedCount));

        if (askForName) {
            StartFileConversion(source, QString(), 1);
        } else {
            if (!SettleOutput(0, source))
                return 1;
            StartFileConversion(source, OutputNaming::TranscodeOption(m_settings, m_currentOutput),
                                0);
        }
        return 1;
    } catch (...) {
        return ReportPreparationFailure();
    }
}

bool CConverterDlg::SettleOutput(int variant, const QString &source)
{
    // A retry writes where the first attempt of this file settled, and asks nothing.
    if (m_retryCount != 0 && !m_currentOutput.isEmpty())
        return true;

    QString candidate = OutputNaming::DefaultCandidate(source, m_sameFolder != 0, m_outputPath,
                                                       m_settings.convertTo);
    if (m_retryCount == 0) {
        for (;;) {
            // The source itself is never offered for overwriting: straight to the save dialog.
            if (!IsSource(candidate, source)) {
                if (!OutputNaming::CanOpenFile(candidate))
                    break;
                // Our boxes run nested event loops: no tick may act while one is open.
                KillProgressTimer();
                const QString question = QStringLiteral("File Name:") + candidate
                                         + QStringLiteral(" Already Exist overwrite [Yes/No]");
                if (m_services.dialogs.messageBox(this, question,
                                                  QStringLiteral("File Already Exist"),
                                                  IDialogs::Buttons::YesNo)
                    == IDialogs::Answer::Yes)
                    break;
            }

            KillProgressTimer();
            IDialogs::SaveRequest request;
            request.initialPath = OutputNaming::SuggestedSaveName(variant, source, candidate);
            request.fileTypes = {OutputNaming::SaveFileType(variant, m_settings.convertTo)};
            request.defaultSuffix = m_settings.convertTo;
            std::optional<QString> chosen;
            for (;;) {
                chosen = m_services.dialogs.getSaveFileName(this, request);
                if (!chosen || chosen->isEmpty() || !IsSource(*chosen, source))
                    break;
                m_services.dialogs.messageBox(
                    this,
                    QStringLiteral("File Name:") + *chosen
                        + QStringLiteral(" is the file being converted. Choose another name."),
                    QStringLiteral("File Already Exist"), IDialogs::Buttons::Ok);
            }
            if (!chosen || chosen->isEmpty()) {
                // Cancelled: this file is skipped, the run goes on with the next one.
                SetRetryCount(0);
                ++m_currentIndex;
                ConvertNextFile();
                return false;
            }
            candidate = *chosen;
        }
    }
    // A saved folder that no longer exists is made again rather than failing every file.
    const QString folder = QFileInfo(candidate).absolutePath();
    if (!QDir().mkpath(folder)) {
        m_services.dialogs.messageBox(this,
                                      QStringLiteral("Cannot create the output folder ") + folder,
                                      QStringLiteral("Error"), IDialogs::Buttons::Ok);
        SetRetryCount(0);
        ++m_currentIndex;
        ConvertNextFile();
        return false;
    }
    m_currentOutput = candidate;
    return true;
}

int CConverterDlg::StartFileConversion(const QString &source, const QString &option,
                                       int buildHere)
{
    m_fileHadProgress = 0;
    m_vlcHost.DestroyWindow();
    SetVariable(QStringLiteral("_root.showProgress"), True);

    QString transcode = option;
    if (buildHere == 1) {
        if (!SettleOutput(1, source))
            return 0;
        transcode = OutputNaming::TranscodeOption(m_settings, m_currentOutput);
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
        } else if (!(position >= 0.0f) && time < 0) {
            EndOfAttempt();
        }
    } catch (...) {
        ReportPollFailure();
    }
}

void CConverterDlg::EndOfAttempt()
{
    KillProgressTimer();
    // Asked before the clear: a short file may have finished between two polls.
    const bool playedToEnd = m_vlcHost.HasPlayedToEnd();
    m_vlcHost.playlistClear();
    // Progress alone is not enough when nothing was written (an output folder that cannot be
    // written, say): that file is retried and reported, never counted as converted.
    if ((m_fileHadProgress || playedToEnd) && QFileInfo(m_currentOutput).size() > 0) {
        MarkFileConverted();
        m_fileHadProgress = 0;
        ConvertNextFile();
        return;
    }

    m_services.clock.sleep(RetryPauseMs);
    if (m_retryCount < MaxRetries) {
        ++m_retryCount;
        ConvertNextFile();
        return;
    }

    const QString source = m_fileList->GetText(m_currentIndex);
    m_services.dialogs.messageBox(this, QStringLiteral("Unable to Convert File:") + source
                                            + QLatin1Char(' '),
                                  QStringLiteral("Error conversion"), IDialogs::Buttons::Ok);
    SetRetryCount(0);
    ++m_currentIndex;
    RemoveFailedOutput(source);
    ConvertNextFile();
}

void CConverterDlg::RemoveFailedOutput(const QString &source)
{
    const QString path = m_currentOutput;
    // Whatever went wrong, the file being converted is never the one removed.
    if (path.isEmpty() || IsSource(path, source))
        return;
    if (QFile::remove(path))
        return;
    if (!OutputNaming::CanOpenFile(path))
        return;
    QFile file(path);
    const bool removed = file.setPermissions(file.permissions() | QFileDevice::WriteOwner
                                             | QFileDevice::ReadOwner)
                         && file.remove();
    if (!removed)
        m_services.dialogs.messageBox(this, QStringLiteral("Cant Delete file") + path,
                                      QStringLiteral("Error"), IDialogs::Buttons::Ok);
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
    m_currentIndex = 0;
    m_convertedCount = 0;
    SetRetryCount(0);
    m_fileList->m_deleteKeyEnabled = 1;
}

void CConverterDlg::ReportStartFailure()
{
    KillProgressTimer();
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
