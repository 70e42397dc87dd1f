// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputCheck.h"
#include "QStringPrinting.h"

#include <gtest/gtest.h>

using OutputCheck::WhyNotWhole;

TEST(OutputCheck, AWholeOutputHoldsEveryKindOfStreamOfItsSourceAndItsLength)
{
    const CMediaFacts both{true, true, true, 60000};
    EXPECT_EQ(WhyNotWhole(both, {true, true, true, 60100}), QString());
    // Within the allowance some muxers need for their stated length.
    EXPECT_EQ(WhyNotWhole(both, {true, true, true, 54500}), QString());
    EXPECT_EQ(WhyNotWhole({true, true, true, 8000}, {true, true, true, 6000}), QString());
    // A source whose length is unknown (a cut-off file) needs only some output.
    EXPECT_EQ(WhyNotWhole({true, true, false, -1}, {true, true, false, 900}), QString());
    // ASF states a length about 2 s short: nothing at all for a 2 s clip.
    EXPECT_EQ(WhyNotWhole({true, true, true, 2000}, {true, true, true, -1}), QString());
    // A silent source needs no sound.
    EXPECT_EQ(WhyNotWhole({true, true, false, 3000}, {true, true, false, 3000}), QString());

    EXPECT_NE(WhyNotWhole(both, {}), QString());                           // unreadable
    EXPECT_NE(WhyNotWhole(both, {true, false, true, 60000}), QString());   // no video
    EXPECT_NE(WhyNotWhole(both, {true, true, false, 60000}), QString());   // no sound
    EXPECT_NE(WhyNotWhole(both, {true, true, true, -1}), QString());       // nothing to play
    EXPECT_NE(WhyNotWhole(both, {true, true, true, 53000}), QString());    // cut off
    EXPECT_NE(WhyNotWhole({true, true, true, -1}, {true, true, true, 0}), QString());
}
