// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/CIniFile.h"

#include "tests/support/TempDir.h"

#include <QCoreApplication>
#include <QFileInfo>

TEST(CIniFile, StartsWithTheIniNamedAfterTheExecutableAndTheApplicationSection)
{
    const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    CIniFile given(QStringLiteral("/opt/movarin/"));
    EXPECT_EQ(given.path(), QStringLiteral("/opt/movarin/") + exe + QStringLiteral(".ini"));
    EXPECT_EQ(given.section(), QCoreApplication::applicationName());

    CIniFile running;
    EXPECT_EQ(running.path(), QCoreApplication::applicationDirPath() + QLatin1Char('/') + exe
                                  + QStringLiteral(".ini"));
}

TEST(CIniFile, SetPathTakesRelativeNamesBesideTheExecutableAsWritten)
{
    CIniFile ini(QStringLiteral("/opt/movarin/"));
    ini.SetPath(QStringLiteral("Formats.ini"));
    EXPECT_EQ(ini.path(), QStringLiteral("/opt/movarin/Formats.ini"));
    ini.SetPath(QStringLiteral("sub/x.ini"));
    EXPECT_EQ(ini.path(), QStringLiteral("/opt/movarin/sub/x.ini"));
    ini.SetPath(QStringLiteral("../etc/./x.ini"));
    EXPECT_EQ(ini.path(), QStringLiteral("/opt/movarin/../etc/./x.ini"));
    ini.SetPath(QStringLiteral("/etc/movarin/Formats.ini"));
    EXPECT_EQ(ini.path(), QStringLiteral("/etc/movarin/Formats.ini"));
    ini.SetPath(QStringLiteral("//srv/share/x.ini"));
    EXPECT_EQ(ini.path(), QStringLiteral("//srv/share/x.ini"));

    CIniFile root(QStringLiteral("/"));
    root.SetPath(QStringLiteral("Formats.ini"));
    EXPECT_EQ(root.path(), QStringLiteral("/Formats.ini"));
}

TEST(CIniFile, AGivenSectionStaysCurrentForLaterCalls)
{
    TempDir dir;
    dir.write(QStringLiteral("Formats.ini"),
              "[genral]\nExtentions=.mp4|.avi\n[muxer]\n.mp4=mp4\n.avi=avi\n");
    CIniFile ini(dir.dirWithSlash());
    ini.SetPath(QStringLiteral("Formats.ini"));

    EXPECT_EQ(ini.GetString(QStringLiteral(".mp4"), std::nullopt, QStringLiteral("muxer")),
              QStringLiteral("mp4"));
    EXPECT_EQ(ini.section(), QStringLiteral("muxer"));
    EXPECT_EQ(ini.GetString(QStringLiteral(".avi")), QStringLiteral("avi"));
    EXPECT_EQ(ini.GetString(QStringLiteral("Extentions")), QString());

    // A write names its section the same way, and the next read stays there.
    ini.WriteString(QStringLiteral("OutputPath"), QStringLiteral("/srv/out"),
                    QStringLiteral("genral"));
    EXPECT_EQ(ini.GetString(QStringLiteral("Extentions")), QStringLiteral(".mp4|.avi"));
    ini.WriteString(QStringLiteral("OutputPath"), QStringLiteral("/srv/other"));
    EXPECT_EQ(dir.read(QStringLiteral("Formats.ini")),
              QByteArray("[genral]\nExtentions=.mp4|.avi\nOutputPath=/srv/other\n"
                         "[muxer]\n.mp4=mp4\n.avi=avi\n"));
}

TEST(CIniFile, MissingValuesGiveTheDefaultOrEmptyText)
{
    TempDir dir;
    CIniFile ini(dir.dirWithSlash());
    ini.SetPath(QStringLiteral("Formats.ini"));
    const QString fallback = dir.dirWithSlash() + QStringLiteral("Converted Videos");

    // First start: no file at all.
    EXPECT_EQ(ini.GetString(QStringLiteral("OutputPath"), fallback, QStringLiteral("genral")),
              fallback);
    EXPECT_EQ(ini.GetString(QStringLiteral("OutputPath")), QString());

    // Closing the window creates the file with just this one entry.
    EXPECT_TRUE(ini.WriteString(QStringLiteral("OutputPath"), fallback, QStringLiteral("genral")));
    EXPECT_EQ(dir.read(QStringLiteral("Formats.ini")),
              "[genral]\nOutputPath=" + fallback.toUtf8() + '\n');

    dir.write(QStringLiteral("Formats.ini"), "[genral]\nOutputPath=\n");
    EXPECT_EQ(ini.GetString(QStringLiteral("OutputPath"), fallback), QString());
}

TEST(CIniFile, ALongOutputPathReadsBackWhole)
{
    TempDir dir;
    const QString longPath = QStringLiteral("/") + QString(299, QChar(0x00FC));
    CIniFile ini(dir.dirWithSlash());
    ini.SetPath(QStringLiteral("Formats.ini"));
    ASSERT_TRUE(ini.WriteString(QStringLiteral("OutputPath"), longPath, QStringLiteral("genral")));
    EXPECT_EQ(ini.GetString(QStringLiteral("OutputPath"), QString(), QStringLiteral("genral")),
              longPath);
}

TEST(CIniFile, TheUsersFileLiesOverTheShippedOneKeyByKeyAndTakesEveryWrite)
{
    TempDir dir;
    const QByteArray shipped = "[genral]\nExtentions=.mp4|.avi\nOutputPath=/shipped\n"
                               "[muxer]\n.mp4=mp4\n.avi=avi\n";
    dir.write(QStringLiteral("prog/Formats.ini"), shipped);
    const QString userFile = dir.file(QStringLiteral("config/Movarin/Formats.ini"));
    CIniFile ini(dir.file(QStringLiteral("prog")));
    ini.SetPath(QStringLiteral("Formats.ini"));
    ini.SetUserPath(userFile);
    EXPECT_EQ(ini.writePath(), userFile);

    // No user's file yet: everything from the shipped one.
    EXPECT_EQ(ini.GetString(QStringLiteral("OutputPath"), QStringLiteral("/def"),
                            QStringLiteral("genral")),
              QStringLiteral("/shipped"));

    // The first write makes the user's file and its folders; the shipped file keeps its bytes.
    EXPECT_TRUE(ini.WriteString(QStringLiteral("OutputPath"), QStringLiteral("/mine")));
    EXPECT_EQ(dir.read(QStringLiteral("config/Movarin/Formats.ini")),
              "[genral]\nOutputPath=/mine\n");
    EXPECT_EQ(dir.read(QStringLiteral("prog/Formats.ini")), shipped);

    // A key the user's file holds wins, even when empty; any other comes from the shipped file;
    // a key neither holds gives the default.
    dir.write(QStringLiteral("config/Movarin/Formats.ini"),
              "[genral]\nOutputPath=/mine\n[MUXER]\n.avi=\n");
    EXPECT_EQ(ini.GetString(QStringLiteral("OutputPath")), QStringLiteral("/mine"));
    EXPECT_EQ(ini.GetString(QStringLiteral("Extentions")), QStringLiteral(".mp4|.avi"));
    EXPECT_EQ(ini.GetString(QStringLiteral(".avi"), QStringLiteral("x"), QStringLiteral("muxer")),
              QString());
    EXPECT_EQ(ini.GetString(QStringLiteral(".mp4")), QStringLiteral("mp4"));
    EXPECT_EQ(ini.GetString(QStringLiteral(".mkv"), QStringLiteral("x")), QStringLiteral("x"));

    // Without the overlay the shipped file is read and written alone again.
    ini.SetUserPath(QString());
    EXPECT_EQ(ini.GetString(QStringLiteral(".avi")), QStringLiteral("avi"));
    EXPECT_EQ(ini.writePath(), ini.path());
}
