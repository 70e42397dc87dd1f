// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGHUP and SIGINT (a logout, `kill`, Ctrl+C in a terminal) turned into a Qt signal
// delivered by the event loop, so that the program ends the way closing its window does
// instead of at once. One object per process; the handlers stay installed while it lives.
class CTerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit CTerminationSignals(QObject *parent = nullptr);
    ~CTerminationSignals() override;

signals:
    // Emitted from the event loop once for each signal received.
    void Received(int signalNumber);

private:
    void OnReadable();

    int m_pipe[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
};
