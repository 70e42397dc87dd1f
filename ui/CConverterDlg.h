// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CIniFile.h"
#include "CShockwaveFlash.h"
#include "CVlcHostDlg.h"
#include "Dialogs.h"
#include "FormatCatalog.h"
#include "UserSettings.h"

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <QTimer>
#include <memory>

class CDropHighlight;
class CFileListBox;
class IDesktopNotifier;
class IShell;
class IClock;
class QScreen;

// What the main window needs from the outside world. Production code hands in the Qt and
// libVLC implementations; tests hand in fakes.
struct CConverterServices
{
    IDialogs &dialogs;
    IShell &shell;
    IClock &clock;
    IVlcControlFactory &vlcFactory;
    IDesktopNotifier &desktop;
};

// The program's only visible window: a borderless dialog whose whole face is the movie, with the
// file list laid over it. It owns every piece of run-time state, receives the movie's UI
// commands and drives the conversion of the queue.
class CConverterDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int ProgressTimerId = 2;
    static constexpr int ProgressPeriodMs = 1000;
    static constexpr int HandOverPauseMs = 500;
    static constexpr int RetryPauseMs = 200;
    static constexpr int MaxRetries = 3;
    // Polls in a row without new progress after which an attempt is given up as stalled (a
    // source that never ends, a device that stopped answering). Opening a large file on a slow
    // disk or network share takes seconds, never a minute; a file whose time keeps advancing is
    // never cut off, however long it runs.
    static constexpr int StallLimitPolls = 60;
    static constexpr int CommandCountSelected = 32774;
    static constexpr int CommandConvert = 32775;

    // moduleDir: the program's folder with its trailing '/', where the movie, Formats.ini and the
    // help page live.
    CConverterDlg(const QString &moduleDir, const CConverterServices &services,
                  QWidget *parent = nullptr);
    ~CConverterDlg() override;

    // Where the user's own settings live; called before the start-up. When this process cannot
    // write the program folder's Formats.ini (an installed copy), the user's own Formats.ini lies
    // over it and the default output folder is in the user's videos folder. Without this call, or
    // with a program folder the user can write, Formats.ini beside the executable is used alone.
    void UseUserSettings(const CUserSettingsHome &home);

    // Start-up: the list, the movie, icon and title, the output folder, the catalogue.
    bool OnInitDialog();
    // Runs the window modally after its start-up; returns the dialog's result.
    int DoModal();

    // Enter does nothing: the window stays open.
    void OnOK() {}
    void accept() override { OnOK(); }
    void done(int result) override;

    // The UI command dispatcher: the movie's commands, compared without regard to case.
    void OnFSCommand(const QString &command, const QString &argument);
    // The movie's FlashCall event: bound, and ignored by design; the movie speaks through UI
    // commands only.
    void OnFlashCall(const QString &request);
    // Window commands 32774 and 32775.
    void OnCommand(int id);
    void OnHelp();
    // Shows the folder chooser; 1 with out set when a folder was chosen, otherwise 0.
    int BrowseForFolder(QString &out, const QString &title, QWidget *owner);

    // The conversion driver.
    int ConvertNextFile();
    int StartFileConversion(const QString &source, const QString &option, int buildHere);
    void OnTimer(int id);
    void StopConversion();
    int SetRetryCount(int n);
    int MarkFileConverted();

    // The members, in the order the window declares them.
    CIniFile m_ini;
    FormatCatalog m_formats;
    ConversionSettings m_settings;
    QString m_currentOutput;
    CVlcHostDlg m_vlcHost;
    CFileListBox *m_fileList = nullptr;
    qint16 m_retryCount = 0;
    int m_fileHadProgress = 0;
    int m_sameFolder = 1;
    QString m_outputPath;
    int m_convertedCount = -1;
    int m_currentIndex = -1;
    int m_fileTotal = -1;
    int m_timerId = 0;
    // The file of the current attempt: its output is written here and renamed to
    // m_currentOutput only once it is whole.
    QString m_currentTemp;
    QString m_currentSource;
    bool m_running = false;
    int m_stallPolls = 0;
    int m_lastProgressTime = 0;
    CShockwaveFlash m_flash;
    QIcon m_hIcon;

    // Files from outside the window (the command line, a drop) are queued as the Add command
    // queues its choice; a folder gives the video files in it and its subfolders, sorted by
    // path. Anything else is named in one message.
    void QueueOutsidePaths(const QStringList &paths);
    // Paths given on the command line: queued once the window is up.
    void SetStartupPaths(const QStringList &paths) { m_startupPaths = paths; }
    // From the start of a run to its end or Stop.
    bool RunInProgress() const;
    // The open dialog's file types.
    static const QList<IDialogs::FileType> &SourceFileTypes();
    // The extensions (lower case, without the dot) of the files a folder or a drop gives: those
    // of the open dialog's supported types and the catalogue's targets.
    QStringList SourceExtensions() const;

    // The window's own size, and the list's place on the movie at that size.
    static QSize DesignSize();
    static QRect DesignListRect();
    // Scales the window down, never up, until it fits its screen's available area; the movie
    // and the list over it shrink together.
    void FitToScreen();

    QString moduleDir() const { return m_moduleDir; }
    // The support mail link opened by "IDC_FS_support".
    static QUrl SupportMailUrl();
    // The window's title, by which a second copy of the program recognises the first.
    static QString Title() { return QStringLiteral("Movarin"); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void OnDestroy();
    void AddFiles();
    void StartProgressTimer();
    void KillProgressTimer();
    // Settles the output of the current file (the existence question and the save dialog).
    // Returns false when the user cancelled the save dialog: the file has been skipped then.
    bool SettleOutput(int variant, const QString &source);
    // Asks for another name for the current file. False when the user cancelled (the file has
    // been skipped then).
    bool AskForOutputName(int variant, const QString &source, QString &candidate,
                          bool candidateIsProtected);
    // A path that must never be written: the source, or any file still in the queue.
    bool IsProtected(const QString &path, const QString &source) const;
    // Skips the current file and goes on with the next one.
    void SkipCurrentFile();
    // A folder, device or pipe is never opened: says so ("cannot be <use>") and skips the file.
    bool SkipIfNotRegularFile(const QString &path, const QString &use);
    // Shows one of our boxes with the progress timer stopped.
    void ShowError(const QString &text, const QString &caption);
    // The settings of the run are sound; otherwise says why and returns false.
    bool CheckSettings();
    // Whether the current attempt wrote a whole output, and if so gives it its final name.
    bool KeepWholeOutput(bool sawProgress);
    // Removes the current attempt's temporary output; reports one that cannot be removed.
    void DiscardTemporaryOutput(bool report);
    // The end of a run of rows files: the report, the desktop told, the reset.
    void CompleteRun(int rows);
    void ReportStartFailure();
    void ReportPollFailure();
    int ReportPreparationFailure();
    void EndOfAttempt();
    void SetVariable(const QString &name, const QString &value) { m_flash.SetVariable(name, value); }
    // The desktop outside the window: the run's progress on the taskbar entry, and a
    // notification at its end when the user is looking elsewhere.
    void ReportQueueProgress(int percentOfFile);
    void ReportRunFinished(int rows);
    void ClearQueueProgress();
    // Whether a drag carries anything to queue, and the action that leaves its files in place.
    bool AcceptDrag(QDropEvent *event) const;
    void WatchScreen();

    QString m_moduleDir;
    QString m_userVideosFolder;   // set when the user's Formats.ini lies over the shipped one
    CConverterServices m_services;
    CFormatCascade m_cascade;
    QTimer m_progressTimer;
    bool m_destroyed = false;
    QStringList m_startupPaths;
    CDropHighlight *m_dropHighlight = nullptr;
    QPointer<QScreen> m_watchedScreen;
};
