// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "filelist/CFileListBox.h"
#include "tests/support/Fakes.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/TempDir.h"
#include "ui/CConverterDlg.h"

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

// A main window over a fresh program folder, with every seam faked and every host write recorded
// as "name=value".
class DlgFixture : public ::testing::Test
{
protected:
    TempDir dir;
    FakeDialogs dialogs;
    FakeShell shell;
    FakeClock clock;
    FakeVlcFactory vlc;
    FakeDesktop desktop;
    InlineWork work;
    std::unique_ptr<CConverterDlg> dlg;
    QStringList writes;
    // Where the user's own settings live, handed to the window before its start-up when set.
    std::optional<CUserSettingsHome> home;

    QString iniPath() const { return dir.file(QStringLiteral("Formats.ini")); }

    // The real movie beside the program, as the build lays it out.
    void useRealMovie()
    {
        const QString movie = qEnvironmentVariable("MOVARIN_PROGRAM_DIR")
                              + QStringLiteral("/main.qml");
        ASSERT_TRUE(QFile::exists(movie)) << movie.toStdString();
        ASSERT_TRUE(QFile::copy(movie, dir.file(QStringLiteral("main.qml"))));
    }

    // Constructs the window and runs its start-up.
    CConverterDlg &start()
    {
        dlg = std::make_unique<CConverterDlg>(dir.dirWithSlash(),
                                              CConverterServices{dialogs, shell, clock, vlc,
                                                                 desktop, work});
        QObject::connect(dlg->m_flash.host(), &CMovieHost::variableWritten,
                         [this](const QString &name, const QString &value) {
                             writes << name + QLatin1Char('=') + value;
                         });
        if (home)
            dlg->UseUserSettings(*home);
        dlg->OnInitDialog();
        return *dlg;
    }

    CFileListBox &list() { return *dlg->findChild<CFileListBox *>(); }

    void queue(const QStringList &paths)
    {
        for (const QString &p : paths)
            list().AddString(p);
    }

    // Selects rows as a user's clicks would: the last one clicked is the current row.
    void select(const QList<int> &rows)
    {
        for (int row : rows)
            list().SetSel(row, true);
        list().selectionModel()->setCurrentIndex(list().model()->index(rows.last(), 0),
                                                 QItemSelectionModel::NoUpdate);
    }

    // What a run makes of the window's current settings: one fresh source is queued alone and
    // converted, and the answer is the option handed to the VLC control or, when the settings
    // are refused, the box that says so. The run is let finish; its writes and boxes are
    // forgotten and the queue is left empty.
    QString optionOfARun()
    {
        const QString source = dir.write(QStringLiteral("run %1.avi").arg(++m_runs), "run");
        list().ResetContent();
        queue({source});
        const qsizetype options = vlc.log.options.size();
        const qsizetype boxes = dialogs.boxes.size();
        while (vlc.log.playedToEnd.size() <= vlc.log.created)
            vlc.log.playedToEnd << true;
        dlg->OnFSCommand(QStringLiteral("IDC_FS_CONVERT"), QString());
        QString answer;
        if (vlc.log.options.size() > options) {
            answer = vlc.log.options.last().join(QLatin1Char(' '));
            dlg->OnTimer(CConverterDlg::ProgressTimerId);
        } else if (dialogs.boxes.size() > boxes) {
            answer = dialogs.boxes.at(boxes).text;
        }
        dialogs.boxes.resize(boxes);
        list().ResetContent();
        writes.clear();
        return answer;
    }

    // Writes since the last call.
    QStringList takeWrites()
    {
        QStringList out = writes;
        writes.clear();
        return out;
    }

    static QByteArray catalogue()
    {
        return "[genral]\n"
               "Extentions=.mp4|.avi|.webm\n"
               "[muxer]\n"
               ".mp4=mp4|mov\n"
               ".avi=avi\n"
               "[VC]\n"
               "mp4=h264|mp4v\n"
               "mov=mp4v\n"
               "avi=mp4v|DIV3\n"
               "[AC]\n"
               "mp4=mp4a|mp3\n"
               "mov=mp4a\n"
               "avi=mpga\n";
    }

private:
    int m_runs = 0;
};
