// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

// Where the user's own settings live, and how to tell whether a file is the user's to change.
// The application fills it from the environment; tests hand in their own folders and checks.
struct CUserSettingsHome
{
    // "$XDG_CONFIG_HOME", or "~/.config" when that is unset or not an absolute path.
    QString configHome;
    // The user's videos folder: an installed copy's default output folder lies in it.
    QString videosFolder;
    // Whether this process can change the given file in place (see CanReplaceFile).
    std::function<bool(const QString &filePath)> canWrite;

    // The user's own copy of an ini file of the program: <configHome>/Movarin/<fileName>.
    QString UserFile(const QString &fileName) const;

    static CUserSettingsHome FromEnvironment();
};

// Whether a write through PrivateProfile could replace filePath: a file can be made in its folder
// and, when the file exists, it opens for writing. Tried for real rather than read from the
// permission bits, so that a read-only mount or a folder such as /proc answers "no" for root too.
// Nothing is changed: the probe file is removed, and the ini file is opened without writing.
bool CanReplaceFile(const QString &filePath);
