// SPDX-License-Identifier: GPL-3.0-or-later
// The conversion driver against a scripted VLC control and scripted dialogs.
#include "DlgFixture.h"
#include "convert/OutputNaming.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <cmath>
#include <limits>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
using Reading = std::pair<int, float>;
const Reading Idle{-1, -1.0f};

const QStringList RunStart{"_root.disablerAllBtns=true", "_root.disableConvert=true",
                           "_root.enableStop=true"};
const QStringList Reset{"_root.disableStop=true",  "_root.enableConvert=true",
                        "_root.progressValue=0",   "_root.enablerAllBtns=true",
                        "_root.hideProgress=true", "_root.convertOutput="};
}   // namespace

class DriverTest : public DlgFixture
{
protected:
    void SetUp() override
    {
        dir.write(QStringLiteral("Formats.ini"), catalogue());
        start();
        writes.clear();
    }

    QString source(const QString &name)
    {
        return dir.write(name, "source bytes of " + name.toUtf8());
    }
    QString status(const QString &path, int converted)
    {
        return QStringLiteral("_root.convertOutput=Converting /...")
               + path.mid(path.lastIndexOf('/')) + QStringLiteral(", Total Converted files:")
               + QString::number(converted);
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
    // The attempt wrote to a hidden temporary file beside finalPath, with its extension.
    bool wroteTemporaryFor(int attempt, const QString &finalPath) const
    {
        const QFileInfo url(urlOf(attempt)), target(finalPath);
        return url.path() == target.path()
               && url.fileName().startsWith('.' + target.completeBaseName() + '.')
               && url.fileName().endsWith(".part." + target.suffix());
    }
    // Temporary outputs left in the test folder.
    QStringList leftovers() const
    {
        return QDir(dir.path())
            .entryList({QStringLiteral(".*.part.*")}, QDir::Files | QDir::Hidden);
    }
};

TEST_F(DriverTest, ReadingsBecomePercentagesAndBothBelowZeroEndTheAttempt)
{
    const QString a = source(QStringLiteral("a.avi"));
    queue({a});
    vlc.log.scripts = {
        {{3, 0.5f}, {3, 0.999f}, {5, 1.0f}, {-1, 0.0f}, {0, -1.0f}, {0, 0.0f}, Idle}};
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
    const QString b = source(QStringLiteral("b.avi"));
    queue({source(QStringLiteral("a.avi")), b});
    vlc.log.playedToEnd = {true, false};
    convert();
    tick();   // a: idle at the first poll, but it played to its end
    EXPECT_EQ(writes.filter(QStringLiteral("_root.convertOutput=Converting")).last(), status(b, 1));
    EXPECT_EQ(vlc.log.created, 2);
    tick(4);   // b: never read, so it is retried and reported
    EXPECT_EQ(vlc.log.created, 5);
    EXPECT_EQ(dialogs.boxTexts().last(), "Conversion Complete, Total Converted files:1");
}

TEST_F(DriverTest, AnEndLibVlcTellsOfOnItsOwnThreadIsActedOnAtOnceByTheDriversThread)
{
    queue({source(QStringLiteral("a.avi"))});
    vlc.log.scripts = {{{1000, 0.5f}, Idle}};
    convert();
    tick();
    ASSERT_EQ(vlc.log.endNotices.size(), 1);
    std::thread(vlc.log.endNotices[0]).join();
    // Nothing is done on libVLC's thread: the news waits for the driver's own.
    EXPECT_EQ(dlg->m_timerId, 2);
    EXPECT_TRUE(dialogs.boxes.isEmpty());
    QCoreApplication::sendPostedEvents();
    // Ended without waiting for the next poll.
    EXPECT_EQ(dlg->m_timerId, 0);
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Conversion Complete, Total Converted files:1"}));
    // The news of an attempt that is over changes nothing.
    std::thread(vlc.log.endNotices[0]).join();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(vlc.log.created, 1);
}

TEST_F(DriverTest, TheLookAtTheSourceRunsDuringThePauseAndTheHandOverWaitsForIt)
{
    dir.write(QStringLiteral("Formats.ini"), catalogue() + "[transcode]\ndeinterlace=interlaced\n");
    const QString a = source(QStringLiteral("a.avi"));
    queue({a});
    work.hold = true;   // the look at a's frames takes its time
    convert();
    EXPECT_EQ(clock.sleeps, QList<int>({500}));
    EXPECT_EQ(vlc.log.created, 1);
    EXPECT_TRUE(vlc.log.calls.isEmpty());
    tick();   // no poll acts before the hand-over
    EXPECT_TRUE(vlc.log.calls.isEmpty());
    work.release();
    EXPECT_EQ(vlc.log.calls, QStringList({"addTarget " + a + " 10 -666"}));
    EXPECT_EQ(dlg->m_timerId, 2);
    EXPECT_EQ(clock.sleeps, QList<int>({500}));
}

TEST_F(DriverTest, WithoutThePauseTheHandOverStillWaitsForTheLookAtTheSource)
{
    dir.write(QStringLiteral("Formats.ini"), catalogue() + "[transcode]\ndeinterlace=interlaced\n");
    const QString a = source(QStringLiteral("a.avi"));
    queue({a});
    dlg->Driver().SetHandOverPause(0);
    work.hold = true;
    convert();
    EXPECT_TRUE(clock.sleeps.isEmpty());
    EXPECT_TRUE(vlc.log.calls.isEmpty());
    work.release();
    EXPECT_EQ(vlc.log.calls, QStringList({"addTarget " + a + " 10 -666"}));
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
    EXPECT_EQ(dialogs.boxTexts(),
              QStringList({"Unable to Convert File:" + dir.file("a.avi") + " "}));
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
    expected << status(a, 0) << "_root.showProgress=true"
             << "_root.progressValue=25"
             << "_root.progressValue=75"
             << "_root.convertOutput=Conversion Complete, Total Converted files:1"
             << "_root.progressValue=100";
    expected << Reset;
    EXPECT_EQ(writes, expected);

    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Movarin"));
    EXPECT_EQ(dialogs.boxes[0].owner, dlg.get());
    EXPECT_EQ(clock.sleeps, QList<int>({500}));
    EXPECT_EQ(vlc.log.calls,
              QStringList({"addTarget " + a + " 10 -666", "playlistClear", "playlistClear"}));
    const QString out = dir.file(QStringLiteral("clip one.mp4"));
    EXPECT_EQ(vlc.log.options[0],
              QStringList({":sout=#transcode{vcodec=h264,vb=1024,scale=1,acodec=mp4a,ab=128,"
                           "channels=2,deinterlace}:std{access=file,mux=mp4,url=\""
                           + urlOf(0) + "\"}"}));
    EXPECT_TRUE(wroteTemporaryFor(0, out)) << urlOf(0).toStdString();
    // The whole output took its name; nothing temporary is left.
    EXPECT_EQ(dir.read(QStringLiteral("clip one.mp4")), "converted");
    EXPECT_EQ(vlc.log.probed, QStringList({urlOf(0)}));
    EXPECT_TRUE(leftovers().isEmpty());
    EXPECT_EQ(list().m_deleteKeyEnabled, 1);
    EXPECT_EQ(list().GetCount(), 1);   // converted rows stay
    EXPECT_EQ(dlg->m_currentIndex, 0);
    EXPECT_EQ(dlg->m_convertedCount, 0);
}

TEST_F(DriverTest, StopDuringThePauseBeforeARetryEndsTheRunWithoutAnotherAttempt)
{
    queue({source(QStringLiteral("a.avi"))});
    clock.holdAfter = true;
    convert();
    tick();   // idle at the first poll: the pause before the retry begins
    ASSERT_TRUE(clock.held);
    dlg->OnFSCommand(QStringLiteral("IDC_FS_CANCEL"), QString());
    clock.held();
    EXPECT_EQ(vlc.log.created, 1);
    EXPECT_FALSE(dlg->RunInProgress());
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(DriverTest, AFileWithoutProgressIsTriedFourTimesThenReportedAndTheOldFileStays)
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
        EXPECT_TRUE(wroteTemporaryFor(i, out));
    ASSERT_EQ(dialogs.boxes.size(), 2);
    EXPECT_EQ(dialogs.boxes[0].text, "File Name:" + out + " Already Exist overwrite [Yes/No]");
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("File Already Exist"));
    EXPECT_EQ(dialogs.boxes[0].buttons, IDialogs::Buttons::YesNo);
    EXPECT_EQ(dialogs.boxes[1].text, "Unable to Convert File:" + a + " ");
    EXPECT_EQ(dialogs.boxes[1].caption, QStringLiteral("Error conversion"));
    // "Yes" and then a failure: the old file is exactly as it was, and every attempt's partial
    // output is gone.
    EXPECT_EQ(dir.read(QStringLiteral("a.mp4")), "old output");
    EXPECT_TRUE(leftovers().isEmpty());
    EXPECT_EQ(dir.read(QStringLiteral("a.avi")), "source bytes of a.avi");

    // Each retry of the first row repeats the run start; a failed run ends with the reset only.
    EXPECT_EQ(writes.count(QStringLiteral("_root.enableStop=true")), 4);
    EXPECT_FALSE(writes.join('\n').contains(QStringLiteral("Conversion Complete")));
    EXPECT_FALSE(writes.contains(QStringLiteral("_root.progressValue=100")));
    EXPECT_EQ(writes.mid(writes.size() - 6), Reset);
}

TEST_F(DriverTest, FailedFilesLeaveAReadOnlyExistingFileAsItWasAndNoTemporaryFile)
{
    const QString a = source(QStringLiteral("a.avi"));
    const QString b = source(QStringLiteral("b.avi"));
    const QString leftover = dir.write(QStringLiteral("a.mp4"), "partial");
    QFile(leftover).setPermissions(QFileDevice::ReadOwner);
    queue({a, b});
    dialogs.boxAnswers.enqueue(IDialogs::Answer::Yes);
    convert();
    tick(8);
    EXPECT_EQ(dir.read(QStringLiteral("a.mp4")), "partial");
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("b.mp4"))));
    EXPECT_TRUE(leftovers().isEmpty());
    EXPECT_EQ(dialogs.boxTexts(),
              QStringList({"File Name:" + leftover + " Already Exist overwrite [Yes/No]",
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
    ASSERT_EQ(dlg->m_timerId, 2);
    const QString partial = dir.write(QStringLiteral("c.mp4"), "being written");

    int timerDuringBox = -1;
    dialogs.onBox = [&](const FakeDialogs::Box &) { timerDuringBox = dlg->m_timerId; };
    writes.clear();
    dlg->OnFSCommand(QStringLiteral("idc_fs_cancel"), QString());

    const QString text = QStringLiteral("Conversion Complete, Total Converted files :2");
    EXPECT_EQ(writes,
              QStringList({"_root.convertOutput=" + text, "_root.progressValue=100"}) + Reset);
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].text, text);
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Movarin"));
    EXPECT_EQ(timerDuringBox, 0);
    EXPECT_EQ(vlc.log.calls.mid(vlc.log.calls.size() - 2), QStringList({"stop", "playlistClear"}));
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

    // A relative one would write wherever the program was started: refused by its name.
    dialogs.boxes.clear();
    dlg->m_flash.host()->setVariable(QStringLiteral("_root.path"), QStringLiteral("out"));
    dlg->OnFSCommand(QStringLiteral("IDC_FS_OTHERDIRECTORY"), QString());
    convert();
    ASSERT_EQ(dialogs.boxTexts().size(), 1);
    EXPECT_TRUE(dialogs.boxTexts()[0].startsWith(
        QStringLiteral("The output folder \"out\" is not a full path.")));
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
    EXPECT_EQ(writes.filter(QStringLiteral("_root.convertOutput=Converting")).last(), status(b, 0));
    EXPECT_TRUE(writes.contains(QStringLiteral("_root.progressValue=0")));

    tick();   // second file: the poll throws
    ASSERT_EQ(dialogs.boxes.size(), 2);
    EXPECT_TRUE(dialogs.boxes[1].text.startsWith(
        QStringLiteral("Error Ocurr while conversion progress: ")));
    EXPECT_EQ(dialogs.boxes[1].caption, std::nullopt);
    EXPECT_EQ(writes.filter(QStringLiteral("_root.convertOutput=Converting")).last(), status(c, 0));

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
    EXPECT_EQ(vlc.log.created, 1);   // b went on
    EXPECT_EQ(vlc.log.calls.first(), "addTarget " + b + " 10 -666");

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
    // A free name beside it is suggested instead of the source's own.
    EXPECT_EQ(dialogs.saveCalls[0].request.initialPath, dir.file(QStringLiteral("a (1).mp4")));
    EXPECT_EQ(dialogs.saveCalls[0].request.fileTypes.first().description,
              "All Ipod Supported Types (*.mp4)");
    EXPECT_EQ(dialogs.saveCalls[0].request.defaultSuffix, ".mp4");
    for (const FakeDialogs::Box &box : dialogs.boxes)
        EXPECT_FALSE(box.text.contains(QStringLiteral("overwrite"))) << box.text.toStdString();
    EXPECT_EQ(dialogs.boxes.size(), 2);   // two refusals
    EXPECT_TRUE(wroteTemporaryFor(0, other));

    // Nothing converts: the source and the chosen name are left alone.
    tick(4);
    EXPECT_EQ(dir.read(QStringLiteral("a.mp4")), "source bytes of a.mp4");
    EXPECT_FALSE(QFileInfo::exists(other));
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(DriverTest, ASourceReachedThroughAnotherSpellingIsStillTheSource)
{
    const QString a = source(QStringLiteral("a.mp4"));
    QDir().mkpath(dir.file(QStringLiteral("sub")));
    queue({a});
    dlg->m_flash.host()->setVariable(QStringLiteral("_root.path"),
                                     dir.file(QStringLiteral("sub/..")));
    dlg->OnFSCommand(QStringLiteral("IDC_FS_OTHERDIRECTORY"), QString());
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
        EXPECT_TRUE(wroteTemporaryFor(i, chosen));
    EXPECT_EQ(dir.read(QStringLiteral("a.mp4")), "keep me");
    EXPECT_EQ(dir.read(QStringLiteral("b.mp4")), "failed attempt");
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
    EXPECT_TRUE(wroteTemporaryFor(0, taken));
    tick(2);   // a converts; b: No, then the save dialog is cancelled
    EXPECT_EQ(dir.read(QStringLiteral("taken.mp4")), "converted");
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

// ---- Nothing lost, nothing falsely counted ------------------------------------------------

TEST_F(DriverTest, AnOutputThatIsNotWholeIsRetriedAndReportedNeverCounted)
{
    const QString a = source(QStringLiteral("a.avi")), b = source(QStringLiteral("b.avi"));
    queue({a, b});
    // a: progress every time, but the output lacks the video twice, then the disk fills up,
    // then it is shorter than the source. b: whole.
    const CMediaFacts noVideo{true, false, true, 3000};
    const CMediaFacts cutShort{true, true, true, 200};
    vlc.log.outputs = {noVideo, noVideo, std::nullopt, cutShort, std::nullopt};
    vlc.log.writeErrors = {{}, {}, QStringLiteral("cannot write: No space left on device")};
    for (int i = 0; i < 5; ++i)
        vlc.log.scripts << QList<Reading>{{1000, 0.5f}, Idle};
    convert();
    tick(10);
    EXPECT_EQ(vlc.log.created, 5);
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Unable to Convert File:" + a + " ",
                                               "Conversion Complete, Total Converted files:1"}));
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("a.mp4"))));
    EXPECT_EQ(dir.read(QStringLiteral("b.mp4")), "converted");
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(DriverTest, AnOutputWhoseTracksCouldNotBePutRightIsNotWhole)
{
    queue({source(QStringLiteral("a.mkv"))});
    vlc.log.arrangeErrors = {QStringLiteral("its track list could not be rewritten")};
    for (int i = 0; i < 2; ++i)
        vlc.log.scripts << QList<Reading>{{1000, 0.5f}, Idle};
    convert();
    tick(4);
    EXPECT_EQ(vlc.log.created, 2);   // retried, then whole
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Conversion Complete, Total Converted files:1"}));
    EXPECT_EQ(dir.read(QStringLiteral("a.mp4")), "converted");
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(DriverTest, AStalledAttemptIsStoppedAndCountsAsOneWithoutProgress)
{
    queue({source(QStringLiteral("zero.mpg"))});
    vlc.log.growOutput = true;
    // Readings that never show progress, and then a position that no longer advances.
    vlc.log.scripts = {QList<Reading>(CConverterDlg::StallLimitPolls, {0, 0.0f}),
                       QList<Reading>(CConverterDlg::StallLimitPolls + 5, {4000, 0.1f})};
    convert();
    tick(CConverterDlg::StallLimitPolls - 1);
    EXPECT_EQ(vlc.log.created, 1);
    tick();
    EXPECT_EQ(vlc.log.calls.mid(1, 1), QStringList({"stop"}));
    EXPECT_EQ(vlc.log.created, 2);   // retried
    tick(CConverterDlg::StallLimitPolls);   // one advance, then frozen
    EXPECT_EQ(vlc.log.created, 2);
    tick();
    EXPECT_EQ(vlc.log.created, 3);
    EXPECT_EQ(leftovers().size(), 1);   // only the attempt under way has a file
}

TEST_F(DriverTest, ATimeThatRunsOnWhileNothingIsWrittenIsStoppedRetriedAndReported)
{
    // A damaged file: libVLC's time runs on, its position far past the end, nothing written.
    const QString damaged = source(QStringLiteral("damaged.wmv"));
    queue({damaged});
    vlc.log.writeOutput = false;
    QList<Reading> readings;
    for (int second = 1; second <= CConverterDlg::StallLimitPolls + 5; ++second)
        readings << Reading{second * 1000, 201508.5f * static_cast<float>(second)};
    for (int attempt = 0; attempt < 4; ++attempt)
        vlc.log.scripts << readings;
    convert();
    tick(4 * CConverterDlg::StallLimitPolls);
    EXPECT_EQ(vlc.log.created, 4);
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Unable to Convert File:" + damaged + " "}));
    for (const QString &write : std::as_const(writes)) {
        if (write.startsWith(QLatin1String("_root.progressValue="))) {
            const int value = write.mid(write.indexOf('=') + 1).toInt();
            EXPECT_TRUE(value >= 0 && value <= 100) << write.toStdString();
        }
    }
}

TEST_F(DriverTest, ASourceThatChangesWhileItIsConvertedIsNotCounted)
{
    // A download still being written: each attempt ends with a longer source than it began.
    const QString growing = source(QStringLiteral("growing.avi"));
    queue({growing});
    for (int attempt = 0; attempt < 4; ++attempt)
        vlc.log.scripts << QList<Reading>{{1000, 0.5f}, Idle};
    convert();
    for (int attempt = 0; attempt < 4; ++attempt) {
        QFile file(growing);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("more of the download");
        file.close();
        tick(2);
    }
    EXPECT_EQ(vlc.log.created, 4);
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Unable to Convert File:" + growing + " "}));
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("growing.mp4"))));
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(DriverTest, AFileWhoseOutputKeepsGrowingIsNeverCutOff)
{
    queue({source(QStringLiteral("long.avi"))});
    vlc.log.growOutput = true;
    QList<Reading> readings;
    for (int second = 1; second <= 3 * CConverterDlg::StallLimitPolls; ++second)
        readings << Reading{second * 100, second / 1000.0f};
    readings << Idle;
    vlc.log.scripts = {readings};
    convert();
    tick(3 * CConverterDlg::StallLimitPolls + 1);
    EXPECT_EQ(vlc.log.created, 1);
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Conversion Complete, Total Converted files:1"}));
}

TEST_F(DriverTest, SourcesAndQueuedFilesAreNeverOverwrittenWhateverTheirName)
{
    // clip.avi's output would be clip.mp4, which waits in the queue; a.avi's output a.mp4 is a
    // hard link to a.avi itself.
    const QString clipAvi = source(QStringLiteral("clip.avi"));
    const QString clipMp4 = source(QStringLiteral("clip.mp4"));
    const QString a = source(QStringLiteral("a.avi"));
    ASSERT_EQ(::link(QFile::encodeName(a).constData(),
                     QFile::encodeName(dir.file(QStringLiteral("a.mp4"))).constData()),
              0);
    queue({clipAvi, a, clipMp4});
    // Each suggestion is accepted with one press of Save.
    dialogs.onSave = [&] {
        dialogs.saveAnswers.enqueue(dialogs.saveCalls.last().request.initialPath);
    };
    for (int i = 0; i < 3; ++i)
        vlc.log.scripts << QList<Reading>{{1000, 0.5f}, Idle};
    convert();
    tick(6);

    ASSERT_EQ(dialogs.saveCalls.size(), 3);
    EXPECT_EQ(dialogs.saveCalls[0].request.initialPath, dir.file(QStringLiteral("clip (1).mp4")));
    EXPECT_EQ(dialogs.saveCalls[1].request.initialPath, dir.file(QStringLiteral("a (1).mp4")));
    // clip.mp4 is its own target; "clip (1).mp4" is taken by now.
    EXPECT_EQ(dialogs.saveCalls[2].request.initialPath, dir.file(QStringLiteral("clip (2).mp4")));
    for (const QString &text : dialogs.boxTexts())
        EXPECT_FALSE(text.contains(QStringLiteral("overwrite"))) << text.toStdString();
    EXPECT_EQ(dir.read(QStringLiteral("clip.mp4")), "source bytes of clip.mp4");
    EXPECT_EQ(dir.read(QStringLiteral("a.avi")), "source bytes of a.avi");
    EXPECT_EQ(dir.read(QStringLiteral("a (1).mp4")), "converted");
    EXPECT_EQ(dialogs.boxTexts().last(), "Conversion Complete, Total Converted files:3");
}

TEST_F(DriverTest, WhatIsNotARegularFileIsReportedAndNeverOpened)
{
    const QString pipe = dir.file(QStringLiteral("pipe.avi"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString zero = dir.file(QStringLiteral("zero.mpg"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    const QString b = source(QStringLiteral("b.avi"));
    QDir().mkpath(dir.file(QStringLiteral("b.mp4")));   // b's output would be a folder
    const QString c = source(QStringLiteral("c.avi"));
    queue({pipe, zero, b, c});
    vlc.log.scripts = {{{1000, 0.5f}, Idle}};
    convert();
    tick(2);
    const QStringList texts = dialogs.boxTexts();
    ASSERT_EQ(texts.size(), 4);
    EXPECT_EQ(texts[0], "File Name:" + pipe
                            + " is not a regular file (a folder, a device or a "
                              "pipe) and cannot be converted.");
    EXPECT_TRUE(texts[1].startsWith("File Name:" + zero + " is not a regular file"));
    EXPECT_EQ(texts[2], "File Name:" + dir.file("b.mp4")
                            + " is not a regular file (a folder, "
                              "a device or a pipe) and cannot be written.");
    EXPECT_EQ(texts[3], "Conversion Complete, Total Converted files:1");
    EXPECT_EQ(vlc.log.calls.first(), "addTarget " + c + " 10 -666");   // only c was opened
}

TEST_F(DriverTest, StopAndCloseLeaveNoTemporaryFileAndKeepWhatWasConverted)
{
    const QString a = source(QStringLiteral("a.avi")), b = source(QStringLiteral("b.avi"));
    queue({a, b});
    vlc.log.scripts = {{{1000, 0.5f}, Idle}, {{1000, 0.3f}}, {{1000, 0.3f}}};
    convert();
    tick(3);   // a converted, b under way
    ASSERT_EQ(leftovers().size(), 1);
    dlg->OnFSCommand(QStringLiteral("IDC_FS_CANCEL"), QString());
    EXPECT_TRUE(leftovers().isEmpty());
    EXPECT_EQ(dir.read(QStringLiteral("a.mp4")), "converted");
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("b.mp4"))));

    dialogs.boxAnswers << IDialogs::Answer::Yes;   // a.mp4 exists now
    convert();
    ASSERT_EQ(leftovers().size(), 1);
    dlg->done(QDialog::Rejected);   // the window is closed mid-file
    EXPECT_TRUE(leftovers().isEmpty());
    EXPECT_EQ(dir.read(QStringLiteral("a.mp4")), "converted");
}

TEST_F(DriverTest, AQueueEmptiedDuringARunEndsItNormally)
{
    queue({source(QStringLiteral("a.avi")), source(QStringLiteral("b.avi"))});
    vlc.log.scripts = {{{1000, 0.5f}, Idle}, {{1000, 0.5f}}};
    convert();
    tick(3);
    dlg->OnFSCommand(QStringLiteral("IDC_FS_REMOVEALL"), QString());
    writes.clear();
    tick();   // b's attempt ends: converted, then nothing is left
    EXPECT_EQ(dialogs.boxTexts(), QStringList({"Conversion Complete, Total Converted files:2"}));
    EXPECT_EQ(writes.mid(writes.size() - 6), Reset);
    EXPECT_FALSE(dlg->RunInProgress());
    // A later run works again.
    queue({source(QStringLiteral("c.avi"))});
    convert();
    EXPECT_EQ(vlc.log.created, 3);
}

TEST_F(DriverTest, NoTickWhileTheOutputFolderErrorIsOpen)
{
    queue({source(QStringLiteral("a.avi"))});
    vlc.log.scripts = {{{1000, 0.5f}}};
    convert();
    ASSERT_EQ(dlg->m_timerId, 2);
    // The run is started again with outputs going where no folder can be made.
    dir.write(QStringLiteral("file"), "x");
    dlg->m_flash.host()->setVariable(QStringLiteral("_root.path"),
                                     dir.file(QStringLiteral("file/sub")));
    dlg->OnFSCommand(QStringLiteral("IDC_FS_OTHERDIRECTORY"), QString());
    int timerDuringBox = -1;
    dialogs.onBox = [&](const FakeDialogs::Box &) { timerDuringBox = dlg->m_timerId; };
    convert();
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_TRUE(
        dialogs.boxes[0].text.startsWith(QStringLiteral("Cannot create the output folder ")));
    EXPECT_EQ(timerDuringBox, 0);
}

TEST_F(DriverTest, AHostileCatalogueOrSettingStartsNoRunAndSaysWhereItCameFrom)
{
    const QString notes = dir.write(QStringLiteral("notes.txt"), "my notes");
    const QString hostile = QStringLiteral("h264}:std{access=file,mux=ts,dst=") + notes
                            + QStringLiteral("}");
    QByteArray ini = catalogue();
    ini.replace("mp4=h264|mp4v", "mp4=" + hostile.toUtf8() + "|mp4v");
    dir.write(QStringLiteral("Formats.ini"), ini);
    start();
    writes.clear();
    queue({source(QStringLiteral("a.avi"))});
    convert();
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_TRUE(dialogs.boxes[0].text.startsWith("The video codec \"" + hostile
                                                 + "\" (from Formats.ini, section [VC], key mp4)"))
        << dialogs.boxes[0].text.toStdString();

    // A value that no list offered, sent by the movie.
    dlg->OnFSCommand(QStringLiteral("ID-FS-videoCodec"), QStringLiteral("mp4v"));
    dlg->OnFSCommand(QStringLiteral("ID-FS-audioBitrate"), QStringLiteral("128,dst=x"));
    convert();
    ASSERT_EQ(dialogs.boxes.size(), 2);
    EXPECT_TRUE(dialogs.boxes[1].text.startsWith(
        "The audio bit rate \"128,dst=x\" (from the audio bit rate setting)"));

    EXPECT_TRUE(writes.isEmpty());
    EXPECT_EQ(vlc.log.created, 0);
    EXPECT_EQ(dir.read(QStringLiteral("notes.txt")), "my notes");
}

TEST_F(DriverTest, HostileCodecSettingsStartNoRun)
{
    QByteArray ini = catalogue();
    ini += "[VE]\nh264=preset=fast}:duplicate{dst=std{access=file,dst=/tmp/x}}\n";
    dir.write(QStringLiteral("Formats.ini"), ini);
    start();
    writes.clear();
    queue({source(QStringLiteral("a.avi"))});
    convert();
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_TRUE(dialogs.boxes[0].text.startsWith(QStringLiteral("Formats.ini [VE] h264=")))
        << dialogs.boxes[0].text.toStdString();
    EXPECT_EQ(vlc.log.created, 0);
}

TEST_F(DriverTest, TheResultsFollowEachFileAndOpenOnlyWhatWasConverted)
{
    const QString a = source(QStringLiteral("a.avi"));
    const QString b = source(QStringLiteral("b.avi"));
    const QString c = source(QStringLiteral("c.avi"));
    dir.write(QStringLiteral("c.mp4"), "old c");
    queue({a, b, c});
    // a converts; b never shows progress; c's output exists, is not replaced and gets no name.
    vlc.log.scripts = {{{1, 0.5f}, Idle}};
    dialogs.boxAnswers.enqueue(IDialogs::Answer::No);
    dialogs.saveAnswers.enqueue(std::nullopt);
    const CRunResultsModel &results = dlg->RunResults();
    EXPECT_EQ(dlg->m_flash.host()->results(), &results);
    const auto states = [&results] {
        QStringList out;
        for (int row = 0; row < results.rowCount(); ++row)
            out << results.index(row).data(CRunResultsModel::StatusRole).toString() + ' '
                       + QString::number(
                           results.index(row).data(CRunResultsModel::PercentRole).toInt());
        return out;
    };

    convert();
    EXPECT_EQ(states(), QStringList({"converting 0", "waiting 0", "waiting 0"}));
    tick();
    EXPECT_EQ(states(), QStringList({"converting 50", "waiting 0", "waiting 0"}));
    tick(1 + 4);
    EXPECT_EQ(states(), QStringList({"converted 100", "failed 0", "skipped 0"}));
    EXPECT_EQ(results.Output(0), dir.file(QStringLiteral("a.mp4")));
    EXPECT_EQ(results.index(0).data(CRunResultsModel::OutputNameRole).toString(), "a.mp4");
    EXPECT_TRUE(results.index(1)
                    .data(CRunResultsModel::ReasonRole)
                    .toString()
                    .startsWith(QStringLiteral("libVLC made no output of it")));
    EXPECT_EQ(results.index(2).data(CRunResultsModel::ReasonRole).toString(),
              "skipped: no name chosen at the save dialog");
    EXPECT_EQ(results.Converted(), 1);
    EXPECT_EQ(results.Failed(), 1);
    EXPECT_EQ(results.Skipped(), 1);
    // The desktop hears the skipped file apart from the failed one.
    EXPECT_EQ(desktop.calls.filter(QStringLiteral("notify")),
              QStringList({"notify Conversion complete: 1 file converted, 1 failed, 1 skipped"}));

    // The converted file plays, and its folder opens; a file without an output opens nothing.
    dlg->OnFSCommand(QStringLiteral("IDC_FS_PLAY"), QStringLiteral("0"));
    dlg->OnFSCommand(QStringLiteral("IDC_FS_OPENFOLDER"), QStringLiteral("0"));
    dlg->OnFSCommand(QStringLiteral("IDC_FS_PLAY"), QStringLiteral("1"));
    dlg->OnFSCommand(QStringLiteral("IDC_FS_OPENFOLDER"), QStringLiteral("2"));
    EXPECT_EQ(shell.opened, QList<QUrl>({QUrl::fromLocalFile(dir.file(QStringLiteral("a.mp4"))),
                                         QUrl::fromLocalFile(QFileInfo(a).absolutePath())}));
    // One deleted since is named, not handed on.
    QFile::remove(dir.file(QStringLiteral("a.mp4")));
    const qsizetype boxes = dialogs.boxes.size();
    dlg->OnFSCommand(QStringLiteral("IDC_FS_PLAY"), QStringLiteral("0"));
    EXPECT_EQ(shell.opened.size(), 2);
    ASSERT_EQ(dialogs.boxes.size(), boxes + 1);
    EXPECT_TRUE(
        dialogs.boxes.last().text.startsWith(dir.file(QStringLiteral("a.mp4")) + " is not there"));

    // The next run starts afresh; stopped, what it did not finish says so.
    dialogs.boxAnswers.enqueue(IDialogs::Answer::No);   // c.mp4 exists: not replaced
    dialogs.saveAnswers.enqueue(dir.file(QStringLiteral("c new.mp4")));
    list().DeleteString(0);
    list().DeleteString(0);
    convert();
    EXPECT_EQ(states(), QStringList({"converting 0"}));
    dlg->OnFSCommand(QStringLiteral("IDC_FS_CANCEL"), QString());
    EXPECT_EQ(states(), QStringList({"stopped 0"}));
    EXPECT_TRUE(results.Output(0).isEmpty());
}

TEST(SaveFileType, TextsPerVariant)
{
    const IDialogs::FileType one = CConversionDriver::SaveFileType(1, QStringLiteral(".mkv"));
    EXPECT_EQ(one.description, QStringLiteral("All Supported Types (*.mkv)"));
    EXPECT_EQ(one.patterns, QStringLiteral("*.mkv"));
    const IDialogs::FileType zero = CConversionDriver::SaveFileType(0, QStringLiteral(".mkv"));
    EXPECT_EQ(zero.description, QStringLiteral("All Ipod Supported Types (*.mkv)"));
    EXPECT_EQ(zero.patterns, QStringLiteral("*.mkv"));
}

TEST(StatusLineParts, RootAndNameOfASource)
{
    EXPECT_EQ(CConversionDriver::RootOf(QStringLiteral("/videos/clip.avi")), QStringLiteral("/"));
    EXPECT_EQ(CConversionDriver::NameFromLastSeparator(QStringLiteral("/videos/clip.avi")),
              QStringLiteral("/clip.avi"));
    EXPECT_EQ(CConversionDriver::NameFromLastSeparator(QStringLiteral("clip.avi")),
              QStringLiteral("clip.avi"));
}
