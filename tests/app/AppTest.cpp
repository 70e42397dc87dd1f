// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CConverterApp.h"
#include "platform/SingleInstance.h"
#include "tests/support/Fakes.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/TempDir.h"
#include "tests/support/XvfbFixture.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

class SecondCopyTest : public XvfbTest
{
protected:
    TempDir runtime;
    std::optional<EnvVar> runtimeDir;
    FakeDialogs dialogs;

    void SetUp() override
    {
        XvfbTest::SetUp();
        runtimeDir.emplace("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }

    bool refused()
    {
        CSingleInstance instance(QStringLiteral("Movarin"));
        return CConverterApp::RefuseSecondInstance(instance, dialogs);
    }

    static bool waitFor(const std::function<bool()> &condition)
    {
        QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired()) {
            if (condition())
                return true;
            QThread::msleep(100);
        }
        return false;
    }
};

TEST_F(SecondCopyTest, AWindowOfAnotherProgramTitledMovarinStopsTheStart)
{
    EXPECT_FALSE(refused());
    EXPECT_TRUE(dialogs.boxes.isEmpty());

    XClient other;
    other.setWmName(other.window(true), "Movarin");
    ASSERT_TRUE(refused());
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].text, "The applecation already running");
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Movarin"));
    EXPECT_EQ(dialogs.boxes[0].owner, nullptr);
    EXPECT_EQ(dialogs.boxes[0].buttons, IDialogs::Buttons::Ok);
    EXPECT_TRUE(dialogs.boxes[0].information);
}

TEST_F(SecondCopyTest, TheRunningProgramIsFoundByItsWindowAndAStartedCopyEndsAtOnce)
{
    // A program folder of the test's own, so the copy saves its settings there.
    TempDir program;
    const QString exe = program.file(QStringLiteral("movarin"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(MOVARIN_EXECUTABLE), exe));
    const QString built = QFileInfo(QStringLiteral(MOVARIN_EXECUTABLE)).absolutePath();
    for (const char *name : {"main.qml", "Formats.ini", "help.html", "movarin.png"})
        QFile::copy(built + QLatin1Char('/') + QLatin1String(name),
                    program.file(QLatin1String(name)));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess first;
    first.setProcessEnvironment(env);
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start(exe, {});
    ASSERT_TRUE(first.waitForStarted());
    const bool shown = waitFor([] {
        return CSingleInstance::x11WindowTitled(QStringLiteral("Movarin")) == std::optional(true);
    });
    EXPECT_TRUE(shown) << "the program's window never appeared";
    EXPECT_TRUE(refused());

    // SIGTERM, as a logout sends it: the program ends as closing its window does, saving the
    // output folder.
    first.terminate();
    first.waitForFinished(10000);
    const bool ended = first.state() == QProcess::NotRunning;
    if (!ended)
        first.kill();
    first.waitForFinished(10000);
    EXPECT_TRUE(ended);
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_TRUE(
        program.read(QStringLiteral("Formats.ini"))
            .contains("OutputPath=" + program.file(QStringLiteral("Converted Videos")).toUtf8()));
}

TEST(StartupPathsTest, ArgumentsBecomeAbsolutePathsInTheirOrder)
{
    // As "Open with" and a shell hand them over: relative to the start folder, absolute, or as
    // file URLs. A name that is not UTF-8 text is named, never turned into another name.
    const OutsideFiles::Sorted paths = CConverterApp::StartupPaths(
        {"clip.mov", "sub/../b.avi", "/videos/c d.mp4", "file:///videos/e%20f.wmv",
         "https://example.org/g.avi", "", "clips/", "caf\xE9.avi", "file:///v/caf%E9.avi"},
        QStringLiteral("/home/ann"));
    EXPECT_EQ(paths.files,
              QStringList({"/home/ann/clip.mov", "/home/ann/b.avi", "/videos/c d.mp4",
                           "/videos/e f.wmv", "https://example.org/g.avi", "/home/ann/clips"}));
    const QString why = QStringLiteral(
        " (the name is not UTF-8 text; rename the file to convert it)");
    EXPECT_EQ(paths.skipped, QStringList({QString::fromUtf8("/home/ann/caf\xE9.avi") + why,
                                          QString::fromUtf8("/v/caf\xE9.avi") + why}));
}

class HandOverTest : public ::testing::Test
{
protected:
    TempDir runtime;
    EnvVar runtimeDir{"XDG_RUNTIME_DIR", runtime.path().toUtf8()};
    EnvVar display{"DISPLAY", std::nullopt};
};

TEST_F(HandOverTest, ACopyStartedWithFilesHandsThemToTheRunningOneAndEndsWithoutABox)
{
    CSingleInstance running(QStringLiteral("Movarin"));
    ASSERT_FALSE(running.anotherInstanceRunning());
    QStringList received, receivedSkipped;
    ASSERT_TRUE(running.listenForFiles([&](const QStringList &paths, const QStringList &skipped) {
        received = paths;
        receivedSkipped = skipped;
    }));

    TempDir start;
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(start.path());
    second.setProcessChannelMode(QProcess::ForwardedChannels);
    second.start(QStringLiteral(MOVARIN_EXECUTABLE),
                 {QStringLiteral("clip.avi"),
                  QStringLiteral("file://") + start.path() + QStringLiteral("/caf%E9.avi")});
    ASSERT_TRUE(second.waitForStarted());
    // A box would keep the copy waiting for a click that never comes.
    QDeadlineTimer deadline(30000);
    while (second.state() != QProcess::NotRunning && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const bool ended = second.state() == QProcess::NotRunning;
    if (!ended)
        second.kill();
    second.waitForFinished(5000);
    ASSERT_TRUE(ended) << "the second copy did not end by itself";
    EXPECT_EQ(second.exitCode(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(received, QStringList({start.file(QStringLiteral("clip.avi"))}));
    ASSERT_EQ(receivedSkipped.size(), 1);
    EXPECT_TRUE(receivedSkipped[0].startsWith(
        start.path() + QString::fromUtf8("/caf\xEF\xBF\xBD.avi (the name")))
        << receivedSkipped[0].toStdString();
}
