// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputTracks.h"

#include "AsfTracks.h"
#include "AviTracks.h"
#include "Mp4Box.h"
#include "MpegTracks.h"
#include "TrackRewriting.h"

#include <QFile>
#include <QHash>
#include <algorithm>
#include <limits>
#include <numeric>

namespace OutputTracks {

namespace {

// The order the tracks go in: their indices, stably sorted by rank.
QList<qsizetype> rankedOrder(const QList<TrackPlan> &plan)
{
    QList<qsizetype> order(plan.size());
    std::iota(order.begin(), order.end(), 0);
    return ByRank(order, plan);
}

// Writes the bytes at offset of an open file; whether all of them were written.
bool writeAt(QIODevice &file, qint64 offset, const QByteArray &bytes)
{
    return file.seek(offset) && file.write(bytes) == bytes.size();
}

// ---- MP4 family: the tracks are the movie box's trak boxes ---------------------------------

struct Mp4Track
{
    Mp4Box::Box box;
    Kind kind = Kind::Other;
    bool hasReference = false;   // a tref box names other tracks by their ids
    qint64 flagsAt = -1;   // the low byte of tkhd's flags (bit 0: enabled)
    qint64 idAt = -1;   // tkhd's track_ID
    qint64 languageAt = -1;   // mdhd's packed language
};

// nullopt when the track's boxes do not fit.
std::optional<Mp4Track> readMp4Track(const QByteArray &movie, const Mp4Box::Box &trak)
{
    using Mp4Box::child;
    Mp4Track track{trak};
    bool damaged = false;
    // tkhd: version and flags, two times (32 or 64 bits each), then the track id.
    const std::optional<Mp4Box::Box> header = child(movie, trak, "tkhd", damaged);
    if (!header || header->end - header->payload < 4)
        return std::nullopt;
    const int headerVersion = movie.at(header->payload);
    track.flagsAt = header->payload + 3;
    track.idAt = header->payload + (headerVersion == 1 ? 20 : 12);
    if (track.idAt + 4 > header->end)
        return std::nullopt;
    track.hasReference = child(movie, trak, "tref", damaged).has_value();
    const std::optional<Mp4Box::Box> media = child(movie, trak, "mdia", damaged);
    if (damaged)
        return std::nullopt;
    if (!media)
        return track;
    // hdlr: version and flags, pre_defined, then the handler type.
    const std::optional<Mp4Box::Box> handler = child(movie, *media, "hdlr", damaged);
    if (handler && handler->end - handler->payload >= 12) {
        const QByteArray type = movie.mid(handler->payload + 8, 4);
        track.kind = type == "vide" ? Kind::Video : type == "soun" ? Kind::Audio : Kind::Other;
    }
    // mdhd: version and flags, two times, the time scale and the duration, then the language.
    const std::optional<Mp4Box::Box> mediaHeader = child(movie, *media, "mdhd", damaged);
    if (damaged)
        return std::nullopt;
    if (mediaHeader && mediaHeader->end - mediaHeader->payload >= 4) {
        const qint64 at = mediaHeader->payload + (movie.at(mediaHeader->payload) == 1 ? 32 : 20);
        if (at + 2 <= mediaHeader->end)
            track.languageAt = at;
    }
    return track;
}

std::optional<QList<Mp4Track>> readMp4Tracks(const QByteArray &movie)
{
    QList<Mp4Track> tracks;
    Mp4Box::BoxWalker walker(movie, 0, movie.size());
    while (const std::optional<Mp4Box::Box> box = walker.next()) {
        if (box->type != "trak")
            continue;
        const std::optional<Mp4Track> track = readMp4Track(movie, *box);
        if (!track)
            return std::nullopt;
        tracks << *track;
    }
    if (walker.damaged())
        return std::nullopt;
    return tracks;
}

// ISO 639-2/T in three letters of five bits each, as mdhd packs it.
QString unpackLanguage(const QByteArray &movie, qint64 at)
{
    const auto packed = quint16((quint8(movie.at(at)) << 8) | quint8(movie.at(at + 1)));
    QString code;
    for (int shift : {10, 5, 0})
        code += QChar(u'`' + ((packed >> shift) & 0x1f));
    return IsLanguageCode(code) ? code : QString();
}

void packLanguage(QByteArray &bytes, qint64 at, const QString &code)
{
    quint16 packed = 0;
    for (QChar c : code)
        packed = quint16((packed << 5) | ((c.unicode() - u'`') & 0x1f));
    bytes[at] = char(packed >> 8);
    bytes[at + 1] = char(packed & 0xff);
}

QList<HeaderTrack> mp4HeaderTracks(const QByteArray &movie, const QList<Mp4Track> &tracks)
{
    QList<HeaderTrack> result;
    for (const Mp4Track &track : tracks)
        result << HeaderTrack{track.kind,
                              track.languageAt >= 0 ? unpackLanguage(movie, track.languageAt)
                                                    : QString(),
                              (movie.at(track.flagsAt) & 1) != 0};
    return result;
}

Outcome arrangeMp4(QIODevice &file, const Mp4Box::MovieBox &movieBox, const QList<TrackPlan> &plan)
{
    const QByteArray &movie = movieBox.payload;
    const std::optional<QList<Mp4Track>> tracks = readMp4Tracks(movie);
    if (!tracks)
        return Outcome::Damaged;
    if (tracks->size() != plan.size())
        return Outcome::Mismatch;

    // Each track with the plan's language and flag written into its own copy.
    QList<QByteArray> edited;
    for (qsizetype i = 0; i < tracks->size(); ++i) {
        const Mp4Track &track = tracks->at(i);
        QByteArray bytes = movie.mid(track.box.begin, track.box.end - track.box.begin);
        if (IsLanguageCode(plan[i].language) && track.languageAt >= 0)
            packLanguage(bytes, track.languageAt - track.box.begin, plan[i].language);
        if (plan[i].isDefault && track.kind != Kind::Other) {
            char &flags = bytes[track.flagsAt - track.box.begin];
            flags = char(*plan[i].isDefault ? (flags | 1) : (flags & ~1));
        }
        edited << bytes;
    }
    // The tracks change places; the ids stay with the places, so that they still rise, unless
    // a track names another by its id.
    const bool keepIds = std::none_of(tracks->cbegin(), tracks->cend(),
                                      [](const Mp4Track &t) { return t.hasReference; });
    const QList<qsizetype> order = rankedOrder(plan);
    QByteArray rewritten;
    rewritten.reserve(movie.size());
    qsizetype slot = 0;
    qint64 pos = 0;
    for (const Mp4Track &track : *tracks) {
        rewritten += movie.mid(pos, track.box.begin - pos);
        const qsizetype from = order[slot];
        QByteArray bytes = edited[from];
        if (keepIds) {
            const qint64 idAt = tracks->at(from).idAt - tracks->at(from).box.begin;
            Mp4Box::writeU32(bytes.data() + idAt, Mp4Box::readU32(movie.constData() + track.idAt));
        }
        rewritten += bytes;
        pos = track.box.end;
        ++slot;
    }
    rewritten += movie.mid(pos);
    if (rewritten == movie)
        return Outcome::Arranged;
    return writeAt(file, movieBox.payloadOffset, rewritten) ? Outcome::Arranged
                                                            : Outcome::WriteFailed;
}

// ---- Matroska: the tracks are the TrackEntry elements of the Tracks element -----------------

constexpr quint32 EbmlHeaderId = 0x1A45DFA3;
constexpr quint32 SegmentId = 0x18538067;
constexpr quint32 TracksId = 0x1654AE6B;
constexpr quint32 ClusterId = 0x1F43B675;
constexpr quint32 Crc32Id = 0xBF;
constexpr quint32 TrackEntryId = 0xAE;
constexpr quint32 TrackNumberId = 0xD7;
constexpr quint32 TrackTypeId = 0x83;
constexpr quint32 CuesId = 0x1C53BB6B;
constexpr quint32 CuePointId = 0xBB;
constexpr quint32 CueTrackPositionsId = 0xB7;
constexpr quint32 CueTrackId = 0xF7;
constexpr quint32 SimpleBlockId = 0xA3;
constexpr quint32 BlockGroupId = 0xA0;
constexpr quint32 BlockId = 0xA1;
constexpr quint32 FlagDefaultId = 0x88;
constexpr quint32 LanguageId = 0x22B59C;

struct Element
{
    quint32 id = 0;
    qint64 begin = 0;
    qint64 payload = 0;
    qint64 end = 0;
    bool unknownSize = false;
};

// An element's header at the start of [p, p + available): nullopt when it does not fit or is
// not well formed. Its payload's bounds are relative to p.
std::optional<Element> readElementHeader(const char *p, qint64 available)
{
    if (available < 2)
        return std::nullopt;
    const auto *b = reinterpret_cast<const unsigned char *>(p);
    int idLength = 1;
    while (idLength <= 4 && !(b[0] & (0x80 >> (idLength - 1))))
        ++idLength;
    if (idLength > 4 || idLength >= available)
        return std::nullopt;
    Element element;
    for (int i = 0; i < idLength; ++i)
        element.id = (element.id << 8) | b[i];
    const unsigned char first = b[idLength];
    int sizeLength = 1;
    while (sizeLength <= 8 && !(first & (0x80 >> (sizeLength - 1))))
        ++sizeLength;
    if (sizeLength > 8 || idLength + sizeLength > available)
        return std::nullopt;
    quint64 size = first & (0xff >> sizeLength);
    bool allOnes = size == quint64(0xff >> sizeLength);
    for (int i = 1; i < sizeLength; ++i) {
        size = (size << 8) | b[idLength + i];
        allOnes = allOnes && b[idLength + i] == 0xff;
    }
    element.payload = idLength + sizeLength;
    element.unknownSize = allOnes;
    if (!allOnes && size > quint64(std::numeric_limits<qint64>::max() / 2))
        return std::nullopt;
    element.end = allOnes ? -1 : element.payload + qint64(size);
    return element;
}

// The elements of one level [begin, end) of a buffer; nullopt when one does not fit.
std::optional<QList<Element>> readElements(const QByteArray &data, qint64 begin, qint64 end)
{
    QList<Element> elements;
    qint64 pos = begin;
    while (pos < end) {
        std::optional<Element> element = readElementHeader(data.constData() + pos, end - pos);
        if (!element || element->unknownSize || element->end > end - pos)
            return std::nullopt;
        element->begin = pos;
        element->payload += pos;
        element->end += pos;
        elements << *element;
        pos = element->end;
    }
    return elements;
}

quint64 readUnsigned(const QByteArray &data, const Element &element)
{
    quint64 value = 0;
    for (qint64 i = element.payload; i < element.end && i < element.payload + 8; ++i)
        value = (value << 8) | quint8(data.at(i));
    return value;
}

// An unsigned integer element's value written over its length bytes, most significant first.
void writeUnsigned(char *at, qint64 length, quint64 value)
{
    for (qint64 i = 0; i < length; ++i)
        at[length - 1 - i] = char(i < 8 ? (value >> (8 * i)) & 0xff : 0);
}

struct MatroskaTrack
{
    Element entry;
    Kind kind = Kind::Other;
    qint64 languageAt = -1;   // a Language element of three letters
    qint64 flagDefaultAt = -1;
    qint64 flagDefaultLength = 0;
    qint64 numberAt = -1;   // TrackNumber, which the blocks and cues name
    qint64 numberLength = 0;
    quint64 number = 0;
    HeaderTrack header = {};
};

// The Tracks element's payload and where it lies in the file; Damaged or NotHandled otherwise.
struct TrackList
{
    Outcome status = Outcome::NotHandled;
    qint64 payloadOffset = 0;
    QByteArray payload = {};
    qint64 end = 0;   // where the track list ends in the file
    qint64 segmentEnd = 0;   // and the segment that holds it
};

TrackList readTrackList(QIODevice &file)
{
    const qint64 fileSize = file.size();
    const auto headerAt = [&](qint64 pos) -> std::optional<Element> {
        if (pos >= fileSize || !file.seek(pos))
            return std::nullopt;
        const QByteArray bytes = file.read(12);
        std::optional<Element> element = readElementHeader(bytes.constData(), bytes.size());
        if (element) {
            element->begin = pos;
            element->payload += pos;
            element->end = element->unknownSize ? fileSize : element->end + pos;
        }
        return element;
    };
    const std::optional<Element> ebml = headerAt(0);
    if (!ebml || ebml->id != EbmlHeaderId)
        return {};
    const std::optional<Element> segment = headerAt(ebml->end);
    if (!segment || segment->id != SegmentId || segment->end > fileSize)
        return {Outcome::Damaged};
    // The track list comes before the first cluster; a handful of elements at most.
    qint64 pos = segment->payload;
    for (int step = 0; step < 64 && pos < segment->end; ++step) {
        const std::optional<Element> element = headerAt(pos);
        if (!element || element->unknownSize || element->end > segment->end
            || element->id == ClusterId)
            break;
        if (element->id == TracksId) {
            const qint64 length = element->end - element->payload;
            if (length > MaxTrackListBytes || !file.seek(element->payload))
                break;
            TrackList list{Outcome::Arranged, element->payload, file.read(length), element->end,
                           segment->end};
            if (list.payload.size() != length)
                break;
            return list;
        }
        pos = element->end;
    }
    return {Outcome::Damaged};
}

std::optional<QList<MatroskaTrack>> readMatroskaTracks(const QByteArray &list)
{
    const std::optional<QList<Element>> entries = readElements(list, 0, list.size());
    if (!entries)
        return std::nullopt;
    QList<MatroskaTrack> tracks;
    for (const Element &entry : *entries) {
        if (entry.id != TrackEntryId)
            continue;
        const std::optional<QList<Element>> fields = readElements(list, entry.payload, entry.end);
        if (!fields)
            return std::nullopt;
        // Without the elements, a track is flagged default and its language is English.
        MatroskaTrack track{entry};
        track.header.isDefault = true;
        track.header.language = QStringLiteral("eng");
        for (const Element &field : *fields) {
            if (field.id == TrackNumberId && field.end > field.payload
                && field.end - field.payload <= 8) {
                track.numberAt = field.payload;
                track.numberLength = field.end - field.payload;
                track.number = readUnsigned(list, field);
            } else if (field.id == TrackTypeId) {
                const quint64 type = readUnsigned(list, field);
                track.kind = type == 1 ? Kind::Video : type == 2 ? Kind::Audio : Kind::Other;
            } else if (field.id == FlagDefaultId && field.end > field.payload
                       && field.end - field.payload <= 8) {
                track.flagDefaultAt = field.payload;
                track.flagDefaultLength = field.end - field.payload;
                track.header.isDefault = readUnsigned(list, field) != 0;
            } else if (field.id == LanguageId) {
                track.header.language = QString::fromLatin1(
                    list.mid(field.payload, field.end - field.payload));
                if (field.end - field.payload == 3)
                    track.languageAt = field.payload;
            }
        }
        track.header.kind = track.kind;
        tracks << track;
    }
    return tracks;
}

// CRC-32 as Matroska's CRC-32 element holds it (IEEE 802.3, stored little-endian).
quint32 crc32(const char *data, qint64 length)
{
    quint32 crc = 0xffffffffu;
    for (qint64 i = 0; i < length; ++i) {
        crc ^= quint8(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// Largest cluster or cue list read into memory while track numbers are rewritten.
constexpr qint64 MaxClusterBytes = 256 * 1024 * 1024;

// Where each block and cue after the track list names its track, as bytes to overwrite, for
// the numbers renumbered (old to new, every number below 127: one byte in a block). nullopt
// when something there does not read, or names a track in more than one byte.
std::optional<QList<std::pair<qint64, QByteArray>>>
renumberedReferences(QIODevice &file, const TrackList &list,
                     const QHash<quint64, quint64> &renumbered)
{
    QList<std::pair<qint64, QByteArray>> writes;
    const auto readLevel = [&](qint64 begin, qint64 end) -> std::optional<QByteArray> {
        if (end - begin > MaxClusterBytes || !file.seek(begin))
            return std::nullopt;
        QByteArray bytes = file.read(end - begin);
        if (bytes.size() != end - begin)
            return std::nullopt;
        return bytes;
    };
    // A block's payload starts with its track number.
    const auto block = [&](const QByteArray &data, const Element &element, qint64 base) {
        if (element.end <= element.payload)
            return false;
        const auto first = quint8(data.at(element.payload));
        if (!(first & 0x80))
            return false;   // a number of more than one byte
        const quint64 number = first & 0x7f;
        if (const auto it = renumbered.constFind(number); it != renumbered.cend())
            writes.append({base + element.payload, QByteArray(1, char(0x80 | *it))});
        return true;
    };
    qint64 pos = list.end;
    while (pos < list.segmentEnd) {
        if (!file.seek(pos))
            return std::nullopt;
        const QByteArray head = file.read(12);
        std::optional<Element> element = readElementHeader(head.constData(), head.size());
        if (!element || element->unknownSize || pos + element->end > list.segmentEnd)
            return std::nullopt;
        const qint64 payload = pos + element->payload;
        const qint64 end = pos + element->end;
        if (element->id == ClusterId || element->id == CuesId) {
            const std::optional<QByteArray> data = readLevel(payload, end);
            if (!data)
                return std::nullopt;
            const std::optional<QList<Element>> children = readElements(*data, 0, data->size());
            if (!children)
                return std::nullopt;
            for (const Element &child : *children) {
                if (child.id == SimpleBlockId) {
                    if (!block(*data, child, payload))
                        return std::nullopt;
                } else if (child.id == BlockGroupId || child.id == CuePointId) {
                    const auto inner = readElements(*data, child.payload, child.end);
                    if (!inner)
                        return std::nullopt;
                    for (const Element &part : *inner) {
                        if (part.id == BlockId && !block(*data, part, payload))
                            return std::nullopt;
                        if (part.id != CueTrackPositionsId)
                            continue;
                        const auto fields = readElements(*data, part.payload, part.end);
                        if (!fields)
                            return std::nullopt;
                        for (const Element &field : *fields) {
                            if (field.id != CueTrackId)
                                continue;
                            const qint64 length = field.end - field.payload;
                            const auto it = renumbered.constFind(readUnsigned(*data, field));
                            if (length < 1 || length > 8)
                                return std::nullopt;
                            if (it == renumbered.cend())
                                continue;
                            QByteArray value(length, 0);
                            writeUnsigned(value.data(), length, *it);
                            writes.append({payload + field.payload, value});
                        }
                    }
                }
            }
        }
        pos = end;
    }
    return writes;
}

Outcome arrangeMatroska(QIODevice &file, const TrackList &list, const QList<TrackPlan> &plan)
{
    const QByteArray &payload = list.payload;
    const std::optional<QList<MatroskaTrack>> tracks = readMatroskaTracks(payload);
    if (!tracks)
        return Outcome::Damaged;
    if (tracks->size() != plan.size())
        return Outcome::Mismatch;
    const QList<qsizetype> order = rankedOrder(plan);
    // libVLC lists a Matroska file's tracks by their numbers, FFmpeg and GStreamer in the order
    // of the entries: the numbers stay with the places, as in MP4, and every block and cue that
    // names a moved track is rewritten too. Numbers of more than one byte in a block are not
    // moved (the entries still are).
    QHash<quint64, quint64> renumbered;
    bool renumber = true;
    for (qsizetype slot = 0; slot < tracks->size(); ++slot) {
        const MatroskaTrack &from = tracks->at(order[slot]);
        const MatroskaTrack &place = tracks->at(slot);
        renumber = renumber && from.numberAt >= 0 && place.numberAt >= 0 && from.number < 127
                   && place.number < 127 && from.number > 0 && place.number > 0;
        if (from.number != place.number)
            renumbered.insert(from.number, place.number);
    }
    std::optional<QList<std::pair<qint64, QByteArray>>> references;
    if (renumber && !renumbered.isEmpty())
        references = renumberedReferences(file, list, renumbered);
    if (!references)
        renumbered.clear();
    QByteArray rewritten;
    rewritten.reserve(payload.size());
    qint64 pos = 0;
    qsizetype slot = 0;
    for (const MatroskaTrack &place : *tracks) {
        rewritten += payload.mid(pos, place.entry.begin - pos);
        // The entry moves with its track number, which its blocks name.
        const MatroskaTrack &track = tracks->at(order[slot]);
        const TrackPlan &wanted = plan[order[slot]];
        QByteArray bytes = payload.mid(track.entry.begin, track.entry.end - track.entry.begin);
        if (IsLanguageCode(wanted.language) && track.languageAt >= 0)
            bytes.replace(track.languageAt - track.entry.begin, 3, wanted.language.toLatin1());
        if (wanted.isDefault && track.flagDefaultAt >= 0)
            writeUnsigned(bytes.data() + (track.flagDefaultAt - track.entry.begin),
                          track.flagDefaultLength, *wanted.isDefault ? 1 : 0);
        if (const auto it = renumbered.constFind(track.number); it != renumbered.cend())
            writeUnsigned(bytes.data() + (track.numberAt - track.entry.begin), track.numberLength,
                          *it);
        rewritten += bytes;
        pos = place.entry.end;
        ++slot;
    }
    rewritten += payload.mid(pos);
    if (references && !WritePatches(file, references->size(), [&](qsizetype i) {
            return std::pair{references->at(i).first, QByteArrayView(references->at(i).second)};
        }))
        return Outcome::WriteFailed;
    if (rewritten == payload)
        return Outcome::Arranged;
    // A CRC-32 element first in the list covers the rest of it.
    const std::optional<QList<Element>> top = readElements(rewritten, 0, rewritten.size());
    if (top && !top->isEmpty() && top->first().id == Crc32Id
        && top->first().end - top->first().payload == 4) {
        const qint64 covered = top->first().end;
        const quint32 crc = crc32(rewritten.constData() + covered, rewritten.size() - covered);
        for (int i = 0; i < 4; ++i)
            rewritten[top->first().payload + i] = char((crc >> (8 * i)) & 0xff);
    }
    return writeAt(file, list.payloadOffset, rewritten) ? Outcome::Arranged : Outcome::WriteFailed;
}

// ---- Ogg: the tracks are in the order of their first pages, which all come first -----------

constexpr qint64 MaxFirstPagesBytes = 256 * 1024;

struct OggPage
{
    qint64 begin = 0;
    qint64 end = 0;
};

// The pages that begin a stream, at the start of the file; nullopt when one does not fit.
// NotHandled when the file is no Ogg file.
Outcome readFirstPages(const QByteArray &start, QList<OggPage> &pages)
{
    if (!start.startsWith("OggS"))
        return Outcome::NotHandled;
    qint64 pos = 0;
    // A page: "OggS", version, type (2: first of its stream), 20 bytes, the segment count,
    // the segments' lengths, then the segments.
    while (start.size() - pos >= 27 && start.mid(pos, 4) == "OggS") {
        const auto type = quint8(start.at(pos + 5));
        if (start.at(pos + 4) != 0)
            return Outcome::Damaged;
        if (!(type & 2))
            break;
        const int segments = quint8(start.at(pos + 26));
        if (start.size() - pos < 27 + segments)
            return Outcome::Damaged;
        qint64 size = 27 + segments;
        for (int i = 0; i < segments; ++i)
            size += quint8(start.at(pos + 27 + i));
        if (size > start.size() - pos)
            return Outcome::Damaged;
        pages << OggPage{pos, pos + size};
        pos += size;
    }
    return pages.isEmpty() ? Outcome::Damaged : Outcome::Arranged;
}

Outcome arrangeOgg(QIODevice &file, const QList<TrackPlan> &plan)
{
    if (!file.seek(0))
        return Outcome::WriteFailed;
    const QByteArray start = file.read(MaxFirstPagesBytes);
    QList<OggPage> pages;
    const Outcome read = readFirstPages(start, pages);
    if (read != Outcome::Arranged)
        return read;
    if (pages.size() != plan.size())
        return Outcome::Mismatch;
    // Each page moves whole, with its own checksum; the container has no languages or flags.
    const QList<qsizetype> order = rankedOrder(plan);
    QByteArray rewritten;
    for (const qsizetype from : order)
        rewritten += start.mid(pages[from].begin, pages[from].end - pages[from].begin);
    if (rewritten == start.left(rewritten.size()))
        return Outcome::Arranged;
    return writeAt(file, 0, rewritten) ? Outcome::Arranged : Outcome::WriteFailed;
}

}   // namespace

std::optional<QList<HeaderTrack>> ReadTracks(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const Mp4Box::MovieBox movie = Mp4Box::ReadMovieBox(file);
    if (movie.status == Mp4Box::MovieBox::Status::Found) {
        const std::optional<QList<Mp4Track>> tracks = readMp4Tracks(movie.payload);
        if (!tracks)
            return std::nullopt;
        return mp4HeaderTracks(movie.payload, *tracks);
    }
    if (auto tracks = Mpeg::ReadTransportStreamTracks(file))
        return tracks;
    if (std::optional<QList<HeaderTrack>> avi = Avi::ReadTracks(file))
        return avi;
    bool isAsf = false;
    if (std::optional<QList<HeaderTrack>> tracks = Asf::ReadTracks(file, isAsf); isAsf)
        return tracks;
    const TrackList list = readTrackList(file);
    if (list.status != Outcome::Arranged)
        return std::nullopt;
    const std::optional<QList<MatroskaTrack>> tracks = readMatroskaTracks(list.payload);
    if (!tracks)
        return std::nullopt;
    QList<HeaderTrack> result;
    for (const MatroskaTrack &track : *tracks)
        result << track.header;
    return result;
}

QList<TrackPlan> PlanFor(const QList<int> &muxedIds, const QList<SourceTrack> &source)
{
    // The audio track the source flags default, else its first.
    int defaultAudio = -1;
    for (const SourceTrack &track : source) {
        if (track.kind != Kind::Audio)
            continue;
        if (defaultAudio < 0)
            defaultAudio = track.id;
        if (track.isDefault) {
            defaultAudio = track.id;
            break;
        }
    }

    QList<TrackPlan> plan;
    for (qsizetype i = 0; i < muxedIds.size(); ++i) {
        const auto found = std::find_if(source.cbegin(), source.cend(),
                                        [&](const SourceTrack &t) { return t.id == muxedIds[i]; });
        TrackPlan wanted;
        if (found == source.cend()) {
            wanted.rank = int(source.size() + i);   // unknown tracks keep their order, last
        } else {
            wanted.rank = int(found - source.cbegin());
            wanted.kind = found->kind;
            if (found->kind == Kind::Audio) {
                wanted.language = IsLanguageCode(found->language) ? found->language : QString();
                wanted.isDefault = found->id == defaultAudio;
            } else if (found->kind == Kind::Video) {
                wanted.isDefault = true;
            }
        }
        plan << wanted;
    }
    return plan;
}

Outcome Arrange(const QString &path, const QList<TrackPlan> &plan)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return Outcome::WriteFailed;
    const Outcome outcome = Arrange(file, plan);
    if (outcome == Outcome::Arranged && !file.flush())
        return Outcome::WriteFailed;
    return outcome;
}

Outcome Arrange(QIODevice &file, const QList<TrackPlan> &plan)
{
    const Mp4Box::MovieBox movie = Mp4Box::ReadMovieBox(file);
    switch (movie.status) {
    case Mp4Box::MovieBox::Status::Found:
        return arrangeMp4(file, movie, plan);
    case Mp4Box::MovieBox::Status::Damaged:
        return Outcome::Damaged;
    case Mp4Box::MovieBox::Status::NotMp4:
        break;
    }
    for (const auto arrange : {Mpeg::ArrangeTransportStream, Mpeg::ArrangeProgramStream})
        if (const Outcome outcome = arrange(file, plan); outcome != Outcome::NotHandled)
            return outcome;
    if (const Outcome avi = Avi::Arrange(file, plan); avi != Outcome::NotHandled)
        return avi;
    if (const Outcome asf = Asf::Arrange(file, plan); asf != Outcome::NotHandled)
        return asf;
    const Outcome ogg = arrangeOgg(file, plan);
    if (ogg != Outcome::NotHandled)
        return ogg;
    const TrackList list = readTrackList(file);
    if (list.status != Outcome::Arranged)
        return list.status;
    return arrangeMatroska(file, list, plan);
}

}   // namespace OutputTracks
