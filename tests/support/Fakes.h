// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/CConversionDriver.h"
#include "convert/CVLCControl.h"
#include "platform/Clock.h"
#include "platform/DesktopNotifier.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"

#include <QList>
#include <QQueue>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

// Dialogs that answer from scripts and record every call.
class FakeDialogs : public IDialogs
{
public:
    struct Box
    {
        QWidget *owner;
        QString text;
        std::optional<QString> caption;
        Buttons buttons;
        bool information = false;   // shown with the information icon
    };
    struct SaveCall
    {
        QWidget *owner;
        SaveRequest request;
    };

    QList<Box> boxes;
    QQueue<Answer> boxAnswers;   // Yes/No answers, in order; Ok boxes need none
    std::function<void(const Box &)> onBox;   // runs while the box is "open"

    QList<QList<FileType>> openCalls;
    QQueue<QStringList> openAnswers;   // empty list = cancel

    QList<SaveCall> saveCalls;
    QQueue<std::optional<QString>> saveAnswers;
    std::function<void()> onSave;   // runs when the save dialog opens; may throw

    QStringList chooseTexts;
    QQueue<int> chooseAnswers;   // the choice made; -1 = closed; none left = -1

    QStringList folderTitles;
    QQueue<std::optional<QString>> folderAnswers;

    Answer messageBox(QWidget *owner, const QString &text, const std::optional<QString> &caption,
                      Buttons buttons) override;
    void informationBox(QWidget *owner, const QString &text, const QString &caption) override;
    int choose(QWidget *owner, const QString &text, const QString &caption,
               const QStringList &choices) override;
    QStringList getOpenFileNames(QWidget *owner, const QList<FileType> &fileTypes) override;
    std::optional<QString> getSaveFileName(QWidget *owner, const SaveRequest &request) override;
    std::optional<QString> chooseFolder(QWidget *owner, const QString &title) override;

    QStringList boxTexts() const;
};

class FakeShell : public IShell
{
public:
    QList<QUrl> opened;
    // A document then finds no program to show it, with this reason.
    QString documentFailure;
    void openUrl(const QUrl &url) override { opened << url; }
    void openDocument(const QUrl &url, const FailureHandler &onFailure) override
    {
        opened << url;
        if (!documentFailure.isEmpty() && onFailure)
            onFailure(documentFailure);
    }
};

// Records what would go to the desktop, in order: "notify <summary>: <body>",
// "progress <fraction>" (three decimals) and "clear".
class FakeDesktop : public IDesktopNotifier
{
public:
    QStringList calls;
    void notify(const QString &summary, const QString &body) override
    {
        calls << "notify " + summary + ": " + body;
    }
    void showProgress(double fraction) override
    {
        calls << "progress " + QString::number(fraction, 'f', 3);
    }
    void clearProgress() override { calls << QStringLiteral("clear"); }
};

// Runs the work and what follows it at once, on the calling thread; or, while held, keeps it
// until release() runs what was kept, as work that takes a while on another thread would.
class InlineWork : public IWorkRunner
{
public:
    bool hold = false;
    void Run(QObject *, std::function<void()> work, std::function<void()> then) override
    {
        if (hold) {
            m_held << std::pair{std::move(work), std::move(then)};
            return;
        }
        work();
        then();
    }
    void release()
    {
        hold = false;
        while (!m_held.isEmpty()) {
            auto [work, then] = m_held.takeFirst();
            work();
            then();
        }
    }

private:
    QList<std::pair<std::function<void()>, std::function<void()>>> m_held;
};

// Records the waits instead of sleeping.
class FakeClock : public IClock
{
public:
    QList<int> sleeps;
    void sleep(int milliseconds) override { sleeps << milliseconds; }
    void after(int milliseconds, QObject *, std::function<void()> then) override
    {
        sleeps << milliseconds;
        if (holdAfter)
            held = std::move(then);
        else
            then();
    }
    // With holdAfter, a timed wait goes on only when the test calls held.
    bool holdAfter = false;
    std::function<void()> held;
};

// A scripted control: each reading pops the next scripted (time, position) pair; when the
// script is empty the control reads as idle (-1, -1).
struct FakeVlcLog
{
    int created = 0;
    QStringList calls;   // "addTarget <uri>", "stop", "playlistClear", ...
    QList<QStringList> options;   // options of every addTarget
    // Per attempt (index = creation order), the readings (time, position) to give.
    QList<QList<std::pair<int, float>>> scripts;
    std::function<void()> throwOnAddTarget;   // called inside addTarget; may throw
    std::function<void()> throwOnGetTime;   // called inside GetTime; may throw
    bool failCreate = false;
    bool writeOutput = true;   // addTarget writes a few bytes where the option says
    bool growOutput = false;   // and every reading whose time advanced adds to them
    QList<bool> playedToEnd;   // per attempt: the item finished between two polls
    // Per attempt: what the finished output holds (default: whatever the source holds), the
    // file output's write error (default: none).
    QList<std::optional<CMediaFacts>> outputs;
    QStringList writeErrors;
    QStringList arrangeErrors;   // per attempt: why its tracks could not be put right
    CMediaFacts source{true, true, true, 3000};
    QStringList probed;   // every path ProbeFile was asked about
    int liveControls = 0;
    // Per attempt: how the driver asked to be told of the item's end.
    QList<std::function<void()>> endNotices;
};

class FakeVlcControl : public CVLCControl
{
public:
    FakeVlcControl(FakeVlcLog &log, int index);
    ~FakeVlcControl() override;
    void stop() override;
    float GetPosition() override;
    int GetTime() override;
    void addTarget(const QString &uri, const QStringList &options, int mode, int position) override;
    void playlistClear() override;
    void SetEndNotice(std::function<void()> ended) override;
    bool HasPlayedToEnd() override;
    QString WriteError() override;
    CMediaFacts SourceFacts() override;
    CMediaFacts ProbeFile(const QString &path) override;
    QString ArrangeTracks(const QString &path) override;

private:
    FakeVlcLog &m_log;
    int m_index;
    QList<std::pair<int, float>> m_script;
    std::pair<int, float> m_current{-1, -1.0f};
    QString m_output;
};

class FakeVlcFactory : public IVlcControlFactory
{
public:
    FakeVlcLog log;
    std::unique_ptr<CVLCControl> CreateControl() override;
};
