// SPDX-License-Identifier: GPL-3.0-or-later
// Files from outside the window: named on the command line or dropped from a file manager.
#include "CConverterDlg.h"

#include "CDropHighlight.h"
#include "OutsideFiles.h"
#include "filelist/CFileListBox.h"
#include "platform/Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <algorithm>

bool CConverterDlg::RunInProgress() const
{
    return m_driver.RunInProgress();
}

QStringList CConverterDlg::SourceExtensionsOf(const FormatCatalog &formats)
{
    QStringList extensions;
    const auto take = [&extensions](QString extension) {
        extension = extension.trimmed().toLower();
        if (extension.startsWith(QLatin1Char('.')))
            extension.remove(0, 1);
        if (!extension.isEmpty() && !extensions.contains(extension))
            extensions << extension;
    };
    // The open dialog's "All Supported Types", then every target of the catalogue: a file the
    // program writes is one it can read again.
    const QString supported = SourceFileTypes().constFirst().patterns;
    for (const QString &pattern : supported.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        take(pattern.trimmed().remove(QStringLiteral("*")));
    for (const QString &target : formats.convertToList)
        take(target);
    return extensions;
}

void CConverterDlg::QueueOutsidePaths(const QStringList &paths, const QStringList &alreadySkipped)
{
    if (!m_fileList || (paths.isEmpty() && alreadySkipped.isEmpty()))
        return;
    const OutsideFiles::Sorted sorted = OutsideFiles::Sort(paths, SourceExtensions());
    // The add command's rule: appended in order, a path already queued is not queued again.
    m_fileList->AddPathsNotQueued(sorted.files);
    const QStringList skipped = alreadySkipped + sorted.skipped;
    if (!skipped.isEmpty())
        m_services.dialogs.messageBox(this, OutsideFiles::SkippedMessage(skipped),
                                      QStringLiteral("Movarin"), IDialogs::Buttons::Ok);
}

void CConverterDlg::ReceiveOutsideFiles(const QStringList &paths, const QStringList &skipped)
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    // A box of ours that is open stays above the window it belongs to.
    if (QWidget *modal = QApplication::activeModalWidget(); modal && modal != this)
        modal->raise();
    if (!RunInProgress()) {
        QueueOutsidePaths(paths, skipped);
        return;
    }
    // The queue does not change under a run, as the Add button is off then.
    const QStringList named = paths + skipped;
    if (named.isEmpty())
        return;
    QString text = QStringLiteral("A conversion is running, so the queue cannot change. Add these "
                                  "when it has ended:");
    const qsizetype shown = std::min<qsizetype>(named.size(), 15);
    for (qsizetype i = 0; i < shown; ++i)
        text += QLatin1Char('\n') + named.at(i);
    if (named.size() > shown)
        text += QStringLiteral("\n... and %1 more").arg(named.size() - shown);
    m_services.dialogs.messageBox(this, text, QStringLiteral("Movarin"), IDialogs::Buttons::Ok);
}

bool CConverterDlg::AcceptDrag(QDropEvent *event) const
{
    // Refused while a run goes, as the Add button is then.
    if (RunInProgress() || !event->mimeData()->hasUrls())
        return false;
    bool local = false;
    for (const QUrl &url : event->mimeData()->urls())
        local = local || url.isLocalFile();
    if (!local)
        return false;
    // The sources stay where they are: never accept a move, which would have the file manager
    // delete them.
    if (event->possibleActions().testFlag(Qt::CopyAction))
        event->setDropAction(Qt::CopyAction);
    else if (event->possibleActions().testFlag(Qt::LinkAction))
        event->setDropAction(Qt::LinkAction);
    else
        return false;
    return true;
}

void CConverterDlg::dragEnterEvent(QDragEnterEvent *event)
{
    if (!AcceptDrag(event)) {
        event->ignore();
        return;
    }
    event->accept();
    m_dropHighlight->ShowOver(rect());
}

void CConverterDlg::dragMoveEvent(QDragMoveEvent *event)
{
    if (!AcceptDrag(event)) {
        event->ignore();
        m_dropHighlight->Hide();
        return;
    }
    event->accept();
}

void CConverterDlg::dragLeaveEvent(QDragLeaveEvent *event)
{
    m_dropHighlight->Hide();
    event->accept();
}

void CConverterDlg::dropEvent(QDropEvent *event)
{
    m_dropHighlight->Hide();
    if (!AcceptDrag(event)) {
        event->ignore();
        return;
    }
    event->accept();
    QStringList paths;
    QStringList skipped;
    for (const QUrl &url : event->mimeData()->urls()) {
        QByteArray bytes;
        if (!url.isLocalFile())
            paths << url.toString();
        else if (const std::optional<QString> path = OutsideFiles::LocalPathOfUrl(url, bytes))
            paths << *path;
        else
            skipped << OutsideFiles::NotTextEntry(bytes);
    }
    // The file manager waits for the drop to end: the message, if any, comes after that.
    QMetaObject::invokeMethod(
        this,
        [this, paths, skipped] {
            if (!RunInProgress())
                QueueOutsidePaths(paths, skipped);
        },
        Qt::QueuedConnection);
}
