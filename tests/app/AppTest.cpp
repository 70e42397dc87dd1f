// SPDX-License-Identifier: GPL-3.0-or-later
#include "CConverterApp.h"
#include "Fakes.h"
#include "QStringPrinting.h"
#include "SingleInstance.h"
#include "TempDir.h"
#include "XvfbFixture.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
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
        QFile::copy(built + QLatin1Char('/') + QLatin1String(name), program.file(QLatin1String(name)));

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

    first.terminate();
    first.waitForFinished(10000);
    if (first.state() != QProcess::NotRunning)
        first.kill();
    first.waitForFinished(10000);
}

TEST(StartupPathsTest, ArgumentsBecomeAbsolutePathsInTheirOrder)
{
    // As "Open with" and a shell hand them over: relative to the start folder, absolute, or as
    // file URLs; the program's own name is not one of them.
    EXPECT_EQ(CConverterApp::StartupPaths({"/usr/bin/movarin", "clip.mov", "sub/../b.avi",
                                           "/videos/c d.mp4", "file:///videos/e%20f.wmv",
                                           "https://example.org/g.avi", "", "clips/"},
                                          QStringLiteral("/home/ann")),
              QStringList({"/home/ann/clip.mov", "/home/ann/b.avi", "/videos/c d.mp4",
                           "/videos/e f.wmv", "https://example.org/g.avi", "/home/ann/clips"}));
}
