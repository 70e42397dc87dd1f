// SPDX-License-Identifier: GPL-3.0-or-later
#include "CConverterApp.h"

#include "CConverterDlg.h"
#include "LibVlcControl.h"
#include "QtDialogs.h"
#include "QtShell.h"
#include "SingleInstance.h"
#include "ThreadClock.h"

#include <QQuickWindow>
#include <QUrl>

CConverterApp::CConverterApp(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Movarin"));
    setApplicationVersion(QStringLiteral("6.0.0.1"));
}

bool CConverterApp::InitInstance()
{
    CSingleInstance instance(QStringLiteral("Movarin"));
    CQtDialogs dialogs;
    if (instance.anotherInstanceRunning()) {
        dialogs.messageBox(nullptr, QStringLiteral("The applecation already running"),
                           QStringLiteral("Movarin"), IDialogs::Buttons::Ok);
        return false;
    }

    m_moduleDir = applicationDirPath();
    if (!m_moduleDir.endsWith(QLatin1Char('/')))
        m_moduleDir += QLatin1Char('/');

    CQtShell shell;
    CThreadClock clock;
    CLibVlcControlFactory vlcFactory;
    CConverterServices services{dialogs, shell, clock, vlcFactory};
    {
        CConverterDlg dlg(m_moduleDir, services);
        dlg.DoModal();
    }
    return false;
}

void CConverterApp::OnHelp()
{
    CQtShell().openUrl(QUrl::fromLocalFile(m_moduleDir + QStringLiteral("help.html")));
}
