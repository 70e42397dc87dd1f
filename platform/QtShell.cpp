// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtShell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace {

// xdg-open returns at once where the desktop hands the document on, and runs a plain browser in
// the foreground otherwise. Its answer is awaited a few seconds; after that it is left running
// on its own, so that closing the program never closes the user's browser.
const char OpenAndReport[] = "xdg-open \"$1\" & pid=$!; n=0;"
                             " while kill -0 $pid 2>/dev/null && [ $n -lt 50 ]; do"
                             " sleep 0.1; n=$((n+1)); done;"
                             " if kill -0 $pid 2>/dev/null; then exit 0; fi; wait $pid";

}   // namespace

void CQtShell::openUrl(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}

void CQtShell::openDocument(const QUrl &url, const FailureHandler &onFailure)
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty()) {
        if (!QDesktopServices::openUrl(url) && onFailure)
            QTimer::singleShot(0, [onFailure] {
                onFailure(QStringLiteral("no program to show it was found"));
            });
        return;
    }
    auto *process = new QProcess;
    process->setProgram(QStringLiteral("/bin/sh"));
    process->setArguments({QStringLiteral("-c"), QString::fromLatin1(OpenAndReport),
                           QStringLiteral("sh"),
                           url.isLocalFile() ? url.toLocalFile() : url.toString()});
    process->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process,
                     [process, onFailure](int exitCode, QProcess::ExitStatus status) {
                         process->deleteLater();
                         if ((status != QProcess::NormalExit || exitCode != 0) && onFailure)
                             onFailure(QStringLiteral("no program to show it was found "
                                                      "(xdg-open ended with code %1)")
                                           .arg(exitCode));
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, onFailure](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         process->deleteLater();
                         if (onFailure)
                             onFailure(QStringLiteral("no program to show it could be started"));
                     });
    process->start();
}
