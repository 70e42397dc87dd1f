// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CVLCControl.h"

#include <QWidget>
#include <memory>

// The hidden window that owns the VLC control of one attempt. Its window (and the control with
// it) is made afresh for every attempt and destroyed before the next; it is never shown.
class CVlcHostDlg
{
public:
    explicit CVlcHostDlg(IVlcControlFactory &factory);
    ~CVlcHostDlg();

    CVlcHostDlg(const CVlcHostDlg &) = delete;
    CVlcHostDlg &operator=(const CVlcHostDlg &) = delete;

    // Creates the hidden window with a fresh control. Throws CVlcError when the control
    // cannot be made; the host then has no window.
    void Create(QWidget *parent);
    // Destroys the window and its control; nothing happens when there is none.
    void DestroyWindow();
    bool HasWindow() const { return m_window != nullptr; }
    QWidget *window() const { return m_window.get(); }

    // The control of the current window, or null before the first attempt.
    CVLCControl *vlc() const { return m_control.get(); }

    // stop and playlistClear do nothing when no control exists; the readings give -1 then.
    void stop();
    void playlistClear();
    float GetPosition();
    int GetTime();
    bool HasPlayedToEnd();
    // Empty or default when no control exists.
    QString WriteError();
    CMediaFacts SourceFacts();
    CMediaFacts ProbeFile(const QString &path);
    // Throws CVlcError when no control exists.
    void addTarget(const QString &uri, const QStringList &options, int mode, int position);

private:
    IVlcControlFactory &m_factory;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<CVLCControl> m_control;
};
