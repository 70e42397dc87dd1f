// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CConverterDlg.h"
#include "CFileListBox.h"
#include "Fakes.h"
#include "QStringPrinting.h"
#include "TempDir.h"

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
        const QString movie = qEnvironmentVariable("MOVARIN_PROGRAM_DIR") + QStringLiteral("/main.qml");
        ASSERT_TRUE(QFile::exists(movie)) << movie.toStdString();
        ASSERT_TRUE(QFile::copy(movie, dir.file(QStringLiteral("main.qml"))));
    }

    // Constructs the window and runs its start-up.
    CConverterDlg &start()
    {
        dlg = std::make_unique<CConverterDlg>(dir.dirWithSlash(),
                                              CConverterServices{dialogs, shell, clock, vlc, desktop, work});
        QObject::connect(dlg->m_flash.host(), &CMovieHost::variableWritten,
                         [this](const QString &name, const QString &value) {
                             writes << name + QLatin1Char('=') + value;
                         });
        if (home)
            dlg->UseUserSettings(*home);
        dlg->OnInitDialog();
        return *dlg;
    }

    CFileListBox &list() { return *dlg->m_fileList; }

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
};
