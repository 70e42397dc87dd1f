// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CVLCControl.h"

#include <QString>

// Whether the output of an attempt is whole: a file counts as converted only then.
namespace OutputCheck {

// How much shorter than its source an output may be and still count as whole. Some muxers
// state a length a little short of the content (ASF by about two seconds).
qint64 AllowedShortfallMs(qint64 sourceLengthMs);

// Empty when the output holds every kind of stream that the source has (video, audio), its
// video plays from the first frame (no playback fault), and it is not shorter than the source
// beyond the allowance (or, when the source's length is unknown, has a length at all); otherwise
// why not.
QString WhyNotWhole(const CMediaFacts &source, const CMediaFacts &output);

}   // namespace OutputCheck
