// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CVLCControl.h"

#include <QObject>
#include <memory>

// The host of the VLC control of one attempt. Its host object (and the control with it) is made
// afresh for every attempt and destroyed before the next. It is no window: nothing of it can
// ever be shown, and it needs no display.
class CVlcHostDlg
{
public:
    explicit CVlcHostDlg(IVlcControlFactory &factory);
    ~CVlcHostDlg();

    CVlcHostDlg(const CVlcHostDlg &) = delete;
    CVlcHostDlg &operator=(const CVlcHostDlg &) = delete;

    // Creates the host object, a child of parent, with a fresh control. Throws CVlcError when
    // the control cannot be made; the host then has none.
    void Create(QObject *parent);
    // Destroys the host object and its control; nothing happens when there is none.
    void DestroyWindow();
    bool HasWindow() const { return m_window != nullptr; }
    QObject *window() const { return m_window.get(); }

    // The control of the current attempt, or null before the first attempt.
    CVLCControl *vlc() const { return control(); }
    // Lends the control out (to read a finished output elsewhere); the host has none meanwhile.
    std::unique_ptr<CVLCControl> TakeControl() { return std::move(m_control); }
    // Takes a lent control back, unless another has been made since.
    void GiveBackControl(std::shared_ptr<CVLCControl> control);

    // stop and playlistClear do nothing when no control exists; the readings give -1 then.
    void stop();
    void playlistClear();
    float GetPosition();
    int GetTime();
    bool HasPlayedToEnd();
    // Empty or default when no control exists.
    QString WriteError();
    QStringList Messages();
    CMediaFacts SourceFacts();
    CMediaFacts ProbeFile(const QString &path);
    // Nothing happens when no control exists.
    void SetEndNotice(std::function<void()> ended);
    // Throws CVlcError when no control exists.
    void addTarget(const QString &uri, const QStringList &options, int mode, int position);

private:
    CVLCControl *control() const { return m_control ? m_control.get() : m_lent.get(); }

    IVlcControlFactory &m_factory;
    std::unique_ptr<QObject> m_window;
    std::unique_ptr<CVLCControl> m_control;
    std::shared_ptr<CVLCControl> m_lent;
};
