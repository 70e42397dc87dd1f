// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "OutputTracks.h"

// ASF (.wmv, .asf): FFmpeg, GStreamer and libVLC all list the streams in the order of the
// Stream Properties objects in the header, whatever their numbers; the data packets name the
// streams by number only. So the tracks are put in order by moving those objects within the
// header, and nothing in the data changes. The header's object count is also made to match
// the objects it holds (libVLC's muxer counts its metadata object, which lies inside the header
// extension, once too often, and GStreamer then finds no end to the header).
// Languages live in a Language List object, which Extended Stream Properties objects refer to
// by index; libVLC's muxer writes neither for WMV2 and WMA, so they are added to the header
// extension. The header then grows and the rest of the file moves back by as much. ASF has no
// flag for a default stream.
namespace OutputTracks::Asf {

// The tracks of an ASF file in the header's order, languages as written (RFC 1766, e.g. "fr");
// nullopt when the file is no ASF file or its header does not read (isAsf says which).
std::optional<QList<HeaderTrack>> ReadTracks(QIODevice &file, bool &isAsf);

// NotHandled when the file is no ASF file.
Outcome Arrange(QIODevice &file, const QList<TrackPlan> &plan);

// Largest ASF header read into memory.
inline constexpr qint64 MaxHeaderBytes = 1024 * 1024;

}   // namespace OutputTracks::Asf
