// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputNaming.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace OutputNaming {

namespace {

// A path cut before its extension's period: ("/v/clip", ".avi"), or ("/v/clip", "") without
// one. Only a period inside the file name counts, and not one that leads the name (".hidden").
std::pair<QString, QString> splitAtExtension(const QString &path)
{
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= nameStart)
        return {path, QString()};
    return {path.left(dot), path.mid(dot)};
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

}   // namespace

QString DefaultCandidate(const QString &source, bool sameFolder, const QString &outputFolder,
                         const QString &convertTo)
{
    if (sameFolder)
        return splitAtExtension(source).first + convertTo;
    const QString name = source.mid(source.lastIndexOf(QLatin1Char('/')) + 1);
    return outputFolder + QLatin1Char('/') + splitAtExtension(name).first + convertTo;
}

QString SuggestedSaveName(int variant, const QString &source, const QString &candidate)
{
    if (variant == 1)
        return candidate;
    const auto [base, extension] = splitAtExtension(source);
    return base + QLatin1String("_new_") + extension.mid(1);
}

bool CanOpenFile(const QString &path)
{
    struct stat st
    {
    };
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

bool IsSameFile(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    struct stat sa
    {
    }, sb{};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0
        || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool IsOtherThanRegularFile(const QString &path)
{
    struct stat st
    {
    };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return !S_ISREG(st.st_mode);
}

QString FreeName(const QString &path, const std::function<bool(const QString &)> &taken)
{
    const auto [base, extension] = splitAtExtension(path);
    for (int n = 1;; ++n) {
        const QString name = base + QStringLiteral(" (%1)").arg(n) + extension;
        struct stat st
        {
        };
        if (::lstat(QFile::encodeName(name).constData(), &st) != 0 && !(taken && taken(name)))
            return name;
    }
}

CTemporaryOutputLock::~CTemporaryOutputLock()
{
    Release();
}

CTemporaryOutputLock::CTemporaryOutputLock(CTemporaryOutputLock &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
{
}

CTemporaryOutputLock &CTemporaryOutputLock::operator=(CTemporaryOutputLock &&other) noexcept
{
    if (this != &other) {
        Release();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

void CTemporaryOutputLock::Release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

namespace {

// The longest file name the folder's file system takes, in bytes.
qsizetype nameLimit(const QString &folder)
{
    const long limit
        = ::pathconf(QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder).constData(),
                     _PC_NAME_MAX);
    return limit > 0 ? limit : NAME_MAX;
}

// ".<stem>.<tag>.part<extension>", the stem shortened (never inside a character) so that the
// name's bytes stay within limit.
QString temporaryName(QString stem, const QString &tag, const QString &extension, qsizetype limit)
{
    const auto name = [&] {
        return QLatin1Char('.') + stem + QLatin1Char('.') + tag + QLatin1String(".part")
               + extension;
    };
    while (!stem.isEmpty() && QFile::encodeName(name()).size() > limit)
        stem.chop(stem.size() > 1 && stem.back().isLowSurrogate() ? 2 : 1);
    return name();
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}   // namespace

int RemoveStaleTemporaryOutputs(const QString &folder)
{
    static const QRegularExpression Temporary(QStringLiteral(
                                                  "^\\..*\\.[a-z0-9]{6}\\.part(\\..*)?$"),
                                              QRegularExpression::DotMatchesEverythingOption);
    DIR *dir = ::opendir(
        QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder).constData());
    if (!dir)
        return 0;
    const int dirFd = ::dirfd(dir);
    int removed = 0;
    while (const dirent *entry = ::readdir(dir)) {
        if (!Temporary.match(QFile::decodeName(entry->d_name)).hasMatch())
            continue;
        const int fd = ::openat(dirFd, entry->d_name,
                                O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            continue;
        struct stat held
        {
        }, named{};
        // Only our own plain files, and only when no running copy holds them.
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid()
            && ::flock(fd, LOCK_EX | LOCK_NB) == 0
            && ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0
            && sameFile(held, named) && ::unlinkat(dirFd, entry->d_name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

std::optional<QString> CreateTemporaryOutput(const QString &finalPath, QString &error,
                                             CTemporaryOutputLock &lock)
{
    const qsizetype slash = finalPath.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash >= 0 ? finalPath.left(slash + 1) : QString();
    const auto [stem, extension] = splitAtExtension(finalPath.mid(slash + 1));
    RemoveStaleTemporaryOutputs(folder);
    const qsizetype limit = nameLimit(folder);
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString tag;
        for (int i = 0; i < 6; ++i)
            tag += QLatin1Char(Letters[QRandomGenerator::global()->bounded(36)]);
        const QString path = folder + temporaryName(stem, tag, extension, limit);
        const QByteArray encoded = QFile::encodeName(path);
        // Made here, exclusively: a name that someone else has taken, or a link planted there,
        // is never written through.
        const int fd = ::open(encoded.constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) {
            if (errno != EEXIST) {
                error = errorText(errno);
                return std::nullopt;
            }
            continue;
        }
        // Locked, and still ours under that name: another copy's clean-up may have taken the
        // file in the moment before the lock.
        struct stat held
        {
        }, named{};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0
            && ::lstat(encoded.constData(), &named) == 0 && sameFile(held, named)) {
            lock.Release();
            lock.m_fd = fd;
            return path;
        }
        ::close(fd);
    }
    error = QStringLiteral("no free temporary name");
    return std::nullopt;
}

namespace {

// Renames without ever replacing: EEXIST when something is under the new name.
int renameNoReplace(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return errno;
    // A file system without it: a new link fails on an existing name just the same.
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return 0;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != ENOSYS)
        return errno;
    // Nor links (FAT): the best left is to look just before.
    struct stat st
    {
    };
    if (::lstat(to.constData(), &st) == 0)
        return EEXIST;
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

}   // namespace

QString CommitOutput(const QString &temporaryPath, QString &finalPath, bool mayReplace)
{
    const QByteArray from = QFile::encodeName(temporaryPath);
    if (mayReplace) {
        if (::rename(from.constData(), QFile::encodeName(finalPath).constData()) != 0)
            return errorText(errno);
        return {};
    }
    QString target = finalPath;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const int error = renameNoReplace(from, QFile::encodeName(target));
        if (error == 0) {
            finalPath = target;
            return {};
        }
        if (error != EEXIST)
            return errorText(error);
        // Something came under the name after it was chosen: it stays, the output goes beside.
        target = FreeName(finalPath, {});
    }
    return errorText(EEXIST);
}

std::optional<QString> AbsoluteFolder(const QString &text)
{
    QString folder = text;
    if (folder == QLatin1String("~") || folder.startsWith(QLatin1String("~/")))
        folder = QDir::homePath() + folder.mid(1);
    if (folder.isEmpty() || QDir::isRelativePath(folder))
        return std::nullopt;
    return QDir::cleanPath(folder);
}

}   // namespace OutputNaming
