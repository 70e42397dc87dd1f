// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program's main window, shown offscreen with its movie over a program folder, driving the
// given VLC control; nobody in front of it (every box answered at once).
#include "Unattended.h"
#include "convert/CConversionDriver.h"
#include "filelist/CFileListBox.h"
#include "platform/ThreadClock.h"
#include "ui/CConverterDlg.h"
#include "ui/CMovieHost.h"

#include <QEventLoop>

class BenchWindow
{
public:
    BenchWindow(const QString &programDir, IVlcControlFactory &factory)
        : m_dlg(programDir,
                CConverterServices{m_dialogs, m_shell, m_clock, factory, m_desktop, m_work})
    {
        m_dlg.OnInitDialog();
        m_dlg.show();
    }

    // The user's choices, as the movie sends them.
    void choose(const QString &target, const QString &muxer, const QString &videoCodec,
                const QString &audioCodec)
    {
        m_dlg.OnFSCommand(QStringLiteral("ID-FS-convertTo"), target);
        m_dlg.OnFSCommand(QStringLiteral("ID-FS-container"), muxer);
        m_dlg.OnFSCommand(QStringLiteral("ID-FS-videoCodec"), videoCodec);
        m_dlg.OnFSCommand(QStringLiteral("ID-FS-audioCodec"), audioCodec);
    }

    // Converts the queue into outDir, as the user does: the folder chosen, the files added,
    // Convert pressed; until the run ends.
    void convert(const QStringList &sources, const QString &outDir)
    {
        m_dlg.m_flash.host()->setVariable(QStringLiteral("_root.path"), outDir);
        m_dlg.OnFSCommand(QStringLiteral("IDC_FS_OTHERDIRECTORY"), QString());
        m_dlg.m_fileList->ResetContent();
        m_dlg.m_fileList->AddPathsNotQueued(sources);
        QEventLoop loop;
        QObject::connect(m_dlg.m_flash.host(), &CMovieHost::variableWritten, &loop,
                         [&loop](const QString &name) {
                             if (name == QLatin1String("_root.hideProgress"))
                                 loop.quit();
                         });
        m_dlg.OnFSCommand(QStringLiteral("IDC_FS_CONVERT"), QString());
        loop.exec();
    }

private:
    AutoDialogs m_dialogs;
    NoShell m_shell;
    CThreadClock m_clock;
    NoDesktop m_desktop;
    CThreadWorkRunner m_work;
    CConverterDlg m_dlg;
};
