// SPDX-License-Identifier: GPL-3.0-or-later
// An installed copy: the user's own Formats.ini over the shipped one, and the write at exit.
#include "DlgFixture.h"

#include <QDir>

namespace {

class UserSettingsTest : public DlgFixture
{
protected:
    TempDir user;   // the user's home: config and videos folders

    // The program folder is read-only to this process (said by the check, as permission bits do
    // not hold for root); everything else is writable.
    void installedCopy(const QString &configHome)
    {
        home = CUserSettingsHome{configHome, user.file(QStringLiteral("Videos")),
                                 [this](const QString &path) {
                                     return !path.startsWith(dir.dirWithSlash());
                                 }};
    }
    QString userIni() const { return user.file(QStringLiteral("config/Movarin/Formats.ini")); }
};

}   // namespace

TEST_F(UserSettingsTest, AReadOnlyProgramFolderRemembersTheOutputFolderThroughTheUsersFile)
{
    const QByteArray shipped = catalogue() + "; shipped\n";
    dir.write(QStringLiteral("Formats.ini"), shipped);
    installedCopy(user.file(QStringLiteral("config")));

    // First start: nothing of the user's yet; the default folder is in the user's videos folder,
    // made only when a file is written into it, and nothing is made in the program folder.
    CConverterDlg &first = start();
    const QString videos = user.file(QStringLiteral("Videos/Converted Videos"));
    EXPECT_TRUE(writes.contains(QStringLiteral("_root.path=") + videos));
    EXPECT_FALSE(QDir(videos).exists());
    EXPECT_FALSE(QDir(dir.file(QStringLiteral("Converted Videos"))).exists());
    EXPECT_FALSE(QFile::exists(userIni()));

    const QString chosen = user.file(QStringLiteral("out"));
    dialogs.folderAnswers.enqueue(chosen);
    first.OnFSCommand(QStringLiteral("IDC_FS_BROWSE"), QString());

    // The exit writes the user's file, made with its folder; the shipped file is untouched.
    first.show();
    first.close();
    writes.clear();
    start();
    EXPECT_EQ(user.read(QStringLiteral("config/Movarin/Formats.ini")),
              "[genral]\nOutputPath=" + chosen.toUtf8() + '\n');
    EXPECT_EQ(dir.read(QStringLiteral("Formats.ini")), shipped);
    EXPECT_TRUE(dialogs.boxes.isEmpty()) << dialogs.boxTexts().join(u'|').toStdString();

    // Second start: the folder comes from the user's file, every list from the shipped one.
    EXPECT_TRUE(writes.contains(QStringLiteral("_root.path=") + chosen));
    EXPECT_TRUE(writes.contains(QStringLiteral("_root.convertToStr=.mp4|.avi|.webm")));
    EXPECT_TRUE(writes.contains(QStringLiteral("_root.containerStr=mp4|mov")));
}

TEST_F(UserSettingsTest, AnUnwritableUserFileIsNamedOnceAtExit)
{
    dir.write(QStringLiteral("Formats.ini"), catalogue());
    // A config home that is a file: no folder can be made in it, for root as well.
    const QString notAFolder = user.write(QStringLiteral("config"), "x");
    installedCopy(notAFolder);
    CConverterDlg &w = start();
    w.show();
    w.close();
    w.done(QDialog::Rejected);   // a second end of the window says nothing more
    ASSERT_EQ(dialogs.boxes.size(), 1);
    const FakeDialogs::Box &box = dialogs.boxes.constFirst();
    EXPECT_EQ(box.text, QStringLiteral("The output folder could not be remembered: %1 cannot be "
                                       "written.")
                            .arg(notAFolder + QStringLiteral("/Movarin/Formats.ini")));
    EXPECT_EQ(box.caption, QStringLiteral("Movarin"));
    EXPECT_EQ(box.buttons, IDialogs::Buttons::Ok);
    EXPECT_EQ(box.owner, &w);
}
