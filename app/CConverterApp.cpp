// SPDX-License-Identifier: GPL-3.0-or-later
#include "CConverterApp.h"

#include "CConverterDlg.h"
#include "LibVlcControl.h"
#include "QtDialogs.h"
#include "QtShell.h"
#include "SingleInstance.h"
#include "ThreadClock.h"
#include "UserSettings.h"

CConverterApp::CConverterApp(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Movarin"));
    setApplicationVersion(QStringLiteral("6.0.0.1"));
    setDesktopFileName(QStringLiteral(MOVARIN_APP_ID));
}

bool CConverterApp::InitInstance()
{
    CSingleInstance instance(QStringLiteral("Movarin"));
    CQtDialogs dialogs;
    if (RefuseSecondInstance(instance, dialogs))
        return false;

    m_moduleDir = applicationDirPath();
    if (!m_moduleDir.endsWith(QLatin1Char('/')))
        m_moduleDir += QLatin1Char('/');

    CQtShell shell;
    CThreadClock clock;
    CLibVlcControlFactory vlcFactory;
    CConverterServices services{dialogs, shell, clock, vlcFactory};
    {
        CConverterDlg dlg(m_moduleDir, services);
        dlg.UseUserSettings(CUserSettingsHome::FromEnvironment());
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

void CConverterApp::OnHelp()
{
    // The main window knows the help page and the shell; without it there is nothing to show.
    if (m_mainWnd)
        m_mainWnd->OnHelp();
}
