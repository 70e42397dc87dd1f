// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/OutputNaming.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace OutputNaming;

TEST(DefaultCandidate, BesideTheSourceOrInTheOutputFolder)
{
    const QString src = QStringLiteral("/v/clip.avi");
    EXPECT_EQ(DefaultCandidate(src, true, QStringLiteral("/out"), QStringLiteral(".mp4")),
              QStringLiteral("/v/clip.mp4"));
    EXPECT_EQ(DefaultCandidate(src, false, QStringLiteral("/out"), QStringLiteral(".mp4")),
              QStringLiteral("/out/clip.mp4"));
}

TEST(DefaultCandidate, CutsOnlyTheLastPeriod)
{
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v/a.b.avi"), true, {}, QStringLiteral(".mkv")),
              QStringLiteral("/v/a.b.mkv"));
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v/a.b.avi"), false, QStringLiteral("/o"),
                               QStringLiteral(".mkv")),
              QStringLiteral("/o/a.b.mkv"));
}

TEST(DefaultCandidate, TheExtensionIsTakenFromTheFileNameOnly)
{
    // A period in a folder's name, or one that leads the file name, is no extension.
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v.d/clip"), true, {}, QStringLiteral(".mp4")),
              QStringLiteral("/v.d/clip.mp4"));
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v/.hidden"), true, {}, QStringLiteral(".mp4")),
              QStringLiteral("/v/.hidden.mp4"));
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v/.hidden.avi"), false, QStringLiteral("/o"),
                               QStringLiteral(".mp4")),
              QStringLiteral("/o/.hidden.mp4"));
    // In the output folder only the file name is looked at, so nothing is cut.
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v.d/clip"), false, QStringLiteral("/o"),
                               QStringLiteral(".mp4")),
              QStringLiteral("/o/clip.mp4"));
}

TEST(DefaultCandidate, TextIsNeverNormalisedOrFormatted)
{
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v/clip.avi"), false, QStringLiteral("/"),
                               QStringLiteral(".mp4")),
              QStringLiteral("//clip.mp4"));
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v/100%s %d.avi"), true, {}, QStringLiteral(".mp4")),
              QStringLiteral("/v/100%s %d.mp4"));
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v/100%s.avi"), false, QStringLiteral("/o%n"),
                               QStringLiteral(".mp4")),
              QStringLiteral("/o%n/100%s.mp4"));
    // No period is added: the catalogue writes targets with theirs.
    EXPECT_EQ(DefaultCandidate(QStringLiteral("/v/clip.avi"), true, {}, QStringLiteral("mp4")),
              QStringLiteral("/v/clipmp4"));
}

TEST(SuggestedSaveName, VariantsAndSourcesWithoutExtension)
{
    const QString candidate = QStringLiteral("/out/clip.mp4");
    EXPECT_EQ(SuggestedSaveName(1, QStringLiteral("/v/clip.avi"), candidate), candidate);
    // Variant 0 stays in the source's folder, whatever the candidate says.
    EXPECT_EQ(SuggestedSaveName(0, QStringLiteral("/v/clip.avi"), candidate),
              QStringLiteral("/v/clip_new_avi"));
    EXPECT_EQ(SuggestedSaveName(0, QStringLiteral("/v/a.b.mov"), candidate),
              QStringLiteral("/v/a.b_new_mov"));
    EXPECT_EQ(SuggestedSaveName(0, QStringLiteral("/v/clip"), candidate),
              QStringLiteral("/v/clip_new_"));
}

TEST(CanOpenFile, AnythingUnderTheNameCounts)
{
    TempDir dir;
    const QString file = dir.write(QStringLiteral("a.mp4"), "x");
    EXPECT_TRUE(CanOpenFile(file));
    const QString locked = dir.write(QStringLiteral("locked.mp4"), "x");
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0), 0);
    EXPECT_TRUE(CanOpenFile(locked));
    const QString dangling = dir.file(QStringLiteral("dangling.mp4"));
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("nowhere.mp4")), dangling));
    EXPECT_TRUE(CanOpenFile(dangling));
    EXPECT_TRUE(CanOpenFile(dir.path()));
    EXPECT_FALSE(CanOpenFile(dir.file(QStringLiteral("missing.mp4"))));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("missing.mp4")))) << "must never create";
    EXPECT_FALSE(CanOpenFile(QString()));
}

TEST(IsSameFile, DifferentSpellingsOfOneFile)
{
    TempDir dir;
    const QString file = dir.write(QStringLiteral("sub/clip.mp4"), "x");
    const QString other = dir.write(QStringLiteral("sub/other.mp4"), "x");
    EXPECT_TRUE(IsSameFile(file, dir.path() + QStringLiteral("/sub/../sub/clip.mp4")));
    EXPECT_TRUE(IsSameFile(file, dir.path() + QStringLiteral("/./sub/./clip.mp4")));
    const QString link = dir.file(QStringLiteral("link.mp4"));
    ASSERT_TRUE(QFile::link(file, link));
    EXPECT_TRUE(IsSameFile(link, file));
    const QString dirLink = dir.file(QStringLiteral("dirlink"));
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("sub")), dirLink));
    EXPECT_TRUE(IsSameFile(dirLink + QStringLiteral("/clip.mp4"), file));
    const QString hardLink = dir.file(QStringLiteral("hard.mp4"));
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(hardLink).constData()),
              0);
    EXPECT_TRUE(IsSameFile(hardLink, file));

    EXPECT_FALSE(IsSameFile(file, other));
    EXPECT_FALSE(IsSameFile(file, dir.file(QStringLiteral("sub/missing.mp4"))));
    EXPECT_FALSE(
        IsSameFile(dir.file(QStringLiteral("missing")), dir.file(QStringLiteral("missing"))));
}

TEST(FileKinds, OnlyRegularFilesAreWritten)
{
    TempDir dir;
    const QString file = dir.write(QStringLiteral("clip.avi"), "x");
    const QString pipe = dir.file(QStringLiteral("pipe.avi"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString zero = dir.file(QStringLiteral("zero.mpg"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    EXPECT_FALSE(IsOtherThanRegularFile(file));
    EXPECT_FALSE(IsOtherThanRegularFile(dir.file(QStringLiteral("missing.avi"))));
    EXPECT_TRUE(IsOtherThanRegularFile(pipe));
    EXPECT_TRUE(IsOtherThanRegularFile(zero));
    EXPECT_TRUE(IsOtherThanRegularFile(dir.path()));
}

TEST(FreeName, FirstNumberNeitherOnDiskNorTaken)
{
    TempDir dir;
    dir.write(QStringLiteral("clip (1).mp4"), "x");
    const QString taken = dir.file(QStringLiteral("clip (2).mp4"));
    EXPECT_EQ(FreeName(dir.file(QStringLiteral("clip.mp4")),
                       [&](const QString &path) { return path == taken; }),
              dir.file(QStringLiteral("clip (3).mp4")));
    EXPECT_EQ(FreeName(dir.file(QStringLiteral("notes")), {}),
              dir.file(QStringLiteral("notes (1)")));
}

TEST(TemporaryOutput, HiddenBesideTheTargetWithItsExtensionAndRenamedOverIt)
{
    TempDir dir;
    const QString target = dir.write(QStringLiteral("clip.mp4"), "old");
    QString error;
    CTemporaryOutputLock lockA, lockB;
    const std::optional<QString> a = CreateTemporaryOutput(target, error, lockA);
    const std::optional<QString> b = CreateTemporaryOutput(target, error, lockB);
    ASSERT_TRUE(a && b);
    EXPECT_NE(*a, *b);
    EXPECT_EQ(QFileInfo(*a).path(), dir.path());
    EXPECT_TRUE(QFileInfo(*a).fileName().startsWith(QStringLiteral(".clip.")));
    EXPECT_TRUE(a->endsWith(QStringLiteral(".part.mp4")));
    EXPECT_EQ(QFileInfo(*a).size(), 0);

    QFile out(*a);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("new");
    out.close();
    QString committed = target;
    EXPECT_EQ(CommitOutput(*a, committed, true), QString());
    EXPECT_EQ(committed, target);
    EXPECT_EQ(dir.read(QStringLiteral("clip.mp4")), "new");
    EXPECT_FALSE(QFileInfo::exists(*a));

    CTemporaryOutputLock lock;
    EXPECT_FALSE(CreateTemporaryOutput(dir.file(QStringLiteral("gone/clip.mp4")), error, lock));
    EXPECT_FALSE(error.isEmpty());
}

TEST(TemporaryOutput, ANameTheFileSystemTakesGetsATemporaryNameItTakesToo)
{
    TempDir dir;
    for (const int length : {243, 255}) {
        const QString name = QString(length - 4, QChar(u'n')) + QStringLiteral(".mp4");
        const QString target = dir.file(name);
        QString error;
        CTemporaryOutputLock lock;
        const std::optional<QString> temporary = CreateTemporaryOutput(target, error, lock);
        ASSERT_TRUE(temporary) << length << ": " << error.toStdString();
        const QString temporaryName = QFileInfo(*temporary).fileName();
        EXPECT_LE(QFile::encodeName(temporaryName).size(), 255);
        EXPECT_TRUE(temporaryName.startsWith(QStringLiteral(".nnn")));
        EXPECT_TRUE(temporaryName.endsWith(QStringLiteral(".part.mp4")));
        QString committed = target;
        EXPECT_EQ(CommitOutput(*temporary, committed, false), QString());
        EXPECT_TRUE(QFileInfo::exists(target));
    }
}

TEST(TemporaryOutput, LeftoversOfCopiesThatNoLongerRunGoAndThoseBeingWrittenStay)
{
    TempDir dir;
    QString error;
    CTemporaryOutputLock liveLock;
    const std::optional<QString> live = CreateTemporaryOutput(dir.file(QStringLiteral("a.mp4")),
                                                              error, liveLock);
    ASSERT_TRUE(live);
    // A copy killed while writing: its file is there, and its lock went with its process.
    const QString stale = dir.write(QStringLiteral(".b.k3x9q2.part.mkv"), "partial");
    const QString other = dir.write(QStringLiteral(".notes.part"), "not ours");
    {
        CTemporaryOutputLock lock;
        ASSERT_TRUE(CreateTemporaryOutput(dir.file(QStringLiteral("c.mp4")), error, lock));
        EXPECT_FALSE(QFileInfo::exists(stale));
        EXPECT_TRUE(QFileInfo::exists(*live));
        EXPECT_TRUE(QFileInfo::exists(other));
    }
    // Once its writer lets go, a temporary output is a leftover like any other.
    liveLock.Release();
    EXPECT_EQ(RemoveStaleTemporaryOutputs(dir.path()), 2);
    EXPECT_FALSE(QFileInfo::exists(*live));
}

TEST(CommitOutput, NeverReplacesAFileThatWasNotAgreedTo)
{
    TempDir dir;
    const QString target = dir.file(QStringLiteral("clip.mp4"));
    QString error;
    CTemporaryOutputLock lock;
    const std::optional<QString> temporary = CreateTemporaryOutput(target, error, lock);
    ASSERT_TRUE(temporary);
    dir.write(QStringLiteral("clip.mp4"), "another copy's");
    QString committed = target;
    EXPECT_EQ(CommitOutput(*temporary, committed, false), QString());
    EXPECT_EQ(committed, dir.file(QStringLiteral("clip (1).mp4")));
    EXPECT_EQ(dir.read(QStringLiteral("clip.mp4")), "another copy's");
    EXPECT_TRUE(QFileInfo::exists(committed));
    EXPECT_FALSE(QFileInfo::exists(*temporary));
}
