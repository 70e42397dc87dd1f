// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/OutsideFiles.h"

#include <QApplication>
#include <QByteArrayList>

class CConverterDlg;
class CSingleInstance;
class IDialogs;

// The process's application object: one copy per desktop, the program's folder, the main
// window run modally, and the help page.
class CConverterApp : public QApplication
{
    Q_OBJECT
public:
    CConverterApp(int &argc, char **argv);

    // Runs the whole program; always false, so the process ends when the window has closed.
    bool InitInstance();
    // Opens help.html beside the executable with the desktop's viewer. The application's help
    // command by design; the window's F1 and "IDC_FS_HELP" reach the window's own OnHelp, so
    // nothing calls this one today.
    void OnHelp();

    // The one-copy-per-desktop rule: when another copy holds the desktop, returns true. Files
    // this copy was started with are handed to that copy, which queues them; without any (or
    // when it does not take them) the user is told, and the other copy is not signalled.
    static bool RefuseSecondInstance(CSingleInstance &instance, IDialogs &dialogs,
                                     const OutsideFiles::Sorted &files = {});

    // The files and folders named on the command line (Qt's options already taken out), as
    // absolute paths, and the names that are not text; queued once the window is up.
    static OutsideFiles::Sorted StartupPaths(const QByteArrayList &arguments,
                                             const QString &currentDir);

    // The executable's folder with its trailing '/'.
    QString m_moduleDir;

private:
    CConverterDlg *m_mainWnd = nullptr;
    // The arguments as the system gave them (bytes), after the program's name.
    QByteArrayList m_rawArguments;
};
