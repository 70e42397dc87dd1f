// SPDX-License-Identifier: GPL-3.0-or-later
// The main window and the desktop around it: the run's progress on the taskbar entry, the
// notification at its end, and the window's fit on its screen.
#include "CConverterDlg.h"

#include "CDropHighlight.h"
#include "WindowFit.h"
#include "filelist/CFileListBox.h"
#include "platform/DesktopNotifier.h"
#include "platform/ProcessMemory.h"

#include <QScreen>
#include <QWindow>
#include <cmath>

int CConverterDlg::RowCount()
{
    return m_fileList->GetCount();
}

QString CConverterDlg::RowText(int row)
{
    return m_fileList->GetText(row);
}

void CConverterDlg::SetQueueEditable(bool editable)
{
    m_fileList->m_deleteKeyEnabled = editable ? 1 : 0;
}

void CConverterDlg::RunStarted(int rows)
{
    QStringList sources;
    for (int row = 0; row < rows; ++row)
        sources << m_fileList->GetText(row);
    m_runResults.Begin(sources);
}

void CConverterDlg::AttemptStarted(int row, const QString &)
{
    m_runResults.Converting(row);
}

void CConverterDlg::AttemptEnded(int, const CAttemptRecord &)
{
    // libVLC has stopped and its buffers are freed: what they left in the heaps goes back
    // before the next file, or a long queue would keep growing.
    GiveFreedMemoryBack();
}

void CConverterDlg::FileFinished(const CFileResult &result)
{
    m_runResults.Finished(result);
}

void CConverterDlg::QueueProgress(int row, int rows, int percentOfFile, qint64)
{
    m_runResults.Progress(row, percentOfFile);
    if (rows <= 0 || row < 0)
        return;
    const double done = (row + qBound(0, percentOfFile, 100) / 100.0) / rows;
    m_services.desktop.showProgress(qMin(1.0, done));
}

void CConverterDlg::ClearQueueProgress()
{
    m_services.desktop.clearProgress();
}

void CConverterDlg::RunFinished(int rows, int converted)
{
    ClearQueueProgress();
    // The completion box is for a user at the window; one looking elsewhere gets told too.
    if (isActiveWindow())
        return;
    // Every row of the run that did not end converted or skipped (by the user's choice at the
    // save dialog, or an output that exists in an unattended run) failed.
    const int skipped = m_runResults.Skipped();
    const int failed = qMax(0, rows - converted - skipped);
    QString body = QStringLiteral("%1 %2 converted, %3 failed")
                       .arg(converted)
                       .arg(converted == 1 ? QStringLiteral("file") : QStringLiteral("files"))
                       .arg(failed);
    if (skipped > 0)
        body += QStringLiteral(", %1 skipped").arg(skipped);
    m_services.desktop.notify(QStringLiteral("Conversion complete"), body);
}

void CConverterDlg::FitToScreen()
{
    QScreen *where = screen();
    if (!where)
        return;
    const QRect available = where->availableGeometry();
    const double scale = WindowFit::ScaleToFit(DesignSize(), available.size());
    const QSize size = WindowFit::ScaledSize(DesignSize(), scale);
    setFixedSize(size);
    m_flash.setGeometry(QRect(QPoint(0, 0), size));

    // The list follows the movie's own transform. Its rows shrink by whole pixels, never past
    // the list's rectangle, so it always shows seven whole rows inside the movie's frame.
    const WindowFit::ShowAll show = WindowFit::ShowAllTransform(QSizeF(DesignSize()), QSizeF(size));
    if (m_fileList) {
        m_fileList->SetRowHeight(
            static_cast<int>(std::floor(CFileListBox::m_itemHeight * show.scale + 1e-9)));
        m_fileList->setGeometry(show.map(DesignListRect()));
    }
    if (m_dropHighlight->isVisible())
        m_dropHighlight->ShowOver(rect());

    // A window already up stays on its screen as a whole.
    if (isVisible()) {
        QRect frame = frameGeometry();
        frame.moveRight(qMin(frame.right(), available.right()));
        frame.moveBottom(qMin(frame.bottom(), available.bottom()));
        frame.moveLeft(qMax(frame.left(), available.left()));
        frame.moveTop(qMax(frame.top(), available.top()));
        if (frame.topLeft() != frameGeometry().topLeft())
            move(frame.topLeft());
    }
}

void CConverterDlg::showEvent(QShowEvent *event)
{
    WatchScreen();
    FitToScreen();
    QDialog::showEvent(event);
}

void CConverterDlg::WatchScreen()
{
    QWindow *window = windowHandle();
    if (!window)
        return;
    // Moved to another screen, or the panels of this one changed: fit again.
    connect(window, &QWindow::screenChanged, this, &CConverterDlg::WatchScreen,
            Qt::UniqueConnection);
    QScreen *current = window->screen();
    if (current == m_watchedScreen)
        return;
    if (m_watchedScreen)
        disconnect(m_watchedScreen, nullptr, this, nullptr);
    m_watchedScreen = current;
    if (current)
        connect(current, &QScreen::availableGeometryChanged, this, &CConverterDlg::FitToScreen);
    FitToScreen();
}
