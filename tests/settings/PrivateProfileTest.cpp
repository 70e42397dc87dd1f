// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PrivateProfile.h"

#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using PrivateProfile::readString;
using PrivateProfile::writeString;

namespace {

QString read(const QString &path, const char *section, const char *key,
             const QString &def = QStringLiteral("<default>"))
{
    return readString(path, QString::fromUtf8(section), QString::fromUtf8(key), def);
}

bool write(const QString &path, const char *section, const char *key, const QString &value)
{
    return writeString(path, QString::fromUtf8(section), QString::fromUtf8(key), value);
}

QStringList entries(const TempDir &dir)
{
    QStringList names
        = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

// Runs fn where file permissions apply. Root ignores them, so as root fn runs in a child process
// that has given up its privileges.
std::optional<bool> runUnprivileged(const std::function<bool()> &fn)
{
    if (geteuid() != 0)
        return fn();
    const pid_t pid = fork();
    if (pid < 0)
        return std::nullopt;
    if (pid == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        _exit(fn() ? 1 : 0);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) > 1)
        return std::nullopt;
    return WEXITSTATUS(status) == 1;
}

// A catalogue as people edit it by hand: BOM, CRLF, comments, odd spacing, quotes, duplicates.
const QByteArray HandEdited = "\xEF\xBB\xBF"
                              "stray=before any section\r\n"
                              "; Movarin formats\r\n"
                              "[Genral]   ; trailing note\r\n"
                              "  Extentions  =  .mp4|.avi  \r\n"
                              "# a hash comment = not a key\r\n"
                              "OutputPath=\"  /home/u/My Videos  \"\r\n"
                              "half=\"open\r\n"
                              "inner=a\"b\"\r\n"
                              "empty=\r\n"
                              "no equals sign here\r\n"
                              "dup=first\r\n"
                              "DUP=second\r\n"
                              "\r\n"
                              "[muxer]\r\n"
                              ".mp4=mp4\r\n"
                              "[genral]\r\n"
                              "Extentions=ignored, only the first section counts\r\n"
                              "late=ignored too\r\n"
                              "[  spaced  ]\r\n"
                              "k=v";

}   // namespace

TEST(PrivateProfileRead, HandEditedFileReadsLikeTheClassicFunctions)
{
    TempDir dir;
    const QString ini = dir.write(QStringLiteral("Formats.ini"), HandEdited);

    EXPECT_EQ(read(ini, "genral", "Extentions"), QStringLiteral(".mp4|.avi"));
    EXPECT_EQ(read(ini, "GENRAL", "extentions"), QStringLiteral(".mp4|.avi"));
    EXPECT_EQ(read(ini, "genral", "OutputPath"), QStringLiteral("  /home/u/My Videos  "));
    EXPECT_EQ(read(ini, "genral", "half"), QStringLiteral("\"open"));
    EXPECT_EQ(read(ini, "genral", "inner"), QStringLiteral("a\"b\""));
    EXPECT_EQ(read(ini, "genral", "empty"), QString());
    EXPECT_EQ(read(ini, "genral", "dup"), QStringLiteral("first"));
    EXPECT_EQ(read(ini, "muxer", ".MP4"), QStringLiteral("mp4"));
    EXPECT_EQ(read(ini, "spaced", "k"), QStringLiteral("v"));

    // Not keys: text before the first section, comments, lines without '=', later duplicates.
    EXPECT_EQ(read(ini, "", "stray"), QStringLiteral("<default>"));
    EXPECT_EQ(read(ini, "genral", "# a hash comment"), QStringLiteral("<default>"));
    EXPECT_EQ(read(ini, "genral", "no equals sign here"), QStringLiteral("<default>"));
    EXPECT_EQ(read(ini, "genral", "late"), QStringLiteral("<default>"));
}

TEST(PrivateProfileRead, MissingFileSectionOrKeyGivesTheDefault)
{
    TempDir dir;
    const QString ini = dir.write(QStringLiteral("a.ini"), "[AC]\nmp4=mp4a\n");
    EXPECT_EQ(read(dir.file(QStringLiteral("none.ini")), "AC", "mp4"), QStringLiteral("<default>"));
    EXPECT_EQ(read(ini, "VC", "mp4"), QStringLiteral("<default>"));
    EXPECT_EQ(read(ini, "AC", "ts"), QStringLiteral("<default>"));
    EXPECT_EQ(read(ini, "AC", "ts", QString()), QString());
    EXPECT_EQ(read(dir.path(), "AC", "mp4"), QStringLiteral("<default>"));   // a folder
}

TEST(PrivateProfileRead, LongValuesAreReadWhole)
{
    TempDir dir;
    const QString v1 = QString(254, QLatin1Char('a'))
                       + QString::fromUtf8("\xE2\x82\xAC\xF0\x9F\x98\x80")
                       + QString(40, QChar(0x00E9));
    const QString ascii300(300, QLatin1Char('x'));
    const QString ini = dir.write(QStringLiteral("long.ini"),
                                  "[genral]\nv1=" + v1.toUtf8() + "\nquoted=\"" + ascii300.toUtf8()
                                      + "\"\nascii=" + ascii300.toUtf8() + "\n");

    EXPECT_EQ(read(ini, "genral", "v1"), v1);
    EXPECT_EQ(read(ini, "genral", "quoted"), ascii300);
    EXPECT_EQ(read(ini, "genral", "ascii"), ascii300);
}

TEST(PrivateProfileWrite, ChangesOnlyItsOneLineAndKeepsEveryOtherByte)
{
    TempDir dir;
    const QString ini = dir.write(QStringLiteral("Formats.ini"), HandEdited);

    ASSERT_TRUE(write(ini, "GENRAL", "outputpath", QStringLiteral("/srv/out")));
    QByteArray expected = HandEdited;
    expected.replace("OutputPath=\"  /home/u/My Videos  \"\r\n", "outputpath=/srv/out\r\n");
    EXPECT_EQ(dir.read(QStringLiteral("Formats.ini")), expected);

    // Of duplicates, the first key is the one changed; the last line keeps its missing line end.
    ASSERT_TRUE(write(ini, "genral", "Dup", QStringLiteral("changed")));
    ASSERT_TRUE(write(ini, "spaced", "k", QStringLiteral("w")));
    expected.replace("dup=first\r\n", "Dup=changed\r\n");
    expected.replace("\r\nk=v", "\r\nk=w");
    EXPECT_EQ(dir.read(QStringLiteral("Formats.ini")), expected);
    EXPECT_EQ(read(ini, "genral", "dup"), QStringLiteral("changed"));
}

TEST(PrivateProfileWrite, AddsAMissingKeyAfterTheSectionsLastEntryInTheFilesLineEnds)
{
    TempDir dir;
    const QByteArray crlf
        = "[genral]\r\nExtentions=.mp4\r\n\r\n; muxers\r\n[muxer]\r\n.mp4=mp4\r\n";
    const QString a = dir.write(QStringLiteral("crlf.ini"), crlf);
    ASSERT_TRUE(write(a, "genral", "OutputPath", QStringLiteral("/x")));
    EXPECT_EQ(dir.read(QStringLiteral("crlf.ini")),
              QByteArray("[genral]\r\nExtentions=.mp4\r\nOutputPath=/x\r\n\r\n; muxers\r\n"
                         "[muxer]\r\n.mp4=mp4\r\n"));

    // An empty section gets the key right below its header; a last line without a line end
    // gets one before the new line.
    const QString b = dir.write(QStringLiteral("lf.ini"), "[VC]\n\n[AC]\nmp4=mp4a");
    ASSERT_TRUE(write(b, "vc", "mp4", QStringLiteral("h264")));
    ASSERT_TRUE(write(b, "AC", "ts", QStringLiteral("mpga")));
    EXPECT_EQ(dir.read(QStringLiteral("lf.ini")),
              QByteArray("[VC]\nmp4=h264\n\n[AC]\nmp4=mp4a\nts=mpga"));
}

TEST(PrivateProfileWrite, AppendsAMissingSectionAndCreatesAMissingFile)
{
    TempDir dir;
    const QString a = dir.write(QStringLiteral("a.ini"), "\xEF\xBB\xBF[muxer]\r\n.avi=avi");
    ASSERT_TRUE(write(a, "genral", "OutputPath", QStringLiteral("/x")));
    EXPECT_EQ(dir.read(QStringLiteral("a.ini")),
              QByteArray("\xEF\xBB\xBF[muxer]\r\n.avi=avi\r\n[genral]\r\nOutputPath=/x\r\n"));

    const QString fresh = dir.file(QStringLiteral("Formats.ini"));
    ASSERT_TRUE(write(fresh, "genral", "OutputPath", QStringLiteral("/home/u/Converted Videos")));
    EXPECT_EQ(dir.read(QStringLiteral("Formats.ini")),
              QByteArray("[genral]\nOutputPath=/home/u/Converted Videos\n"));
    EXPECT_EQ(entries(dir), QStringList({QStringLiteral("Formats.ini"), QStringLiteral("a.ini")}));
}

TEST(PrivateProfileWrite, ValuesReadBackAsWritten)
{
    TempDir dir;
    const QString ini = dir.file(QStringLiteral("v.ini"));
    const QStringList values = {
        QStringLiteral("  padded folder  "),
        QStringLiteral("\"quoted\""),
        QStringLiteral("\""),
        QString::fromUtf8("/home/\xC3\xBC/\xE2\x82\xAC \xF0\x9F\x98\x80"),
        QStringLiteral("a=b;c#d"),
        QString(),
    };
    for (const QString &v : values) {
        ASSERT_TRUE(write(ini, "genral", "OutputPath", v));
        EXPECT_EQ(read(ini, "genral", "OutputPath"), v);
    }
    // Long values are stored and read back whole.
    const QString long300(300, QLatin1Char('z'));
    ASSERT_TRUE(write(ini, "genral", "OutputPath", long300));
    EXPECT_TRUE(dir.read(QStringLiteral("v.ini")).contains(long300.toUtf8()));
    EXPECT_EQ(read(ini, "genral", "OutputPath"), long300);
}

TEST(PrivateProfileWrite, RefusesTextThatWouldAddOrMisreadLines)
{
    TempDir dir;
    const QByteArray before = "[genral]\nOutputPath=/x\n";
    const QString ini = dir.write(QStringLiteral("f.ini"), before);
    EXPECT_FALSE(write(ini, "genral", "OutputPath", QStringLiteral("/a\n[muxer]\n.mp4=evil")));
    EXPECT_FALSE(write(ini, "genral", "OutputPath", QStringLiteral("/a\rb")));
    EXPECT_FALSE(write(ini, "gen]ral", "OutputPath", QStringLiteral("/y")));
    EXPECT_FALSE(write(ini, "genral", "Output=Path", QStringLiteral("/y")));
    EXPECT_FALSE(write(ini, "genral", "; OutputPath", QStringLiteral("/y")));
    EXPECT_FALSE(write(ini, "genral", "", QStringLiteral("/y")));
    EXPECT_EQ(dir.read(QStringLiteral("f.ini")), before);
}

TEST(PrivateProfileWrite, FailedWriteLeavesTheFileUnchangedAndNoTemporaryFile)
{
    TempDir dir;
    const QByteArray before = "[genral]\r\nOutputPath=/x\r\n";
    const QString ini = dir.write(QStringLiteral("Formats.ini"), before);
    const QString sub = dir.file(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(sub));
    const QString inLocked = sub + QStringLiteral("/Formats.ini");
    {
        QFile f(inLocked);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(before);
    }
    const auto rx = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                    | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    const auto rw = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                    | QFileDevice::ReadOther;
    const auto all = rx | QFileDevice::WriteOwner | QFileDevice::WriteGroup
                     | QFileDevice::WriteOther;

    // A read-only folder, and a read-only file in a folder anyone may write to.
    ASSERT_TRUE(QFile::setPermissions(inLocked, rw));
    ASSERT_TRUE(QFile::setPermissions(sub, rx));
    ASSERT_TRUE(QFile::setPermissions(dir.path(), all));
    ASSERT_TRUE(QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::ReadGroup
                                               | QFileDevice::ReadOther));
    const std::optional<bool> lockedFolder = runUnprivileged(
        [&] { return write(inLocked, "genral", "OutputPath", QStringLiteral("/y")); });
    const std::optional<bool> readOnlyFile = runUnprivileged(
        [&] { return write(ini, "genral", "OutputPath", QStringLiteral("/y")); });
    const std::optional<bool> newInLocked = runUnprivileged(
        [&] { return write(sub + QStringLiteral("/new.ini"), "a", "b", QStringLiteral("c")); });
    QFile::setPermissions(sub, rx | QFileDevice::WriteOwner);
    QFile::setPermissions(dir.path(), rx | QFileDevice::WriteOwner);
    QFile::setPermissions(ini, rw);

    if (!lockedFolder || !readOnlyFile || !newInLocked)
        GTEST_SKIP() << "cannot give up root privileges here";
    EXPECT_FALSE(*lockedFolder);
    EXPECT_FALSE(*readOnlyFile);
    EXPECT_FALSE(*newInLocked);
    EXPECT_EQ(dir.read(QStringLiteral("locked/Formats.ini")), before);
    EXPECT_EQ(dir.read(QStringLiteral("Formats.ini")), before);
    EXPECT_EQ(QDir(sub).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("Formats.ini")});
    EXPECT_EQ(entries(dir), QStringList({QStringLiteral("Formats.ini"), QStringLiteral("locked")}));
}

TEST(PrivateProfileWrite, FullDiskLeavesTheFileUnchangedAndNoTemporaryFile)
{
    TempDir dir;
    const QByteArray before = "[genral]\nOutputPath=/x\n";
    const QString ini = dir.write(QStringLiteral("Formats.ini"), before);

    // A file size limit fails the write the way a full disk does, for root as well.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = write(ini, "genral", "OutputPath", QString(200, QLatin1Char('y')));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(dir.read(QStringLiteral("Formats.ini")), before);
    EXPECT_EQ(entries(dir), QStringList{QStringLiteral("Formats.ini")});
}

TEST(PrivateProfileWrite, KeepsTheFilesPermissions)
{
    TempDir dir;
    const QString ini = dir.write(QStringLiteral("Formats.ini"), "[genral]\n");
    const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(ini, mode));
    ASSERT_TRUE(write(ini, "genral", "OutputPath", QStringLiteral("/x")));
    EXPECT_EQ(QFile::permissions(ini)
                  & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser),
              mode);
}
