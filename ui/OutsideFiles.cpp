// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutsideFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>

namespace OutsideFiles {

namespace {
bool Listed(const QFileInfo &file, const QStringList &extensions)
{
    return extensions.contains(file.suffix().toLower());
}
} // namespace

Sorted Sort(const QStringList &paths, const QStringList &extensions)
{
    Sorted out;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            QStringList found;
            QDirIterator it(path, QDir::Files | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                it.next();
                if (Listed(it.fileInfo(), extensions))
                    found << QDir::cleanPath(it.filePath());
            }
            if (found.isEmpty()) {
                out.skipped << path + QStringLiteral(" (no video files in this folder)");
                continue;
            }
            std::sort(found.begin(), found.end());
            out.files << found;
        } else if (!info.exists()) {
            out.skipped << path + QStringLiteral(" (not found)");
        } else if (!info.isFile() || !Listed(info, extensions)) {
            out.skipped << path + QStringLiteral(" (not a kind of video Movarin converts)");
        } else {
            out.files << path;
        }
    }
    return out;
}

QString LocalPathOfArgument(const QString &argument, const QString &currentDir)
{
    if (argument.isEmpty())
        return QString();
    QString path = argument;
    const QUrl url(argument);
    // Read as a URL only with a scheme and a slash after it (file:///..., https://...): a file
    // name that merely holds a colon stays a name.
    if (url.isValid() && url.scheme().size() > 1 && argument.contains(QLatin1String(":/"))) {
        // Not ours to fetch: it stays as given, and is reported as not found.
        if (!url.isLocalFile())
            return argument;
        path = url.toLocalFile();
    }
    if (QDir::isRelativePath(path))
        path = QDir(currentDir).filePath(path);
    return QDir::cleanPath(path);
}

QString SkippedMessage(const QStringList &skipped, int maxNamed)
{
    QString text = skipped.size() == 1 ? QStringLiteral("This was not added to the queue:")
                                       : QStringLiteral("These were not added to the queue:");
    const qsizetype named = std::min<qsizetype>(skipped.size(), maxNamed);
    for (qsizetype i = 0; i < named; ++i)
        text += QLatin1Char('\n') + skipped.at(i);
    if (skipped.size() > named)
        text += QStringLiteral("\n... and %1 more").arg(skipped.size() - named);
    return text;
}

} // namespace OutsideFiles
