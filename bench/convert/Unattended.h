// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window's services for a benchmark run with nobody in front of it.
#include "platform/DesktopNotifier.h"
#include "platform/Dialogs.h"
#include "platform/ProcessMemory.h"
#include "platform/Shell.h"

#include <QDir>
#include <QFile>
#include <QQuickWindow>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <cstdio>
#include <initializer_list>

// Offscreen unless the caller chose a platform; the movie drawn by the software renderer, as in
// the program. Before the application object is made.
inline void UseUnattendedPlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

// The command-line argument at index as a number, or fallback when it is not given.
inline int NumberArgument(const QStringList &args, int index, int fallback)
{
    return args.size() > index ? args[index].toInt() : fallback;
}

// A program folder inside work, with copies of the named files of the built program.
inline QString ProgramFolder(const QTemporaryDir &work, std::initializer_list<const char *> files)
{
    const QString folder = work.path() + QStringLiteral("/program/");
    QDir().mkpath(folder);
    for (const char *file : files)
        QFile::copy(QStringLiteral(MOVARIN_PROGRAM_DIR "/") + QLatin1String(file),
                    folder + QLatin1String(file));
    return folder;
}

// Answers every question without a person: overwrite, OK. Boxes other than the completion
// report are printed, so a benchmark that hit one says so.
class AutoDialogs : public IDialogs
{
public:
    Answer messageBox(QWidget *, const QString &text, const std::optional<QString> &,
                      Buttons buttons) override
    {
        if (!text.startsWith(QStringLiteral("Conversion Complete")))
            std::fprintf(stderr, "  box: %s\n", qPrintable(text));
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
    // The first choice: overwrite.
    int choose(QWidget *, const QString &, const QString &, const QStringList &) override
    {
        return 0;
    }
    QStringList getOpenFileNames(QWidget *, const QList<FileType> &) override { return {}; }
    std::optional<QString> getSaveFileName(QWidget *, const SaveRequest &) override { return {}; }
    std::optional<QString> chooseFolder(QWidget *, const QString &) override { return {}; }
};

class NoShell : public IShell
{
public:
    void openUrl(const QUrl &) override { }
};

// Nothing goes to the desktop.
class NoDesktop : public IDesktopNotifier
{
public:
    void notify(const QString &, const QString &) override { }
    void showProgress(double) override { }
    void clearProgress() override { }
};
