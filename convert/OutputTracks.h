// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <optional>

class QIODevice;

// The tracks of an output as its source had them. libVLC's transcoder hands each track to the
// muxer when that track's first frame is decoded, on one thread per track, so the muxer writes
// the tracks in an order that changes from run to run; and its FFmpeg-based muxer writes no
// language and marks the first track of each kind default. Once the muxer is done, the header
// of an MP4-family or Matroska output is put right in place: the tracks in the source's order,
// their languages, and the source's default audio track marked default (the only one); an Ogg
// output's tracks are put in the source's order (Ogg has no languages or flags); so are an MPEG
// transport or program stream's (see MpegTracks.h) and an AVI output's streams (see AviTracks.h).
// The header keeps its size: the boxes, elements or pages are moved within it and values of the
// same length are written over the muxer's. In Matroska, where libVLC lists the tracks by
// number, the numbers stay with the places, and each block and cue naming a moved track gets
// its new number (one byte, in place). An ASF output's streams are put in the source's order
// and given languages too, its header growing for them (AsfTracks.h).
namespace OutputTracks {

enum class Kind { Video, Audio, Other };

// One track of a file, as the file's own header says.
struct HeaderTrack
{
    Kind kind = Kind::Other;
    QString language;   // as written; empty when the header has none
    bool isDefault = false;   // MP4: the track is enabled; Matroska: FlagDefault
};

// The tracks of an MP4-family, Matroska, MPEG transport stream, AVI or ASF file in the header's
// order; nullopt for any other file, or one whose header does not read.
std::optional<QList<HeaderTrack>> ReadTracks(const QString &path);

// One track of the source, as libVLC reads it, in libVLC's (the source's) order.
struct SourceTrack
{
    int id = -1;   // libVLC's id of the track, which the muxer's log names
    Kind kind = Kind::Other;
    QString language;   // ISO 639-2 code, or empty
    bool isDefault = false;
};

// What to make of one track of the output, in the order the muxer wrote them.
struct TrackPlan
{
    int rank = 0;   // the tracks are put in rising rank
    QString language;   // three letters to write; empty leaves it
    std::optional<bool> isDefault;   // the flag to write; nullopt leaves it
    Kind kind = Kind::Other;   // the source track's kind; Other when unknown
};

// The plan for an output whose muxer took the source's tracks of the given ids in that order.
// The source's default audio track is the one it marks so, else its first; a language is
// written only as three lower-case letters.
QList<TrackPlan> PlanFor(const QList<int> &muxedIds, const QList<SourceTrack> &source);

enum class Outcome {
    Arranged,   // the header now says what the plan asks
    NotHandled,   // not an MP4-family, Matroska, Ogg, MPEG, AVI or ASF file
    Mismatch,   // the file holds another number of tracks than the plan: left as it is
    Damaged,   // the header does not read: left as it is
    WriteFailed,
};

// Puts the output's header right as the plan says; only the file's header is rewritten.
Outcome Arrange(const QString &path, const QList<TrackPlan> &plan);
// The same on a device open for reading and writing, from its start.
Outcome Arrange(QIODevice &file, const QList<TrackPlan> &plan);

// Largest Matroska track list read into memory.
inline constexpr qint64 MaxTrackListBytes = 1024 * 1024;

}   // namespace OutputTracks
