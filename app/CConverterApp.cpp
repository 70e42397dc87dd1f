// SPDX-License-Identifier: GPL-3.0-or-later
#include "CConverterApp.h"

#include "convert/CRunLog.h"
#include "convert/LibVlcControl.h"
#include "platform/DBusDesktopNotifier.h"
#include "platform/QtDialogs.h"
#include "platform/QtShell.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "platform/ThreadClock.h"
#include "settings/UserSettings.h"
#include "ui/CConverterDlg.h"
#include "ui/OutsideFiles.h"

#include <QDir>
#include <QPointer>

CConverterApp::CConverterApp(int &argc, char **argv)
    : QApplication(argc, argv)
{
    // Names are bytes on Linux; arguments() would have replaced those that are not UTF-8.
    for (int i = 1; i < argc; ++i)
        m_rawArguments << QByteArray(argv[i]);
    setApplicationName(QStringLiteral("Movarin"));
    setApplicationVersion(QStringLiteral(MOVARIN_VERSION));
    setDesktopFileName(QStringLiteral(MOVARIN_APP_ID));
}

bool CConverterApp::InitInstance()
{
    // A logout, `kill` or Ctrl+C ends the program the way closing the window does: every loop,
    // message boxes' included, is left, and the window's end removes a partial output and saves
    // the settings.
    CTerminationSignals termination;
    connect(&termination, &CTerminationSignals::Received, this, [] { exit(0); });

    CSingleInstance instance(CConverterDlg::Title());
    CQtDialogs dialogs;
    const OutsideFiles::Sorted startup = StartupPaths(m_rawArguments, QDir::currentPath());
    if (RefuseSecondInstance(instance, dialogs, startup))
        return false;

    m_moduleDir = applicationDirPath();
    if (!m_moduleDir.endsWith(QLatin1Char('/')))
        m_moduleDir += QLatin1Char('/');

    CQtShell shell;
    CThreadClock clock;
    CLibVlcControlFactory vlcFactory;
    CDBusDesktopNotifier desktop(QDBusConnection::sessionBus(), QStringLiteral("movarin"),
                                 QStringLiteral(MOVARIN_APP_ID));
    CThreadWorkRunner work;
    CConverterServices services{dialogs, shell, clock, vlcFactory, desktop, work};
    {
        CConverterDlg dlg(m_moduleDir, services);
        dlg.UseUserSettings(CUserSettingsHome::FromEnvironment());
        dlg.KeepRunLog(CRunLog::DefaultFolder());
        dlg.SetStartupPaths(startup.files, startup.skipped);
        instance.listenForFiles([window = QPointer<CConverterDlg>(
                                     &dlg)](const QStringList &paths, const QStringList &skipped) {
            if (window)
                window->ReceiveOutsideFiles(paths, skipped);
        });
        m_mainWnd = &dlg;
        dlg.DoModal();
        m_mainWnd = nullptr;
    }
    return false;
}

bool CConverterApp::RefuseSecondInstance(CSingleInstance &instance, IDialogs &dialogs,
                                         const OutsideFiles::Sorted &files)
{
    if (!instance.anotherInstanceRunning())
        return false;
    if ((!files.files.isEmpty() || !files.skipped.isEmpty())
        && instance.handOverFiles(files.files, files.skipped))
        return true;
    dialogs.informationBox(nullptr, QStringLiteral("The applecation already running"),
                           QStringLiteral("Movarin"));
    return true;
}

OutsideFiles::Sorted CConverterApp::StartupPaths(const QByteArrayList &arguments,
                                                 const QString &currentDir)
{
    return OutsideFiles::PathsOfArguments(arguments, currentDir);
}

void CConverterApp::OnHelp()
{
    // The main window knows the help page and the shell; without it there is nothing to show.
    if (m_mainWnd)
        m_mainWnd->OnHelp();
}
