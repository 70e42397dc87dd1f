// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TerminationSignals.h"

#include <QSignalSpy>
#include <csignal>
#include <gtest/gtest.h>

TEST(TerminationSignals, LogoutKillAndCtrlCArriveThroughTheEventLoop)
{
    CTerminationSignals termination;
    QSignalSpy received(&termination, &CTerminationSignals::Received);
    // Without the handlers, each of these would end the test program at once.
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
        ASSERT_EQ(::raise(signalNumber), 0);
        ASSERT_TRUE(received.wait(5000)) << signalNumber;
        EXPECT_EQ(received.takeFirst().at(0).toInt(), signalNumber);
    }
}
