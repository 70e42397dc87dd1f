// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QIODevice;

// Whether an MP4-family file (.mp4, .mov, .3gp, .m4v) lets a player start its video at the first
// frame. A video track's sync-sample table (stss) lists the samples a decoder may start from;
// without the table every sample is one. A table that leaves out sample 1 leaves a player that
// trusts it nothing to start from before the next listed key frame: VLC's seeks there show no
// picture.
// The boxes are read as untrusted input (see Mp4Box).
namespace Mp4SyncSample {

enum class Verdict {
    NotMp4,   // no movie box among the top-level boxes: not for this check
    FirstSampleIsSync,   // every video track may start at its first sample
    FirstSampleNotSync,   // a video track's sync-sample table leaves out its first sample
    Damaged,   // a box's size or contents do not fit where it stands
};

// Reads the device from its start; it must be open for reading and seekable.
Verdict Check(QIODevice &file);
Verdict CheckFile(const QString &path);

}   // namespace Mp4SyncSample
