// SPDX-License-Identifier: GPL-3.0-or-later
#include "Mp4SyncSample.h"

#include <QByteArray>
#include <QFile>
#include <QIODevice>
#include <cstdint>
#include <optional>

namespace Mp4SyncSample {

namespace {

quint32 readU32(const char *p)
{
    const auto *b = reinterpret_cast<const unsigned char *>(p);
    return (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | quint32(b[3]);
}

quint64 readU64(const char *p)
{
    return (quint64(readU32(p)) << 32) | readU32(p + 4);
}

// One box inside [begin, end) of a buffer: its type and its payload's bounds.
struct Box
{
    QByteArray type;
    qint64 payload = 0;
    qint64 end = 0;
};

// Walks the boxes of one level of a buffer. A box whose header or size does not fit stops the
// walk as damaged.
class BoxWalker
{
public:
    BoxWalker(const QByteArray &data, qint64 begin, qint64 end)
        : m_data(data)
        , m_pos(begin)
        , m_end(end)
    {
    }

    // The next box, or nullopt at the end (damaged() tells whether the end came early).
    std::optional<Box> next()
    {
        if (m_damaged || m_pos == m_end)
            return std::nullopt;
        if (m_end - m_pos < 8)
            return fail();
        const char *p = m_data.constData() + m_pos;
        quint64 size = readU32(p);
        qint64 header = 8;
        if (size == 1) {
            if (m_end - m_pos < 16)
                return fail();
            size = readU64(p + 8);
            header = 16;
        } else if (size == 0) {
            size = quint64(m_end - m_pos);   // to the end of its parent
        }
        if (size < quint64(header) || size > quint64(m_end - m_pos))
            return fail();
        Box box{QByteArray(p + 4, 4), m_pos + header, m_pos + qint64(size)};
        m_pos = box.end;
        return box;
    }

    bool damaged() const { return m_damaged; }

private:
    std::nullopt_t fail()
    {
        m_damaged = true;
        return std::nullopt;
    }

    const QByteArray &m_data;
    qint64 m_pos;
    qint64 m_end;
    bool m_damaged = false;
};

// The first child of the given type, or nullopt; damaged is set when the level is.
std::optional<Box> child(const QByteArray &data, const Box &parent, const char *type,
                         bool &damaged)
{
    BoxWalker walker(data, parent.payload, parent.end);
    while (const std::optional<Box> box = walker.next())
        if (box->type == type)
            return box;
    damaged = damaged || walker.damaged();
    return std::nullopt;
}

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
    const Box whole{"moov", 0, movie.size()};
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

} // namespace

Verdict Check(QIODevice &file)
{
    const qint64 fileSize = file.size();
    qint64 pos = 0;
    bool sawFileType = false;
    while (pos < fileSize) {
        if (!file.seek(pos))
            return Verdict::Damaged;
        const QByteArray header = file.read(16);
        if (header.size() < 8)
            break;
        quint64 size = readU32(header.constData());
        qint64 headerSize = 8;
        if (size == 1) {
            if (header.size() < 16)
                break;
            size = readU64(header.constData() + 8);
            headerSize = 16;
        } else if (size == 0) {
            size = quint64(fileSize - pos);
        }
        const QByteArray type = header.mid(4, 4);
        if (pos == 0 && type != "ftyp" && type != "moov" && type != "mdat" && type != "wide"
            && type != "free" && type != "skip")
            return Verdict::NotMp4;
        if (size < quint64(headerSize) || size > quint64(fileSize - pos))
            return sawFileType ? Verdict::Damaged : Verdict::NotMp4;
        sawFileType = true;
        if (type == "moov") {
            const qint64 payload = qint64(size) - headerSize;
            if (payload > MaxMovieBoxBytes || !file.seek(pos + headerSize))
                return Verdict::Damaged;
            const QByteArray movie = file.read(payload);
            if (movie.size() != payload)
                return Verdict::Damaged;
            return checkMovie(movie);
        }
        pos += qint64(size);
    }
    return Verdict::NotMp4;
}

Verdict CheckFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Verdict::NotMp4;
    return Check(file);
}

} // namespace Mp4SyncSample
