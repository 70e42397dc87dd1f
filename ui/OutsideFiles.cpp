// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutsideFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>
#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>

namespace OutsideFiles {

namespace {
bool Listed(const QByteArray &name, const QStringList &extensions)
{
    const qsizetype dot = name.lastIndexOf('.');
    return dot >= 0 && extensions.contains(QString::fromLatin1(name.mid(dot + 1)).toLower());
}

// The listed files under folder (bytes, as the file system has them), hidden ones and linked
// folders left out, as QDir's walk would; names that are not text go to notText.
void Walk(const QByteArray &folder, const QStringList &extensions, QStringList &found,
          QStringList &notText)
{
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name.startsWith('.'))
            continue;
        const QByteArray path = folder + '/' + name;
        struct stat st
        {
        };
        if (::lstat(path.constData(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            Walk(path, extensions, found, notText);
            continue;
        }
        // A link counts as the file it leads to; a link to a folder is not entered.
        if (S_ISLNK(st.st_mode) && ::stat(path.constData(), &st) != 0)
            continue;
        if (!S_ISREG(st.st_mode) || !Listed(name, extensions))
            continue;
        if (IsText(path))
            found << QString::fromUtf8(path);
        else
            notText << NotTextEntry(path);
    }
    ::closedir(dir);
}
}   // namespace

bool IsText(const QByteArray &name)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    [[maybe_unused]] const QString text = decoder.decode(name);
    return !decoder.hasError();
}

QString NotTextEntry(const QByteArray &path)
{
    return QString::fromUtf8(path)
           + QStringLiteral(" (the name is not UTF-8 text; rename the file to convert it)");
}

QStringList NotTextFilesDecodedAs(const QString &path)
{
    QStringList out;
    if (!path.contains(QChar::ReplacementCharacter))
        return out;
    const QFileInfo info(path);
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    const QString name = info.fileName();
    DIR *dir = ::opendir(folder.constData());
    while (const dirent *entry = dir ? ::readdir(dir) : nullptr) {
        const QByteArray bytes(entry->d_name);
        if (!IsText(bytes) && QString::fromUtf8(bytes) == name)
            out << NotTextEntry(folder + '/' + bytes);
    }
    if (dir)
        ::closedir(dir);
    std::sort(out.begin(), out.end());
    // A folder on the way whose name is not text: nothing to list, the path itself is named.
    if (out.isEmpty() && !QFileInfo::exists(path))
        out << NotTextEntry(QFile::encodeName(path));
    return out;
}

Sorted Sort(const QStringList &paths, const QStringList &extensions)
{
    Sorted out;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            QStringList found;
            QStringList notText;
            Walk(QFile::encodeName(QDir::cleanPath(path)), extensions, found, notText);
            std::sort(notText.begin(), notText.end());
            out.skipped << notText;
            if (found.isEmpty()) {
                if (notText.isEmpty())
                    out.skipped << path + QStringLiteral(" (no video files in this folder)");
                continue;
            }
            std::sort(found.begin(), found.end());
            out.files << found;
        } else if (!info.exists()) {
            out.skipped << path + QStringLiteral(" (not found)");
        } else if (!info.isFile() || !Listed(QFile::encodeName(info.fileName()), extensions)) {
            out.skipped << path + QStringLiteral(" (not a kind of video Movarin converts)");
        } else {
            out.files << path;
        }
    }
    return out;
}

Sorted PathsOfArguments(const QByteArrayList &arguments, const QString &currentDir)
{
    Sorted out;
    for (const QByteArray &argument : arguments) {
        if (!IsText(argument)) {
            out.skipped << NotTextEntry(argument.startsWith('/')
                                            ? argument
                                            : QFile::encodeName(currentDir) + '/' + argument);
            continue;
        }
        const QString text = QString::fromUtf8(argument);
        const QUrl url(text);
        QByteArray bytes;
        if (url.isLocalFile() && text.contains(QLatin1String(":/"))
            && !LocalPathOfUrl(url, bytes)) {
            out.skipped << NotTextEntry(bytes);
            continue;
        }
        const QString path = LocalPathOfArgument(text, currentDir);
        if (!path.isEmpty())
            out.files << path;
    }
    return out;
}

std::optional<QString> LocalPathOfUrl(const QUrl &url, QByteArray &bytes)
{
    bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (!IsText(bytes))
        return std::nullopt;
    return QDir::cleanPath(url.toLocalFile());
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

}   // namespace OutsideFiles
