// SPDX-License-Identifier: GPL-3.0-or-later
#include "UserSettings.h"

#include "TempDir.h"

#include <QDateTime>
#include <QDir>

namespace {
QStringList entries(const TempDir &dir)
{
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}
} // namespace

// The check is tried on the real file system. Permission bits do not stop root (the tests run as
// root in CI), so the unwritable cases are ones that stop root too: a folder in /proc, and a
// "folder" that is a regular file.
TEST(CanReplaceFile, TriesTheFolderAndTheFileForRealAndChangesNothing)
{
    TempDir dir;
    const QString ini = dir.write(QStringLiteral("Formats.ini"), "[genral]\n");
    const QDateTime modified = QFileInfo(ini).lastModified();

    EXPECT_TRUE(CanReplaceFile(ini));
    EXPECT_TRUE(CanReplaceFile(dir.file(QStringLiteral("new.ini"))));
    EXPECT_EQ(entries(dir), QStringList{QStringLiteral("Formats.ini")});
    EXPECT_EQ(dir.read(QStringLiteral("Formats.ini")), "[genral]\n");
    EXPECT_EQ(QFileInfo(ini).lastModified(), modified);

    EXPECT_FALSE(CanReplaceFile(QStringLiteral("/proc/Formats.ini")));
    EXPECT_FALSE(CanReplaceFile(ini + QStringLiteral("/Formats.ini")));
}

TEST(CUserSettingsHome, FollowsXdgConfigHomeAndFallsBackToDotConfig)
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QString dotConfig = QDir::homePath() + QStringLiteral("/.config/Movarin/Formats.ini");

    qputenv("XDG_CONFIG_HOME", "/srv/u/cfg/");
    const CUserSettingsHome set = CUserSettingsHome::FromEnvironment();
    EXPECT_EQ(set.UserFile(QStringLiteral("Formats.ini")),
              QStringLiteral("/srv/u/cfg/Movarin/Formats.ini"));
    EXPECT_FALSE(set.videosFolder.isEmpty());
    ASSERT_TRUE(set.canWrite);
    // A relative value is not a base directory and is ignored, as is an unset one.
    qputenv("XDG_CONFIG_HOME", "cfg");
    EXPECT_EQ(CUserSettingsHome::FromEnvironment().UserFile(QStringLiteral("Formats.ini")), dotConfig);
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(CUserSettingsHome::FromEnvironment().UserFile(QStringLiteral("Formats.ini")), dotConfig);

    if (wasSet)
        qputenv("XDG_CONFIG_HOME", saved);
}
