// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "OutputTracks.h"

// The streams of an AVI file (RIFF 'AVI ', with OpenDML 'AVIX' extensions) put in the order the
// plan asks. A stream is known by its place: its header is the n-th 'strl' list, and every
// chunk of its data in the 'movi' lists ("01wb"), its 'idx1' entries, its OpenDML leaf indices
// ("ix01") and the chunk id in its super index name it by that number in two decimal digits.
// The stream headers change places within the header list; the numbers stay with the places,
// so each chunk, index entry and leaf index of a moved stream gets its new number, two bytes
// written in place. AVI has no language or default flag that FFmpeg, GStreamer or libVLC read
// ('strn' is a title to all three; 'strh' keeps a language word nobody reads), so only the
// order is written.
namespace OutputTracks::Avi {

// The streams in the header's order: kinds only, as AVI has no languages or flags. nullopt for
// any other file, or an AVI file whose header does not read.
std::optional<QList<HeaderTrack>> ReadTracks(QIODevice &file);

// The streams put in the plan's order. NotHandled for a file that is no AVI file; the whole
// file is read before the first byte is written, and a file that does not read is Damaged.
Outcome Arrange(QIODevice &file, const QList<TrackPlan> &plan);

// Largest stream header list read into memory.
inline constexpr qint64 MaxHeaderListBytes = 4 * 1024 * 1024;

}   // namespace OutputTracks::Avi
