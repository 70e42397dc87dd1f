// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

// The process's application object: one copy per desktop, the program's folder, the main
// window run modally, and the help page.
class CConverterApp : public QApplication
{
    Q_OBJECT
public:
    CConverterApp(int &argc, char **argv);

    // Runs the whole program; always false, so the process ends when the window has closed.
    bool InitInstance();
    // Opens help.html beside the executable with the desktop's viewer.
    void OnHelp();

    // The executable's folder with its trailing '/'.
    QString m_moduleDir;
};
