// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CMovieHost.h"
#include "WindowFit.h"

#include <QQuickWidget>

// The movie player that fills the main window: a QML scene given the `host` object.
class CShockwaveFlash : public QQuickWidget
{
    Q_OBJECT
public:
    explicit CShockwaveFlash(QWidget *parent = nullptr);
    ~CShockwaveFlash() override;

    // Plays the movie at path (a main.qml). A missing or broken movie leaves an empty area.
    void SetMovie(const QString &path);
    void SetVariable(const QString &name, const QString &value);
    QString GetVariable(const QString &name) const;

    CMovieHost *host() { return &m_host; }

    // "ShowAll": how the movie's stage (its root item's own size) is shown in this widget.
    WindowFit::ShowAll stageTransform() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

signals:
    // A UI command raised by the movie (delivered from the event loop).
    void FSCommand(const QString &command, const QString &argument);
    // The movie's FlashCall channel; nothing in this movie uses it.
    void FlashCall(const QString &request);

private:
    // The root keeps its own size and is scaled and centred as a whole, so that a smaller
    // window shows the same scene smaller instead of laying it out again.
    void ApplyShowAll();

    CMovieHost m_host;
};
