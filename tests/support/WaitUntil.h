// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTest>
#include <gtest/gtest.h>

// Runs the event loop until condition holds, and fails the test when it still does not after
// timeoutMs. QTest's QTRY_* macros report to QTest's own log, which a GoogleTest run never reads:
// their timeout would pass silently.
#define WAIT_UNTIL_FOR(condition, timeoutMs)                                                       \
    ASSERT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(condition); }, (timeoutMs)))        \
        << "still false after " << (timeoutMs) << " ms: " #condition

// The same with QTRY_VERIFY's five seconds.
#define WAIT_UNTIL(condition) WAIT_UNTIL_FOR(condition, 5000)
