// SPDX-License-Identifier: GPL-3.0-or-later
#include "AviTracks.h"

#include "TrackRewriting.h"

#include <QIODevice>
#include <algorithm>
#include <cstring>
#include <numeric>

namespace OutputTracks::Avi {

namespace {

// At most "99": a stream's number is two decimal digits.
constexpr int MaxStreams = 100;
// Bytes of the file read at a time while its chunks are walked.
constexpr qint64 WindowBytes = 256 * 1024;
// A 'rec ' list inside 'movi' may hold others; no writer nests them deeper.
constexpr int MaxListDepth = 4;

quint32 readU32(const char *p)
{
    const auto *b = reinterpret_cast<const unsigned char *>(p);
    return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The stream a chunk id names ("01wb", or the last two characters of "ix01"); -1 for none.
int streamOf(const char *twoDigits)
{
    return isDigit(twoDigits[0]) && isDigit(twoDigits[1])
               ? (twoDigits[0] - '0') * 10 + (twoDigits[1] - '0')
               : -1;
}

// The file read forward through a window.
class Reader
{
public:
    explicit Reader(QIODevice &file)
        : m_file(file)
        , m_size(file.size())
    {
    }

    qint64 size() const { return m_size; }

    // The bytes [pos, pos + length) of the file, or nullptr when they are not all there.
    const char *at(qint64 pos, qint64 length)
    {
        if (pos < 0 || length > WindowBytes || pos > m_size - length)
            return nullptr;
        if (m_windowAt < 0 || pos < m_windowAt || pos + length > m_windowAt + m_window.size()) {
            m_windowAt = -1;
            m_window.resize(std::min(WindowBytes, m_size - pos));
            if (!m_file.seek(pos)
                || m_file.read(m_window.data(), m_window.size()) != m_window.size())
                return nullptr;
            m_windowAt = pos;
        }
        return m_window.constData() + (pos - m_windowAt);
    }

    // The bytes [pos, pos + length) read whole, or an empty array.
    QByteArray read(qint64 pos, qint64 length)
    {
        if (pos < 0 || length < 0 || pos > m_size - length || !m_file.seek(pos))
            return {};
        QByteArray bytes = m_file.read(length);
        return bytes.size() == length ? bytes : QByteArray();
    }

private:
    QIODevice &m_file;
    qint64 m_size;
    QByteArray m_window;
    qint64 m_windowAt = -1;
};

struct Chunk
{
    QByteArray id;
    qint64 begin = 0;
    qint64 payload = 0;
    qint64 end = 0;   // of the payload
    qint64 next = 0;   // where the next chunk starts, after the pad byte of an odd size
};

// The chunks of [begin, end) of an in-memory list; nullopt when one does not fit.
std::optional<QList<Chunk>> readChunks(const QByteArray &data, qint64 begin, qint64 end)
{
    QList<Chunk> chunks;
    qint64 pos = begin;
    while (pos < end) {
        if (end - pos < 8)
            return std::nullopt;
        const qint64 size = readU32(data.constData() + pos + 4);
        Chunk chunk{data.mid(pos, 4), pos, pos + 8, pos + 8 + size, pos + 8 + size + (size & 1)};
        if (chunk.next > end)
            return std::nullopt;
        chunks << chunk;
        pos = chunk.next;
    }
    return chunks;
}

struct Stream
{
    Chunk list;   // the 'strl' list within the header list
    Kind kind = Kind::Other;
    qint64 superIndexIdAt = -1;   // the chunk id its 'indx' names, within the header list
};

// The 'hdrl' list's payload, read from the start of the file, and its streams. NotHandled for
// a file that is no AVI file.
struct Header
{
    Outcome status = Outcome::NotHandled;
    qint64 riffEnd = 0;   // the first RIFF list's end
    qint64 payloadOffset = 0;
    QByteArray payload = {};
    QList<Stream> streams = {};
};

std::optional<QList<Stream>> readStreams(const QByteArray &list)
{
    const std::optional<QList<Chunk>> chunks = readChunks(list, 0, list.size());
    if (!chunks)
        return std::nullopt;
    QList<Stream> streams;
    for (const Chunk &chunk : *chunks) {
        if (chunk.id != "LIST" || chunk.end - chunk.payload < 4
            || list.mid(chunk.payload, 4) != "strl")
            continue;
        const std::optional<QList<Chunk>> fields = readChunks(list, chunk.payload + 4, chunk.end);
        if (!fields)
            return std::nullopt;
        Stream stream{chunk};
        bool hasHeader = false;
        for (const Chunk &field : *fields) {
            if (field.id == "strh" && field.end - field.payload >= 4) {
                const QByteArray type = list.mid(field.payload, 4);
                stream.kind = type == "vids"   ? Kind::Video
                              : type == "auds" ? Kind::Audio
                                               : Kind::Other;
                hasHeader = true;
            } else if (field.id == "indx") {
                // wLongsPerEntry, bIndexSubType, bIndexType, nEntriesInUse, then dwChunkId.
                if (field.end - field.payload < 12)
                    return std::nullopt;
                stream.superIndexIdAt = field.payload + 8;
            }
        }
        if (!hasHeader)
            return std::nullopt;
        streams << stream;
    }
    if (streams.size() > MaxStreams)
        return std::nullopt;
    return streams;
}

Header readHeader(Reader &reader)
{
    const char *riff = reader.at(0, 12);
    if (!riff || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "AVI ", 4) != 0)
        return {};
    Header header{Outcome::Damaged};
    header.riffEnd = 8 + qint64(readU32(riff + 4));
    // The header list comes first in the RIFF list.
    const char *list = reader.at(12, 12);
    if (header.riffEnd > reader.size() || !list || std::memcmp(list, "LIST", 4) != 0
        || std::memcmp(list + 8, "hdrl", 4) != 0)
        return header;
    const qint64 size = readU32(list + 4);
    if (size < 4 || 20 + size > header.riffEnd || size - 4 > MaxHeaderListBytes)
        return header;
    header.payloadOffset = 24;
    header.payload = reader.read(24, size - 4);
    if (header.payload.size() != size - 4)
        return header;
    const std::optional<QList<Stream>> streams = readStreams(header.payload);
    if (!streams)
        return header;
    header.streams = *streams;
    header.status = Outcome::Arranged;
    return header;
}

// Two bytes to write at a place: a stream's new number.
struct Rename
{
    qint64 at = 0;
    char digits[2] = {};
};

Rename renameAt(qint64 at, int stream)
{
    return {at, {char('0' + stream / 10), char('0' + stream % 10)}};
}

// Walks the file's chunks after the header list and lists where a moved stream's number is to
// be written; false when a chunk does not fit where it lies or names a stream there is not.
class Renumbering
{
public:
    Renumbering(Reader &reader, const QList<int> &newNumber)
        : m_reader(reader)
        , m_newNumber(newNumber)
    {
    }

    const QList<Rename> &renames() const { return m_renames; }

    bool walkFile(qint64 firstRiffEnd)
    {
        // The first RIFF list holds the header, the data and the legacy index; each further
        // one ('AVIX', past 1 GB) holds data only.
        bool sawData = false;
        qint64 pos = 12;
        qint64 riffEnd = firstRiffEnd;
        for (;;) {
            while (pos < riffEnd) {
                const std::optional<Head> chunk = headAt(pos, riffEnd);
                if (!chunk)
                    return false;
                if (chunk->is("LIST", "movi")) {
                    if (!walkList(pos + 12, chunk->end, 0))
                        return false;
                    sawData = true;
                } else if (chunk->is("idx1") && !walkLegacyIndex(pos + 8, chunk->end)) {
                    return false;
                }
                pos = chunk->next;
            }
            // An odd RIFF size is padded too.
            pos = riffEnd + (riffEnd & 1);
            if (pos >= m_reader.size())
                return sawData;
            const char *riff = m_reader.at(pos, 12);
            if (!riff || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "AVIX", 4) != 0)
                return false;
            riffEnd = pos + 8 + qint64(readU32(riff + 4));
            if (riffEnd > m_reader.size())
                return false;
            pos += 12;
        }
    }

private:
    // A chunk's header: its id, a list's type, and where it ends.
    struct Head
    {
        char id[4] = {};
        char type[4] = {};
        qint64 end = 0;   // of its payload
        qint64 next = 0;   // after the pad byte of an odd size

        bool is(const char *wanted, const char *listType = nullptr) const
        {
            return std::memcmp(id, wanted, 4) == 0
                   && (!listType || std::memcmp(type, listType, 4) == 0);
        }
    };

    // The header of the chunk at pos, which must end by limit; nullopt when it does not fit.
    std::optional<Head> headAt(qint64 pos, qint64 limit)
    {
        const char *bytes = m_reader.at(pos, 8);
        if (!bytes || limit - pos < 8)
            return std::nullopt;
        Head head;
        std::memcpy(head.id, bytes, 4);
        const qint64 size = readU32(bytes + 4);
        head.end = pos + 8 + size;
        head.next = head.end + (size & 1);
        if (head.end > limit)
            return std::nullopt;
        if (head.is("LIST")) {
            const char *type = m_reader.at(pos + 8, 4);
            if (!type || size < 4)
                return std::nullopt;
            std::memcpy(head.type, type, 4);
        }
        return head;
    }

    // A stream's number as a chunk names it: -1 for none, -2 for a stream there is not.
    int numbered(const char *twoDigits) const
    {
        const int stream = streamOf(twoDigits);
        return stream >= m_newNumber.size() ? -2 : stream;
    }

    // Notes the new number of a moved stream at; false for a stream there is not.
    bool note(qint64 at, const char *twoDigits)
    {
        const int stream = numbered(twoDigits);
        if (stream == -2)
            return false;
        if (stream >= 0 && m_newNumber[stream] != stream)
            m_renames << renameAt(at, m_newNumber[stream]);
        return true;
    }

    // The chunks of a 'movi' list or a 'rec ' list within it.
    bool walkList(qint64 pos, qint64 listEnd, int depth)
    {
        while (pos < listEnd) {
            const std::optional<Head> chunk = headAt(pos, listEnd);
            if (!chunk)
                return false;
            if (chunk->is("LIST", "rec ")) {
                if (depth >= MaxListDepth || !walkList(pos + 12, chunk->end, depth + 1))
                    return false;
            } else if (std::memcmp(chunk->id, "ix", 2) == 0 || chunk->is("indx")) {
                // A leaf index ("ix01") or a super index moved out of the header: its own id
                // and, after wLongsPerEntry, the two type bytes and nEntriesInUse, the id of the
                // chunks it lists.
                const char *listed = m_reader.at(pos + 16, 4);
                if (!listed || chunk->end - pos < 20)
                    return false;
                if (chunk->id[1] == 'x' && !note(pos + 2, chunk->id + 2))
                    return false;
                if (!note(pos + 16, listed))
                    return false;
            } else if (!chunk->is("LIST") && !note(pos, chunk->id)) {
                return false;
            }
            pos = chunk->next;
        }
        return true;
    }

    // 'idx1': 16 bytes an entry, the chunk id first.
    bool walkLegacyIndex(qint64 begin, qint64 end)
    {
        if ((end - begin) % 16 != 0)
            return false;
        for (qint64 pos = begin; pos < end; pos += 16) {
            const char *entry = m_reader.at(pos, 4);
            if (!entry || !note(pos, entry))
                return false;
        }
        return true;
    }

    Reader &m_reader;
    const QList<int> &m_newNumber;
    QList<Rename> m_renames;
};

}   // namespace

std::optional<QList<HeaderTrack>> ReadTracks(QIODevice &file)
{
    Reader reader(file);
    const Header header = readHeader(reader);
    if (header.status != Outcome::Arranged)
        return std::nullopt;
    QList<HeaderTrack> tracks;
    for (const Stream &stream : header.streams)
        tracks << HeaderTrack{stream.kind, QString(), false};
    return tracks;
}

Outcome Arrange(QIODevice &file, const QList<TrackPlan> &plan)
{
    Reader reader(file);
    const Header header = readHeader(reader);
    if (header.status != Outcome::Arranged)
        return header.status;
    const QList<Stream> &streams = header.streams;
    if (streams.size() != plan.size())
        return Outcome::Mismatch;

    // The stream headers in rising rank; the one put in place n takes number n.
    QList<qsizetype> order(plan.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return plan[a].rank < plan[b].rank; });
    QList<int> newNumber(streams.size());
    for (qsizetype slot = 0; slot < order.size(); ++slot)
        newNumber[order[slot]] = int(slot);
    if (std::is_sorted(order.cbegin(), order.cend()))
        return Outcome::Arranged;

    const QByteArray &list = header.payload;
    QByteArray rewritten;
    rewritten.reserve(list.size());
    qint64 pos = 0;
    for (qsizetype slot = 0; slot < streams.size(); ++slot) {
        const Stream &place = streams[slot];
        const Stream &stream = streams[order[slot]];
        rewritten += list.mid(pos, place.list.begin - pos);
        QByteArray bytes = list.mid(stream.list.begin, stream.list.next - stream.list.begin);
        if (stream.superIndexIdAt >= 0) {
            char *id = bytes.data() + (stream.superIndexIdAt - stream.list.begin);
            const int named = streamOf(id);
            if (named >= streams.size())
                return Outcome::Damaged;
            if (named >= 0)
                std::memcpy(id, renameAt(0, int(slot)).digits, 2);
        }
        rewritten += bytes;
        pos = place.list.next;
    }
    rewritten += list.mid(pos);

    Renumbering renumbering(reader, newNumber);
    if (!renumbering.walkFile(header.riffEnd))
        return Outcome::Damaged;
    if (!file.seek(header.payloadOffset) || file.write(rewritten) != rewritten.size())
        return Outcome::WriteFailed;
    const QList<Rename> &renames = renumbering.renames();
    const bool written = WritePatches(file, renames.size(), [&](qsizetype i) {
        return std::pair{renames[i].at, QByteArrayView(renames[i].digits, 2)};
    });
    return written ? Outcome::Arranged : Outcome::WriteFailed;
}

}   // namespace OutputTracks::Avi
