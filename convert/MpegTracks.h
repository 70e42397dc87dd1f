// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "OutputTracks.h"

// The tracks of an MPEG transport stream or program stream output put in the source's order.
// Both name a track in every packet (a transport stream packet by its PID, a program stream's
// PES packet by its stream id), so the tracks are renumbered in every packet, in place, byte
// for byte: the numbers stay with the places, which therefore rise in the source's order.
// - Transport stream: players list the tracks in the order of the program map (PMT), whose
//   entries move (languages written in ISO 639 descriptors, in the packet's stuffing; CRC-32
//   recomputed in every copy of the table).
// - Program stream: players list the tracks in the order their first packets appear, so the
//   first packets of the audio streams change places too (each keeps its own time stamps);
//   the system header and the stream map (PSM) follow the new stream ids.
// The whole file is read and checked before its first byte is written.
namespace OutputTracks::Mpeg {

// NotHandled when the device holds no transport stream (from its start).
Outcome ArrangeTransportStream(QIODevice &file, const QList<TrackPlan> &plan);
// NotHandled when the device holds no program stream.
Outcome ArrangeProgramStream(QIODevice &file, const QList<TrackPlan> &plan);

// A transport stream's tracks in its program map's order, with their languages (it has no
// default flag), read up to its first map; nullopt for any other file, or one that does not
// read.
std::optional<QList<HeaderTrack>> ReadTransportStreamTracks(QIODevice &file);

// Largest stretch of a program stream read into memory to move the audio's first packets.
inline constexpr qint64 MaxFirstPacketsBytes = 4 * 1024 * 1024;

}   // namespace OutputTracks::Mpeg
