// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window's services for a benchmark run with nobody in front of it.
#include "DesktopNotifier.h"
#include "Dialogs.h"
#include "Shell.h"

#include <QUrl>
#include <cstdio>

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
    QStringList getOpenFileNames(QWidget *, const QList<FileType> &) override { return {}; }
    std::optional<QString> getSaveFileName(QWidget *, const SaveRequest &) override { return {}; }
    std::optional<QString> chooseFolder(QWidget *, const QString &) override { return {}; }
};

class NoShell : public IShell
{
public:
    void openUrl(const QUrl &) override {}
};

// Nothing goes to the desktop.
class NoDesktop : public IDesktopNotifier
{
public:
    void notify(const QString &, const QString &) override {}
    void showProgress(double) override {}
    void clearProgress() override {}
};
