// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int Handled[] = {SIGTERM, SIGHUP, SIGINT};

// A signal handler can reach nothing but a plain variable: the write end of the object's pipe.
volatile sig_atomic_t g_writeEnd = -1;

void OnSignal(int signalNumber)
{
    // Only async-signal-safe calls: one write, errno left as it was.
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    if (g_writeEnd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(g_writeEnd, &byte, 1);
    }
    errno = savedErrno;
}

}   // namespace

CTerminationSignals::CTerminationSignals(QObject *parent)
    : QObject(parent)
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_writeEnd = m_pipe[1];
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CTerminationSignals::OnReadable);
    struct sigaction action
    {
    };
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : Handled)
        ::sigaction(signalNumber, &action, nullptr);
}

CTerminationSignals::~CTerminationSignals()
{
    struct sigaction action
    {
    };
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : Handled)
        ::sigaction(signalNumber, &action, nullptr);
    g_writeEnd = -1;
    delete m_notifier;
    for (const int fd : m_pipe)
        if (fd >= 0)
            ::close(fd);
}

void CTerminationSignals::OnReadable()
{
    unsigned char bytes[16];
    ssize_t count = 0;
    while ((count = ::read(m_pipe[0], bytes, sizeof bytes)) > 0)
        for (ssize_t i = 0; i < count; ++i)
            emit Received(bytes[i]);
}
