// SPDX-License-Identifier: GPL-3.0-or-later
#include "Mp4SyncSample.h"

#include "Mp4Box.h"

#include <QByteArray>
#include <QFile>
#include <QIODevice>

namespace Mp4SyncSample {

namespace {

using namespace Mp4Box;

// One track: whether it is video and, if so, whether its first sample is a sync sample.
Verdict checkTrack(const QByteArray &data, const Box &track)
{
    bool damaged = false;
    const std::optional<Box> media = child(data, track, "mdia", damaged);
    if (!media)
        return damaged ? Verdict::Damaged : Verdict::FirstSampleIsSync;
    const std::optional<Box> handler = child(data, *media, "hdlr", damaged);
    // hdlr: version and flags, pre_defined, then the handler type.
    if (!handler)
        return damaged ? Verdict::Damaged : Verdict::FirstSampleIsSync;
    if (handler->end - handler->payload < 12)
        return Verdict::Damaged;
    if (QByteArray(data.constData() + handler->payload + 8, 4) != "vide")
        return Verdict::FirstSampleIsSync;
    std::optional<Box> box = child(data, *media, "minf", damaged);
    if (box)
        box = child(data, *box, "stbl", damaged);
    if (box)
        box = child(data, *box, "stss", damaged);
    if (damaged)
        return Verdict::Damaged;
    if (!box)
        return Verdict::FirstSampleIsSync;   // no table: every sample is a sync sample
    // stss: version and flags, the entry count, then the sample numbers in rising order.
    const qint64 length = box->end - box->payload;
    if (length < 8)
        return Verdict::Damaged;
    const quint32 count = readU32(data.constData() + box->payload + 4);
    if (quint64(count) * 4 > quint64(length - 8))
        return Verdict::Damaged;
    if (count == 0 || readU32(data.constData() + box->payload + 8) != 1)
        return Verdict::FirstSampleNotSync;
    return Verdict::FirstSampleIsSync;
}

Verdict checkMovie(const QByteArray &movie)
{
    const Box whole{"moov", 0, 0, movie.size()};
    BoxWalker walker(movie, whole.payload, whole.end);
    Verdict verdict = Verdict::FirstSampleIsSync;
    while (const std::optional<Box> box = walker.next()) {
        if (box->type != "trak")
            continue;
        const Verdict track = checkTrack(movie, *box);
        if (track == Verdict::Damaged)
            return track;
        if (track == Verdict::FirstSampleNotSync)
            verdict = track;
    }
    return walker.damaged() ? Verdict::Damaged : verdict;
}

}   // namespace

Verdict Check(QIODevice &file)
{
    const MovieBox movie = ReadMovieBox(file);
    switch (movie.status) {
    case MovieBox::Status::NotMp4:
        return Verdict::NotMp4;
    case MovieBox::Status::Damaged:
        return Verdict::Damaged;
    case MovieBox::Status::Found:
        break;
    }
    return checkMovie(movie.payload);
}

Verdict CheckFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Verdict::NotMp4;
    return Check(file);
}

}   // namespace Mp4SyncSample
