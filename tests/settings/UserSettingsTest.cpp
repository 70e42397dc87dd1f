// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/UserSettings.h"

#include "tests/support/TempDir.h"

#include <QDateTime>
#include <QDir>

namespace {
QStringList entries(const TempDir &dir)
{
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}
}   // namespace

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
