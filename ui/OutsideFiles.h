// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayList>
#include <QStringList>
#include <optional>

class QUrl;

// What arrives from outside the window (the command line, a drop from a file manager), sorted
// into the files to queue and the names to report.
namespace OutsideFiles {

struct Sorted
{
    QStringList files;   // in the order given; a folder's files sorted by path
    QStringList skipped;   // "path (why)", in the order given
};

// paths: absolute local paths. extensions: lower case, without the dot. A file is taken when
// its extension is listed (in any letter case); a folder gives the listed files in it and in
// its subfolders (hidden ones and linked folders are not entered). A folder without any such
// file, a file of another kind and a path that is not there are skipped, and so is a listed
// file in a folder whose name is not UTF-8 text (see NotTextEntry).
Sorted Sort(const QStringList &paths, const QStringList &extensions);

// Linux names are bytes, and the queue holds text: a name that is not UTF-8 would be queued
// under another name (or as another file that decodes the same way). Such a file is named in
// the message instead: "<name as shown> (the name is not UTF-8 text; rename the file to convert
// it)".
bool IsText(const QByteArray &name);
QString NotTextEntry(const QByteArray &path);
// A file dialog hands back such a name decoded, with U+FFFD for each byte that is not text, and
// the decoded path names no file (or another one). The NotTextEntry of every file in that folder
// whose name decodes to the same text and is not text itself, or the path's own entry when it
// names no file (a folder on the way is not text); empty for any other path.
QStringList NotTextFilesDecodedAs(const QString &path);

// The command line's arguments (without the program's own name), as absolute paths to sort;
// those whose names are not text are skipped with NotTextEntry.
Sorted PathsOfArguments(const QByteArrayList &arguments, const QString &currentDir);

// The local path of a file: URL (a drop, "Open with"), or nothing when its name is not text;
// bytes then holds the name.
std::optional<QString> LocalPathOfUrl(const QUrl &url, QByteArray &bytes);

// An absolute, clean local path for a command-line argument: relative to currentDir, or a
// file: URL as some launchers pass them. Another URL is returned as given.
QString LocalPathOfArgument(const QString &argument, const QString &currentDir);

// The one message that names what was skipped; at most maxNamed names, then how many more.
QString SkippedMessage(const QStringList &skipped, int maxNamed = 15);

}   // namespace OutsideFiles
