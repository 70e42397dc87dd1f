// SPDX-License-Identifier: GPL-3.0-or-later
// The conversion driver against a scripted VLC control and scripted dialogs.
#include "DlgFixture.h"
#include "OutputNaming.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <cmath>
#include <limits>

namespace {
using Reading = std::pair<int, float>;
const Reading Idle{-1, -1.0f};

const QStringList RunStart{"_root.disablerAllBtns=true", "_root.disableConvert=true",
                           "_root.enableStop=true"};
const QStringList Reset{"_root.disableStop=true",   "_root.enableConvert=true",
                        "_root.progressValue=0",    "_root.enablerAllBtns=true",
                        "_root.hideProgress=true",  "_root.convertOutput="};
} // namespace

class DriverTest : public DlgFixture
{
protected:
    void SetUp() override
    {
        dir.write(QStringLiteral("Formats.ini"), catalogue());
        start();
        writes.clear();
    }

    QString source(const QString &name) { return dir.write(name, "source bytes of " + name.toUtf8()); }
    QString status(const QString &path, int converted)
    {
        return QStringLiteral("_root.convertOutput=Converting /...") + path.mid(path.lastIndexOf('/'))
               + QStringLiteral(", Total Converted files:") + QString::number(converted);
    }
    void convert() { dlg->OnFSCommand(QStringLiteral("IDC_FS_CONVERT"), QString()); }
    void tick(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            dlg->OnTimer(CConverterDlg::ProgressTimerId);
    }
    QString urlOf(int attempt) const
    {
        const QString option = vlc.log.options.at(attempt).constFirst();
        const qsizetype at = option.indexOf(QStringLiteral("url=\""));
        return option.mid(at + 5, option.size() - at - 5 - 2);
    }
};

TEST_F(DriverTest, ReadingsBecomePercentagesAndBothBelowZeroEndTheAttempt)
{
    const QString a = source(QStringLiteral("a.avi"));
    queue({a});
    vlc.log.scripts = {{{3, 0.5f}, {3, 0.999f}, {5, 1.0f}, {-1, 0.0f}, {0, -1.0f}, {0, 0.0f}, Idle}};
    convert();
    takeWrites();
    tick(6);
    EXPECT_EQ(takeWrites(), QStringList({"_root.progressValue=50", "_root.progressValue=99",
                                         "_root.progressValue=100"}));
    EXPECT_EQ(dlg->m_timerId, 2);
    tick();
    EXPECT_EQ(dlg->m_timerId, 0);
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Conversion Complete, Total Converted files:1"}));
}

TEST_F(DriverTest, ANaNPositionWithANegativeTimeEndsTheAttempt)
{
    queue({source(QStringLiteral("a.avi"))});
    vlc.log.scripts = {{{2, 0.3f}, {-1, std::numeric_limits<float>::quiet_NaN()}}};
    convert();
    tick(2);
    EXPECT_EQ(dlg->m_timerId, 0);
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Conversion Complete, Total Converted files:1"}));
}

TEST_F(DriverTest, AFileThatFinishedBetweenTwoPollsCountsAsConverted)
{
    queue({source(QStringLiteral("a.avi")), source(QStringLiteral("b.avi"))});
    vlc.log.playedToEnd = {true, false};
    convert();
    tick();   // a: idle at the first poll, but it played to its end
    EXPECT_EQ(dlg->m_convertedCount, 1);
    EXPECT_EQ(vlc.log.created, 2);
    tick(4);   // b: never read, so it is retried and reported
    EXPECT_EQ(vlc.log.created, 5);
    EXPECT_EQ(dialogs.boxTexts().last(), "Conversion Complete, Total Converted files:1");
}

TEST_F(DriverTest, ProgressWithoutAnOutputFileIsNotAConversion)
{
    queue({source(QStringLiteral("a.avi"))});
    vlc.log.writeOutput = false;
    for (int i = 0; i < 4; ++i)
        vlc.log.scripts << QList<Reading>{{1, 0.5f}, Idle};
    convert();
    tick(8);
    EXPECT_EQ(vlc.log.created, 4);
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Unable to Convert File:" + dir.file("a.avi") + " "}));
}

TEST_F(DriverTest, AConvertedFileWritesTheWholeSequence)
{
    const QString a = source(QStringLiteral("clip one.avi"));
    queue({a});
    vlc.log.scripts = {{{1000, 0.25f}, {2000, 0.75f}, Idle}};
    convert();
    EXPECT_EQ(dlg->m_fileTotal, 1);
    EXPECT_EQ(list().m_deleteKeyEnabled, 0);
    tick(3);

    QStringList expected = RunStart;
    expected << status(a, 0) << "_root.showProgress=true" << "_root.progressValue=25"
             << "_root.progressValue=75" << "_root.convertOutput=Conversion Complete, Total Converted files:1"
             << "_root.progressValue=100";
    expected << Reset;
    EXPECT_EQ(writes, expected);

    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Movarin"));
    EXPECT_EQ(dialogs.boxes[0].owner, dlg.get());
    EXPECT_EQ(clock.sleeps, QList<int>({500}));
    EXPECT_EQ(vlc.log.calls, QStringList({"addTarget " + a + " 10 -666", "playlistClear",
                                          "playlistClear"}));
    const QString out = dir.file(QStringLiteral("clip one.mp4"));
    EXPECT_EQ(vlc.log.options[0],
              QStringList({":sout=#transcode{vcodec=h264,vb=1024,scale=1,acodec=mp4a,ab=128,"
                           "channels=2,deinterlace}:std{access=file,mux=mp4,url=\"" + out + "\"}"}));
    EXPECT_EQ(dlg->m_currentOutput, out);
    EXPECT_EQ(list().m_deleteKeyEnabled, 1);
    EXPECT_EQ(list().GetCount(), 1);   // converted rows stay
    EXPECT_EQ(dlg->m_currentIndex, 0);
    EXPECT_EQ(dlg->m_convertedCount, 0);
}

TEST_F(DriverTest, AFileWithoutProgressIsTriedFourTimesThenReportedAndItsOutputRemoved)
{
    const QString a = source(QStringLiteral("a.avi"));
    const QString out = dir.write(QStringLiteral("a.mp4"), "old output");
    queue({a});
    dialogs.boxAnswers.enqueue(IDialogs::Answer::Yes);   // overwrite: asked once only
    convert();
    tick(4);

    EXPECT_EQ(vlc.log.created, 4);
    EXPECT_EQ(clock.sleeps, QList<int>({500, 200, 500, 200, 500, 200, 500, 200}));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(urlOf(i), out);
    ASSERT_EQ(dialogs.boxes.size(), 2);
    EXPECT_EQ(dialogs.boxes[0].text, "File Name:" + out + " Already Exist overwrite [Yes/No]");
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("File Already Exist"));
    EXPECT_EQ(dialogs.boxes[0].buttons, IDialogs::Buttons::YesNo);
    EXPECT_EQ(dialogs.boxes[1].text, "Unable to Convert File:" + a + " ");
    EXPECT_EQ(dialogs.boxes[1].caption, QStringLiteral("Error conversion"));
    EXPECT_FALSE(QFileInfo::exists(out));
    EXPECT_EQ(dir.read(QStringLiteral("a.avi")), "source bytes of a.avi");

    // Each retry of the first row repeats the run start; a failed run ends with the reset only.
    EXPECT_EQ(writes.count(QStringLiteral("_root.enableStop=true")), 4);
    EXPECT_FALSE(writes.join('\n').contains(QStringLiteral("Conversion Complete")));
    EXPECT_FALSE(writes.contains(QStringLiteral("_root.progressValue=100")));
    EXPECT_EQ(writes.mid(writes.size() - 6), Reset);
}

TEST_F(DriverTest, AReadOnlyLeftoverIsRemovedAndAMissingOutputIsPassedOver)
{
    const QString a = source(QStringLiteral("a.avi"));
    const QString b = source(QStringLiteral("b.avi"));
    const QString leftover = dir.write(QStringLiteral("a.mp4"), "partial");
    QFile(leftover).setPermissions(QFileDevice::ReadOwner);
    queue({a, b});
    dialogs.boxAnswers.enqueue(IDialogs::Answer::Yes);
    convert();
    tick(8);
    EXPECT_FALSE(QFileInfo::exists(leftover));
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"File Name:" + leftover + " Already Exist overwrite [Yes/No]",
                                               "Unable to Convert File:" + a + " ",
                                               "Unable to Convert File:" + b + " "}));
    EXPECT_EQ(vlc.log.created, 8);
}

TEST_F(DriverTest, CancellingBeforeAnyRunOnlyResets)
{
    dlg->OnFSCommand(QStringLiteral("IDC_FS_CANCEL"), QString());
    EXPECT_TRUE(dialogs.boxes.isEmpty());
    EXPECT_EQ(writes, Reset);
    EXPECT_EQ(dlg->m_currentIndex, 0);
    EXPECT_EQ(dlg->m_convertedCount, 0);
    EXPECT_EQ(vlc.log.created, 0);
}

TEST_F(DriverTest, CancellingAfterTwoFilesReportsWithTheTimerAlreadyStopped)
{
    const QString a = source(QStringLiteral("a.avi")), b = source(QStringLiteral("b.avi")),
                  c = source(QStringLiteral("c.avi"));
    queue({a, b, c});
    vlc.log.scripts = {{{1, 0.5f}, Idle}, {{1, 0.5f}, Idle}, {{1, 0.1f}}};
    convert();
    tick(5);
    ASSERT_EQ(dlg->m_convertedCount, 2);
    ASSERT_EQ(dlg->m_timerId, 2);
    const QString partial = dir.write(QStringLiteral("c.mp4"), "being written");

    int timerDuringBox = -1;
    dialogs.onBox = [&](const FakeDialogs::Box &) { timerDuringBox = dlg->m_timerId; };
    writes.clear();
    dlg->OnFSCommand(QStringLiteral("idc_fs_cancel"), QString());

    const QString text = QStringLiteral("Conversion Complete, Total Converted files :2");
    EXPECT_EQ(writes, QStringList({"_root.convertOutput=" + text, "_root.progressValue=100"}) + Reset);
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].text, text);
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Movarin"));
    EXPECT_EQ(timerDuringBox, 0);
    EXPECT_EQ(vlc.log.calls.mid(vlc.log.calls.size() - 2),
              QStringList({"stop", "playlistClear"}));
    EXPECT_TRUE(QFileInfo::exists(partial));
    EXPECT_EQ(list().m_deleteKeyEnabled, 1);

    // A new run starts from the first row again (its outputs exist now: overwrite).
    dialogs.boxAnswers << IDialogs::Answer::Yes;
    writes.clear();
    convert();
    EXPECT_EQ(writes.mid(0, 4), RunStart + QStringList({status(a, 0)}));
    EXPECT_EQ(dlg->m_fileHadProgress, 0);
}

TEST_F(DriverTest, AnEmptyQueueDoesNothing)
{
    convert();
    dlg->OnCommand(CConverterDlg::CommandConvert);
    EXPECT_TRUE(writes.isEmpty());
    EXPECT_EQ(vlc.log.created, 0);
    EXPECT_EQ(dlg->m_fileTotal, 0);
}

TEST_F(DriverTest, AnEmptyOutputFolderStartsNoRun)
{
    queue({source(QStringLiteral("a.avi"))});
    dlg->m_flash.host()->setVariable(QStringLiteral("_root.path"), QStringLiteral("  "));
    dlg->OnFSCommand(QStringLiteral("IDC_FS_OTHERDIRECTORY"), QString());
    convert();
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Choose a folder for the converted files first."}));
    EXPECT_TRUE(writes.isEmpty());
    EXPECT_EQ(vlc.log.created, 0);
}

TEST_F(DriverTest, WindowCommandsCountSelectedRowsOrStartARun)
{
    queue({source(QStringLiteral("a.avi")), source(QStringLiteral("b.avi"))});
    list().SetSel(1);
    dlg->OnCommand(CConverterDlg::CommandCountSelected);
    EXPECT_EQ(dlg->m_fileTotal, 1);
    EXPECT_TRUE(writes.isEmpty());
    dlg->OnCommand(CConverterDlg::CommandConvert);
    EXPECT_EQ(dlg->m_fileTotal, 2);
    EXPECT_EQ(vlc.log.created, 1);
}

TEST_F(DriverTest, ARunStartedAgainRestartsTheCurrentRowWithAFreshControl)
{
    queue({source(QStringLiteral("a.avi"))});
    vlc.log.scripts = {{{1, 0.2f}}, {{1, 0.4f}, Idle}};
    convert();
    tick();
    writes.clear();
    dialogs.boxAnswers << IDialogs::Answer::Yes;   // the output of the first start exists now
    convert();
    EXPECT_EQ(vlc.log.created, 2);
    EXPECT_EQ(vlc.log.liveControls, 1);
    EXPECT_EQ(dlg->m_timerId, 2);
    EXPECT_EQ(writes.mid(0, 3), RunStart);
    tick(2);
    EXPECT_EQ(dialogs.boxes.last().text, "Conversion Complete, Total Converted files:1");
}

TEST_F(DriverTest, TheDeleteKeyRemovesNothingDuringARun)
{
    queue({source(QStringLiteral("a.avi")), source(QStringLiteral("b.avi"))});
    convert();
    list().setFocus();
    list().SetSel(0);
    list().setCurrentRow(0, QItemSelectionModel::Select);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(&list(), &del);
    EXPECT_EQ(list().GetCount(), 2);
}

TEST_F(DriverTest, StartAndPollFailuresAreReportedAndTheRunGoesOn)
{
    const QString a = source(QStringLiteral("a.avi")), b = source(QStringLiteral("b.avi")),
                  c = source(QStringLiteral("c.avi"));
    queue({a, b, c});
    int attempts = 0;
    vlc.log.throwOnAddTarget = [&] {
        if (++attempts == 1)
            throw CVlcError("cannot play");
    };
    vlc.log.throwOnGetTime = [&] {
        if (attempts == 2)
            throw CVlcError("lost the player");
    };
    vlc.log.scripts = {{}, {}, {{1, 0.5f}, Idle}};
    convert();
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_TRUE(dialogs.boxes[0].text.startsWith(QStringLiteral("Error Ocurrs ")));
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(dlg->m_currentIndex, 1);
    EXPECT_TRUE(writes.contains(QStringLiteral("_root.progressValue=0")));

    tick();   // second file: the poll throws
    ASSERT_EQ(dialogs.boxes.size(), 2);
    EXPECT_TRUE(dialogs.boxes[1].text.startsWith(QStringLiteral("Error Ocurr while conversion progress: ")));
    EXPECT_EQ(dialogs.boxes[1].caption, std::nullopt);
    EXPECT_EQ(dlg->m_currentIndex, 2);

    tick(2);   // third file converts
    EXPECT_EQ(dialogs.boxes.last().text, "Conversion Complete, Total Converted files:1");
}

TEST_F(DriverTest, AControlThatCannotBeMadeIsAStartFailure)
{
    queue({source(QStringLiteral("a.avi"))});
    vlc.log.failCreate = true;
    convert();
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_TRUE(dialogs.boxes[0].text.startsWith(QStringLiteral("Error Ocurrs ")));
    EXPECT_EQ(dlg->m_timerId, 0);
    EXPECT_EQ(writes.mid(writes.size() - 6), Reset);
}

TEST_F(DriverTest, APreparationFailureIsReportedOnlyForARowOfTheRun)
{
    const QString a = source(QStringLiteral("a.avi")), b = source(QStringLiteral("b.avi"));
    dir.write(QStringLiteral("a.mp4"), "exists");
    queue({a, b});
    dialogs.boxAnswers.enqueue(IDialogs::Answer::No);
    dialogs.onSave = [] { throw std::runtime_error("dialog broke"); };
    convert();
    ASSERT_EQ(dialogs.boxes.size(), 2);
    EXPECT_TRUE(dialogs.boxes[1].text.startsWith("Error Ocurr in converting File:" + a + " "));
    EXPECT_EQ(dialogs.boxes[1].caption, std::nullopt);
    EXPECT_EQ(dlg->m_currentIndex, 1);
    EXPECT_EQ(vlc.log.created, 1);   // b went on

    // Outside the rows the run took, nothing is shown and the run rests.
    dlg->StopConversion();
    dialogs.boxes.clear();
    dialogs.boxAnswers.enqueue(IDialogs::Answer::No);
    dlg->m_fileTotal = 0;
    EXPECT_EQ(dlg->ConvertNextFile(), 0);
    EXPECT_EQ(dialogs.boxes.size(), 1);   // only the question
    EXPECT_EQ(dlg->m_timerId, 0);
}

TEST_F(DriverTest, TheSourceIsNeverOfferedForOverwritingNorAcceptedFromTheSaveDialog)
{
    const QString a = source(QStringLiteral("a.mp4"));   // target .mp4 beside it: itself
    const QString other = dir.file(QStringLiteral("a converted.mp4"));
    queue({a});
    dialogs.saveAnswers.enqueue(a);
    dialogs.saveAnswers.enqueue(dir.file(QStringLiteral("sub/../a.mp4")));
    dialogs.saveAnswers.enqueue(other);
    QDir().mkpath(dir.file(QStringLiteral("sub")));
    convert();

    ASSERT_EQ(dialogs.saveCalls.size(), 3);
    EXPECT_EQ(dialogs.saveCalls[0].request.initialPath, dir.file(QStringLiteral("a_new_mp4")));
    EXPECT_EQ(dialogs.saveCalls[0].request.fileTypes.first().description,
              "All Ipod Supported Types (*.mp4)");
    EXPECT_EQ(dialogs.saveCalls[0].request.defaultSuffix, ".mp4");
    for (const FakeDialogs::Box &box : dialogs.boxes)
        EXPECT_FALSE(box.text.contains(QStringLiteral("overwrite"))) << box.text.toStdString();
    EXPECT_EQ(dialogs.boxes.size(), 2);   // two refusals
    EXPECT_EQ(urlOf(0), other);

    // Nothing converts: the final failure removes the chosen output, never the source.
    dir.write(QStringLiteral("a converted.mp4"), "leftover");
    tick(4);
    EXPECT_EQ(dir.read(QStringLiteral("a.mp4")), "source bytes of a.mp4");
    EXPECT_FALSE(QFileInfo::exists(other));
}

TEST_F(DriverTest, ASourceReachedThroughAnotherSpellingIsStillTheSource)
{
    const QString a = source(QStringLiteral("a.mp4"));
    QDir().mkpath(dir.file(QStringLiteral("sub")));
    queue({a});
    dlg->m_sameFolder = 0;
    dlg->m_outputPath = dir.file(QStringLiteral("sub/.."));
    convert();   // the save dialog is cancelled: the file is skipped
    EXPECT_EQ(dialogs.saveCalls.size(), 1);
    EXPECT_TRUE(dialogs.boxes.isEmpty());
    EXPECT_EQ(vlc.log.created, 0);
    EXPECT_EQ(writes.mid(writes.size() - 6), Reset);
}

TEST_F(DriverTest, ARetryWritesWhereTheFirstAttemptSettledAndKeepsTheDeclinedFile)
{
    const QString a = source(QStringLiteral("a.avi"));
    const QString declined = dir.write(QStringLiteral("a.mp4"), "keep me");
    const QString chosen = dir.file(QStringLiteral("b.mp4"));
    queue({a});
    dialogs.boxAnswers.enqueue(IDialogs::Answer::No);
    dialogs.saveAnswers.enqueue(chosen);
    convert();
    dir.write(QStringLiteral("b.mp4"), "failed attempt");
    tick(4);
    ASSERT_EQ(vlc.log.created, 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(urlOf(i), chosen);
    EXPECT_EQ(dir.read(QStringLiteral("a.mp4")), "keep me");
    EXPECT_FALSE(QFileInfo::exists(chosen));
    EXPECT_TRUE(QFileInfo::exists(declined));
}

TEST_F(DriverTest, NoThenAnotherExistingNameAsksAgainAndNoThenCancelSkipsTheFile)
{
    const QString a = source(QStringLiteral("a.avi")), b = source(QStringLiteral("b.avi"));
    const QString taken = dir.write(QStringLiteral("taken.mp4"), "t");
    dir.write(QStringLiteral("a.mp4"), "x");
    dir.write(QStringLiteral("b.mp4"), "y");
    queue({a, b});
    dialogs.boxAnswers << IDialogs::Answer::No << IDialogs::Answer::Yes << IDialogs::Answer::No;
    dialogs.saveAnswers << taken << std::nullopt;
    vlc.log.scripts = {{{1, 0.5f}, Idle}};
    convert();
    EXPECT_EQ(dialogs.boxTexts().mid(0, 2),
              QStringList({"File Name:" + dir.file("a.mp4") + " Already Exist overwrite [Yes/No]",
                           "File Name:" + taken + " Already Exist overwrite [Yes/No]"}));
    EXPECT_EQ(urlOf(0), taken);
    tick(2);   // a converts; b: No, then the save dialog is cancelled
    EXPECT_EQ(vlc.log.created, 1);
    EXPECT_EQ(dialogs.boxes.last().text, "Conversion Complete, Total Converted files:1");
    EXPECT_EQ(dir.read(QStringLiteral("b.mp4")), "y");
}

TEST_F(DriverTest, AskingForNamesSuggestsTheCandidateInTheSaveDialog)
{
    const QString a = source(QStringLiteral("a.avi"));
    dir.write(QStringLiteral("a.mp4"), "x");
    queue({a});
    dlg->m_flash.host()->setVariable(QStringLiteral("_root.audioCheck"), QStringLiteral("TRUE"));
    dlg->m_flash.host()->setVariable(QStringLiteral("_root.videoCheck"), QStringLiteral("true"));
    dialogs.boxAnswers.enqueue(IDialogs::Answer::No);
    convert();   // cancelled: the file is skipped and nothing starts
    ASSERT_EQ(dialogs.saveCalls.size(), 1);
    EXPECT_EQ(dialogs.saveCalls[0].request.initialPath, dir.file(QStringLiteral("a.mp4")));
    EXPECT_EQ(dialogs.saveCalls[0].request.fileTypes.first().description,
              "All Supported Types (*.mp4)");
    EXPECT_TRUE(writes.contains(QStringLiteral("_root.showProgress=true")));
    EXPECT_EQ(vlc.log.created, 0);
    EXPECT_EQ(writes.mid(writes.size() - 6), Reset);
}
