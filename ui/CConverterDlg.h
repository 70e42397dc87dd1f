// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CRunResultsModel.h"
#include "CShockwaveFlash.h"
#include "convert/CConversionDriver.h"
#include "convert/CVlcHostDlg.h"
#include "convert/OutputNaming.h"
#include "platform/Dialogs.h"
#include "settings/CIniFile.h"
#include "settings/FormatCatalog.h"
#include "settings/UserSettings.h"

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
    IWorkRunner &work;
};

// The described m_timerId: the progress timer's id while it runs, 0 otherwise. It reads the
// driver's timer and keeps no copy of its own.
class CTimerIdView
{
public:
    explicit CTimerIdView(const CConversionDriver &driver)
        : m_driver(driver)
    {
    }
    operator int() const { return m_driver.TimerId(); }

private:
    const CConversionDriver &m_driver;
};

// The program's only visible window: a borderless dialog whose whole face is the movie, with the
// file list laid over it. It owns every piece of run-time state, receives the movie's UI
// commands and shows the conversion driver's run.
class CConverterDlg : public QDialog, private IConversionFace
{
    Q_OBJECT
public:
    static constexpr int ProgressTimerId = CConversionDriver::ProgressTimerId;
    static constexpr int ProgressPeriodMs = CConversionDriver::ProgressPeriodMs;
    static constexpr int HandOverPauseMs = CConversionDriver::HandOverPauseMs;
    static constexpr int RetryPauseMs = CConversionDriver::RetryPauseMs;
    static constexpr int MaxRetries = CConversionDriver::MaxRetries;
    static constexpr int StallLimitPolls = CConversionDriver::StallLimitPolls;
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

    // Every run leaves a log in folder from now on.
    void KeepRunLog(const QString &folder)
    {
        m_driver.KeepRunLog(folder, QStringLiteral("the window"));
    }

    // Start-up: the list, the movie, icon and title, the output folder, the catalogue.
    bool OnInitDialog();
    // Runs the window modally after its start-up; returns the dialog's result.
    int DoModal();

    // Enter does nothing: the window stays open.
    void OnOK() { }
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

    // The conversion driver's operations, under the window's names.
    int ConvertNextFile() { return m_driver.ConvertNextFile(); }
    int StartFileConversion(const QString &source, const QString &option, int buildHere)
    {
        return m_driver.StartFileConversion(source, option, buildHere == 1);
    }
    void OnTimer(int id) { m_driver.OnTimer(id); }
    void StopConversion() { m_driver.StopConversion(); }
    int SetRetryCount(int n) { return m_driver.SetRetryCount(n); }
    int MarkFileConverted() { return m_driver.MarkFileConverted(); }

    // The members, in the order the window declares them. The run's state is the driver's,
    // seen here under the window's names.
    CIniFile m_ini;
    FormatCatalog m_formats;
    ConversionSettings m_settings;

private:
    CConversionDriver m_driver;
    // Each file of the current or last run, as the movie's results view shows it. Outlives
    // the movie, which reads it.
    CRunResultsModel m_runResults;

public:
    QString &m_currentOutput = m_driver.m_currentOutput;
    CVlcHostDlg &m_vlcHost = m_driver.m_vlcHost;
    CFileListBox *m_fileList = nullptr;
    qint16 &m_retryCount = m_driver.m_retryCount;
    int &m_fileHadProgress = m_driver.m_fileHadProgress;
    int &m_sameFolder = m_driver.m_sameFolder;
    QString &m_outputPath = m_driver.m_outputPath;
    int &m_convertedCount = m_driver.m_convertedCount;
    int &m_currentIndex = m_driver.m_currentIndex;
    int &m_fileTotal = m_driver.m_fileTotal;
    const CTimerIdView m_timerId{m_driver};
    CShockwaveFlash m_flash;
    QIcon m_hIcon;

    // Files from outside the window (the command line, a drop) are queued as the Add command
    // queues its choice; a folder gives the video files in it and its subfolders, sorted by
    // path. Anything else is named in one message.
    // alreadySkipped: entries for that message found before (names that are not text).
    void QueueOutsidePaths(const QStringList &paths, const QStringList &alreadySkipped = {});
    // Paths given on the command line: queued once the window is up.
    void SetStartupPaths(const QStringList &paths, const QStringList &skipped = {})
    {
        m_startupPaths = paths;
        m_startupSkipped = skipped;
    }
    // Files that a later copy of the program was started with ("Open with" while this one
    // runs): queued as above, or during a run named in one message that says why not; the
    // window comes to the front either way.
    void ReceiveOutsideFiles(const QStringList &paths, const QStringList &skipped);
    // From the start of a run to its end or Stop.
    bool RunInProgress() const;
    // The open dialog's file types.
    static const QList<IDialogs::FileType> &SourceFileTypes();
    // The extensions (lower case, without the dot) of the files a folder or a drop gives: those
    // of the open dialog's supported types and the catalogue's targets.
    QStringList SourceExtensions() const { return SourceExtensionsOf(m_formats); }
    static QStringList SourceExtensionsOf(const FormatCatalog &formats);

    // The window's own size, and the list's place on the movie at that size.
    static QSize DesignSize();
    static QRect DesignListRect();
    // Scales the window down, never up, until it fits its screen's available area; the movie
    // and the list over it shrink together.
    void FitToScreen();

    QString moduleDir() const { return m_moduleDir; }
    // The conversion driver behind the window, with the results of the last run.
    CConversionDriver &Driver() { return m_driver; }
    // What the movie's results view shows.
    const CRunResultsModel &RunResults() const { return m_runResults; }
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
    // "IDC_FS_OPENFOLDER" and "IDC_FS_PLAY": the folder of a converted file of the results, or
    // the file itself, handed to the desktop. argument: the file's row in the results.
    void OpenResult(const QString &argument, bool folder);
    // Before a run: attended, or unattended with the one decision about outputs that exist.
    // False when the user closed that question: no run then.
    bool ChooseRunMode();
    // The face the driver shows its run on: the queue is the list, the variables the movie's.
    int RowCount() override;
    QString RowText(int row) override;
    void SetQueueEditable(bool editable) override;
    void SetVariable(const QString &name, const QString &value) override
    {
        m_flash.SetVariable(name, value);
    }
    QString GetVariable(const QString &name) override { return m_flash.GetVariable(name); }
    // The desktop outside the window: the run's progress on the taskbar entry, and a
    // notification at its end when the user is looking elsewhere.
    void QueueProgress(int row, int rows, int percentOfFile, qint64 mediaMs) override;
    void ClearQueueProgress() override;
    void RunStarted(int rows) override;
    void RunFinished(int rows, int converted) override;
    void AttemptStarted(int row, const QString &temporaryPath) override;
    void AttemptEnded(int row, const CAttemptRecord &attempt) override;
    void FileFinished(const CFileResult &result) override;
    // Whether a drag carries anything to queue, and the action that leaves its files in place.
    bool AcceptDrag(QDropEvent *event) const;
    void WatchScreen();

    QString m_moduleDir;
    QString m_userVideosFolder;   // set when the user's Formats.ini lies over the shipped one
    CConverterServices m_services;
    CFormatCascade m_cascade;
    bool m_destroyed = false;
    // The Output panel's "run without stopping for questions", and its value as read at start.
    bool m_unattended = false;
    bool m_unattendedAtStart = false;
    QStringList m_startupPaths;
    QStringList m_startupSkipped;
    CDropHighlight *m_dropHighlight = nullptr;
    QPointer<QScreen> m_watchedScreen;
};
