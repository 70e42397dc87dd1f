// SPDX-License-Identifier: GPL-3.0-or-later
#include "CConverterApp.h"

#include "CConverterDlg.h"
#include "DBusDesktopNotifier.h"
#include "LibVlcControl.h"
#include "OutsideFiles.h"
#include "QtDialogs.h"
#include "QtShell.h"
#include "SingleInstance.h"
#include "ThreadClock.h"
#include "UserSettings.h"

#include <QDir>


CConverterApp::CConverterApp(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Movarin"));
    setApplicationVersion(QStringLiteral(MOVARIN_VERSION));
    setDesktopFileName(QStringLiteral(MOVARIN_APP_ID));
}

bool CConverterApp::InitInstance()
{
    CSingleInstance instance(CConverterDlg::Title());
    CQtDialogs dialogs;
    if (RefuseSecondInstance(instance, dialogs))
        return false;

    m_moduleDir = applicationDirPath();
    if (!m_moduleDir.endsWith(QLatin1Char('/')))
        m_moduleDir += QLatin1Char('/');

    CQtShell shell;
    CThreadClock clock;
    CLibVlcControlFactory vlcFactory;
    CDBusDesktopNotifier desktop(QDBusConnection::sessionBus(), QStringLiteral("movarin"),
                                 QStringLiteral(MOVARIN_APP_ID));
    CConverterServices services{dialogs, shell, clock, vlcFactory, desktop};
    {
        CConverterDlg dlg(m_moduleDir, services);
        dlg.UseUserSettings(CUserSettingsHome::FromEnvironment());
        dlg.SetStartupPaths(StartupPaths(arguments(), QDir::currentPath()));
        m_mainWnd = &dlg;
        dlg.DoModal();
        m_mainWnd = nullptr;
    }
    return false;
}

bool CConverterApp::RefuseSecondInstance(CSingleInstance &instance, IDialogs &dialogs)
{
    if (!instance.anotherInstanceRunning())
        return false;
    dialogs.informationBox(nullptr, QStringLiteral("The applecation already running"),
                           QStringLiteral("Movarin"));
    return true;
}

QStringList CConverterApp::StartupPaths(const QStringList &arguments, const QString &currentDir)
{
    QStringList paths;
    for (const QString &argument : arguments.mid(1)) {
        const QString path = OutsideFiles::LocalPathOfArgument(argument, currentDir);
        if (!path.isEmpty())
            paths << path;
    }
    return paths;
}

void CConverterApp::OnHelp()
{
    // The main window knows the help page and the shell; without it there is nothing to show.
    if (m_mainWnd)
        m_mainWnd->OnHelp();
}
