// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

// What arrives from outside the window (the command line, a drop from a file manager), sorted
// into the files to queue and the names to report.
namespace OutsideFiles {

struct Sorted
{
    QStringList files;     // in the order given; a folder's files sorted by path
    QStringList skipped;   // "path (why)", in the order given
};

// paths: absolute local paths. extensions: lower case, without the dot. A file is taken when
// its extension is listed (in any letter case); a folder gives the listed files in it and in
// its subfolders (hidden ones and linked folders are not entered). A folder without any such
// file, a file of another kind and a path that is not there are skipped.
Sorted Sort(const QStringList &paths, const QStringList &extensions);

// An absolute, clean local path for a command-line argument: relative to currentDir, or a
// file: URL as some launchers pass them. Another URL is returned as given.
QString LocalPathOfArgument(const QString &argument, const QString &currentDir);

// The one message that names what was skipped; at most maxNamed names, then how many more.
QString SkippedMessage(const QStringList &skipped, int maxNamed = 15);

} // namespace OutsideFiles
