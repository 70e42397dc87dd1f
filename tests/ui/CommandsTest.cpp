// SPDX-License-Identifier: GPL-3.0-or-later
// The UI commands the movie raises, as the host handles them.
#include "DlgFixture.h"

#include <QDir>
#include <QSignalSpy>

class CommandsTest : public DlgFixture
{
protected:
    void SetUp() override
    {
        dir.write(QStringLiteral("Formats.ini"), catalogue());
        start();
        writes.clear();
    }
    void send(const char *command, const QString &argument = QString())
    {
        dlg->OnFSCommand(QString::fromLatin1(command), argument);
    }
};

TEST_F(CommandsTest, CommandsMatchWithoutRegardToCaseButHyphensAndSpellingsCount)
{
    send("id-fs-VIDEOBITRATE", QStringLiteral(" 2000 kbit "));
    send("ID-FS-audioChannnel", QStringLiteral("1"));

    send("ID_FS_videoBitrate", QStringLiteral("1"));   // underscores in place of hyphens
    send("ID-FS-audioChannel", QStringLiteral("6"));   // two n
    send("IDC_FS_CONVERTWINDOW");
    send("IDC_FS_NOSUCHTHING");
    send("");
    EXPECT_TRUE(writes.isEmpty());
    EXPECT_TRUE(dialogs.boxes.isEmpty());
    // Handed on untouched: the check before a run names the value as it came.
    EXPECT_TRUE(optionOfARun().startsWith(
        "The video bit rate \" 2000 kbit \" (from the video bit rate setting) is not valid"));
    send("ID-FS-videoBitrate", QStringLiteral("2000"));
    EXPECT_TRUE(
        optionOfARun().startsWith(":sout=#transcode{vcodec=h264,vb=2000,scale=1,acodec=mp4a,"
                                  "ab=128,channels=1,deinterlace}"));

    send("iD-fS-VideoCodec", QString());
    EXPECT_TRUE(optionOfARun().startsWith(
        "The video codec \"\" (from the video codec setting) is not valid"));
    send("ID-FS-videoScale", QStringLiteral("0.5"));
    send("ID-FS-audioCodec", QStringLiteral("mp3"));
    send("ID-FS-audioBitrate", QStringLiteral("192"));
    EXPECT_TRUE(writes.isEmpty());
    send("ID-FS-videoCodec", QStringLiteral("mp4v"));
    EXPECT_TRUE(optionOfARun().startsWith(":sout=#transcode{vcodec=mp4v,vb=2000,scale=0.5,"
                                          "acodec=mp3,ab=192,channels=1,deinterlace}"));
}

TEST_F(CommandsTest, ChoosingATargetReloadsItsMuxersAndCodecsAndKeepsTheRates)
{
    send("ID-FS-videoBitrate", QStringLiteral("3000"));
    send("ID-FS-convertTo", QStringLiteral(".AVI"));   // keys compare without regard to case
    EXPECT_EQ(writes, QStringList({"_root.containerStr=avi", "_root.containerFlag=1",
                                   "_root.videoCodecStr=mp4v|DIV3", "_root.videoCodecFlag=1",
                                   "_root.audioCodecStr=mpga", "_root.audioCodecFlag=1"}));
    // The target as the movie spelled it names the output; the list's first muxer and codecs
    // and the rates go into the option.
    const QString option = optionOfARun();
    EXPECT_TRUE(option.startsWith(":sout=#transcode{vcodec=mp4v,vb=3000,scale=1,acodec=mpga,"
                                  "ab=128,channels=2,deinterlace}:std{access=file,mux=avi,"))
        << option.toStdString();
    EXPECT_TRUE(option.endsWith(".part.AVI\"}")) << option.toStdString();

    send("ID-FS-convertTo", QStringLiteral(".webm"));   // listed, but without muxers
    EXPECT_EQ(writes, QStringList({"_root.containerStr=", "_root.containerFlag=1",
                                   "_root.videoCodecStr=", "_root.videoCodecFlag=1",
                                   "_root.audioCodecStr=", "_root.audioCodecFlag=1"}));
    EXPECT_EQ(optionOfARun(), "The muxer \"\" (from Formats.ini, section [muxer], key .webm) is "
                              "not valid: use letters, digits, \"_\" and \"-\" only. Nothing "
                              "was converted.");
}

TEST_F(CommandsTest, ChoosingAMuxerReloadsOnlyItsCodecs)
{
    send("ID-FS-container", QStringLiteral("mov"));
    EXPECT_EQ(writes, QStringList({"_root.videoCodecStr=mp4v", "_root.videoCodecFlag=1",
                                   "_root.audioCodecStr=mp4a", "_root.audioCodecFlag=1"}));
    const QString option = optionOfARun();
    EXPECT_TRUE(option.startsWith(":sout=#transcode{vcodec=mp4v,vb=1024,scale=1,acodec=mp4a,"
                                  "ab=128,channels=2,deinterlace}:std{access=file,mux=mov,"))
        << option.toStdString();
    EXPECT_TRUE(option.endsWith(".part.mp4\"}")) << option.toStdString();

    send("ID-FS-container", QStringLiteral("nothing"));
    EXPECT_EQ(writes, QStringList({"_root.videoCodecStr=", "_root.videoCodecFlag=1",
                                   "_root.audioCodecStr=", "_root.audioCodecFlag=1"}));
    send("ID-FS-videoCodec", QStringLiteral("h264"));
    EXPECT_TRUE(optionOfARun().startsWith(
        "The audio codec \"\" (from Formats.ini, section [AC], key nothing) is not valid"));
    send("ID-FS-audioCodec", QStringLiteral("mp4a"));
    EXPECT_TRUE(optionOfARun().contains(QStringLiteral(":std{access=file,mux=nothing,")));
}

TEST_F(CommandsTest, AddingFilesAppendsNewPathsInOrderAndFollowsTheirFolder)
{
    const QString a = dir.write(QStringLiteral("in/a.avi"), "a");
    const QString b = dir.write(QStringLiteral("in/B.MOV"), "b");
    const QString c = dir.write(QStringLiteral("in/c d.mp4"), "c");
    const QString upper = dir.file(QStringLiteral("in/A.avi"));   // another file on Linux
    queue({b});
    list().SetSel(0, true);

    dialogs.openAnswers.enqueue({a, b, c, upper, QString()});
    send("idc_fs_add");
    EXPECT_EQ(list().GetCount(), 4);
    EXPECT_EQ(list().GetText(0), b);
    EXPECT_EQ(list().GetText(1), a);
    EXPECT_EQ(list().GetText(2), c);
    EXPECT_EQ(list().GetText(3), upper);
    EXPECT_EQ(list().GetSelItems(), QList<int>({0}));
    EXPECT_EQ(QDir::current().absolutePath(), dir.file(QStringLiteral("in")));
    EXPECT_TRUE(writes.isEmpty());

    // The dialog offers the five file types, the first preselected.
    ASSERT_EQ(dialogs.openCalls.size(), 1);
    const QList<IDialogs::FileType> &types = dialogs.openCalls.first();
    ASSERT_EQ(types.size(), 5);
    EXPECT_EQ(types[0].description,
              "All Supported Types (*.mov;*.mp4;*.avi;*.wmv;*.asf;*.mpeg;*.mpg;*.flv;*.3gp;*.m1v;"
              "*.mp2;*.mpge)");
    EXPECT_EQ(types[1].description, "Video Files (*.avi;*.wmv)");
    EXPECT_EQ(types[2].patterns, "*.mpeg;*.mpg;*.m1v;*.mp2");
    EXPECT_EQ(types[3].description, "ASF Files (*.asf)");
    EXPECT_EQ(types[4].patterns, "*.*");

    send("IDC_FS_ADD");   // cancelled
    EXPECT_EQ(list().GetCount(), 4);
}

TEST_F(CommandsTest, ListCommandsEditTheQueue)
{
    queue({"/p", "/q", "/r", "/s", "/t"});
    send("IDC_FS_REMOVE");   // nothing selected
    EXPECT_EQ(list().GetCount(), 5);

    select({1, 3});
    send("IDC_FS_UP");
    EXPECT_EQ(list().GetText(0), "/q");
    EXPECT_EQ(list().GetText(2), "/s");
    send("IDC_FS_DOWN");
    send("IDC_FS_DOWN");
    EXPECT_EQ(list().GetText(2), "/q");
    EXPECT_EQ(list().GetText(4), "/s");
    send("IDC_FS_REMOVE");
    EXPECT_EQ(list().GetCount(), 3);
    send("IDC_FS_REMOVEALL");
    EXPECT_EQ(list().GetCount(), 0);
    send("IDC_FS_REMOVE");   // on an empty list
    EXPECT_EQ(list().GetCount(), 0);
}

TEST_F(CommandsTest, PanelCommandsShowAndHideTheListKeepingItsRows)
{
    queue({"/a", "/b"});
    list().SetSel(1);
    EXPECT_FALSE(list().isVisibleTo(dlg.get()));
    for (const char *hide :
         {"IDC_FS_VIDEOSETTING", "IDC_FS_AUDIOSETTING", "IDC_FS_ABOUT", "ID_FS_Slider2"}) {
        send("ID_FS_Slider");
        EXPECT_TRUE(list().isVisibleTo(dlg.get())) << hide;
        send(hide);
        EXPECT_FALSE(list().isVisibleTo(dlg.get())) << hide;
    }
    send("id_fs_slider");
    EXPECT_EQ(list().GetCount(), 2);
    EXPECT_EQ(list().GetSelItems(), QList<int>({1}));
    EXPECT_TRUE(writes.isEmpty());
}

TEST_F(CommandsTest, BrowseSetsTheFolderOnlyWhenOneIsChosen)
{
    dialogs.folderAnswers.enqueue(QStringLiteral("/media/out put"));
    send("IDC_FS_BROWSE");
    EXPECT_EQ(writes, QStringList({"_root.path=/media/out put"}));
    ASSERT_EQ(dialogs.folderTitles, QStringList({"Select a Destintion Folder."}));
    writes.clear();
    send("IDC_FS_BROWSE");   // cancelled
    EXPECT_TRUE(writes.isEmpty());
    EXPECT_EQ(dialogs.folderTitles.size(), 2);

    // The folder mode stays as it was (outputs beside their source), and the folder chosen
    // first is the one kept.
    EXPECT_TRUE(optionOfARun().contains("url=\"" + dir.path() + "/.run 1."));
    send("IDC_FS_EXIT");
    EXPECT_TRUE(dir.read(QStringLiteral("Formats.ini")).contains("OutputPath=/media/out put"));
}

TEST_F(CommandsTest, FolderModesTakeTheMoviesTextAsItStands)
{
    const QString typed = dir.file(QStringLiteral("typed here"));
    dlg->m_flash.host()->setVariable(QStringLiteral("_root.path"), typed);
    send("IDC_FS_OTHERDIRECTORY");
    EXPECT_TRUE(writes.isEmpty());
    EXPECT_TRUE(optionOfARun().contains("url=\"" + typed + "/.run 1."));

    dlg->m_flash.host()->setVariable(QStringLiteral("_root.path"), QString());
    send("IDC_FS_OTHERDIRECTORY");
    EXPECT_TRUE(writes.isEmpty());
    EXPECT_EQ(optionOfARun(), "Choose a folder for the converted files first.");

    dlg->m_flash.host()->setVariable(QStringLiteral("_root.path"), typed);
    send("IDC_FS_OTHERDIRECTORY");
    send("IDC_FS_SAMEDIRECTORY");
    EXPECT_TRUE(writes.isEmpty());
    EXPECT_TRUE(optionOfARun().contains("url=\"" + dir.path() + "/.run 3."));
    // Beside the source, the typed folder is kept.
    send("IDC_FS_EXIT");
    EXPECT_TRUE(dir.read(QStringLiteral("Formats.ini")).contains("OutputPath=" + typed.toUtf8()));
}

TEST_F(CommandsTest, HelpSupportMinimiseAndExit)
{
    send("IDC_FS_HELP");
    send("IDC_FS_support");
    ASSERT_EQ(shell.opened.size(), 2);
    EXPECT_EQ(shell.opened[0], QUrl::fromLocalFile(dir.file(QStringLiteral("help.html"))));
    EXPECT_EQ(shell.opened[1].scheme(), "mailto");
    EXPECT_FALSE(shell.opened[1].path().isEmpty());
    EXPECT_TRUE(dialogs.boxes.isEmpty());

    // Without a program to show it, the user is told so and where the page is.
    shell.documentFailure = QStringLiteral("no program to show it was found");
    send("IDC_FS_HELP");
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].text,
              "The help could not be opened: no program to show it was found. It is the file "
                  + dir.file(QStringLiteral("help.html")) + "; open it with a web browser.");

    dlg->show();
    send("IDC_FS_MINI");
    EXPECT_TRUE(dlg->isMinimized());
    send("IDC_FS_drag");   // no pointer offscreen: must simply do nothing harmful

    QSignalSpy finished(dlg.get(), &QDialog::finished);
    dialogs.folderAnswers.enqueue(QStringLiteral("/saved on exit"));
    send("IDC_FS_BROWSE");
    send("IDC_FS_EXIT");
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_TRUE(dir.read(QStringLiteral("Formats.ini")).contains("OutputPath=/saved on exit"));
}

TEST_F(CommandsTest, CommandsRaisedByTheMovieArriveInOrderFromTheEventLoop)
{
    CMovieHost *host = dlg->m_flash.host();
    host->fsCommand(QStringLiteral("ID-FS-videoBitrate"), QStringLiteral("1"));
    host->fsCommand(QStringLiteral("ID-FS-videoBitrate"), QStringLiteral("2"));
    // Not inside the movie's handler: a run started now still has the rate from before.
    EXPECT_TRUE(optionOfARun().startsWith(QStringLiteral(":sout=#transcode{vcodec=h264,vb=1024,")));
    QCoreApplication::processEvents();
    EXPECT_TRUE(optionOfARun().startsWith(QStringLiteral(":sout=#transcode{vcodec=h264,vb=2,")));
}
