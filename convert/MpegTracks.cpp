// SPDX-License-Identifier: GPL-3.0-or-later
#include "MpegTracks.h"

#include "TrackRewriting.h"

#include <QHash>
#include <QIODevice>
#include <algorithm>
#include <numeric>

namespace OutputTracks::Mpeg {

namespace {

// CRC-32 of MPEG's tables: polynomial 0x04C11DB7, most significant bit first, no final
// inversion; a table followed by its own CRC gives 0.
quint32 mpegCrc32(const char *data, qint64 length)
{
    quint32 crc = 0xffffffffu;
    for (qint64 i = 0; i < length; ++i) {
        crc ^= quint32(quint8(data[i])) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04c11db7u : crc << 1;
    }
    return crc;
}

void writeCrc(char *at, quint32 crc)
{
    for (int i = 0; i < 4; ++i)
        at[i] = char((crc >> (24 - 8 * i)) & 0xff);
}

// A device read forward in large blocks; a block that was changed is written back when the
// next one is read, or on flush.
class Blocks
{
public:
    Blocks(QIODevice &file, qint64 blockBytes)
        : m_file(file)
        , m_size(file.size())
        , m_blockBytes(blockBytes)
    {
    }

    qint64 size() const { return m_size; }
    bool writeFailed() const { return m_writeFailed; }

    // The n bytes at pos (n at most a block), or nullptr when they are past the end or do not
    // read.
    char *at(qint64 pos, qint64 n)
    {
        if (pos < 0 || n > m_blockBytes || n > m_size - pos)
            return nullptr;
        if (pos < m_base || pos + n > m_base + m_block.size()) {
            if (!flush() || !m_file.seek(pos))
                return nullptr;
            m_base = pos;
            m_block = m_file.read(std::min(m_blockBytes, m_size - pos));
            if (m_block.size() < n) {
                m_block.clear();
                return nullptr;
            }
        }
        return m_block.data() + (pos - m_base);
    }

    // The first bytes of the device, read on their own: whether it is worth reading on.
    QByteArray peek(qint64 n) { return m_file.seek(0) ? m_file.read(n) : QByteArray(); }

    void changed() { m_dirty = true; }

    bool flush()
    {
        if (!m_dirty)
            return true;
        m_dirty = false;
        if (!m_file.seek(m_base) || m_file.write(m_block) != m_block.size()) {
            m_writeFailed = true;
            return false;
        }
        return true;
    }

private:
    QIODevice &m_file;
    qint64 m_size = 0;
    qint64 m_blockBytes = 0;
    qint64 m_base = 0;
    QByteArray m_block;
    bool m_dirty = false;
    bool m_writeFailed = false;
};

// ---- Transport stream ---------------------------------------------------------------------

constexpr qint64 TsPacketBytes = 188;
constexpr qint64 TsBlockBytes = TsPacketBytes * 5000;
constexpr quint16 PatPid = 0;
constexpr int PidCount = 0x2000;

quint16 pidOf(const char *packet)
{
    return quint16(((quint8(packet[1]) & 0x1f) << 8) | quint8(packet[2]));
}

bool startsUnit(const char *packet)
{
    return (quint8(packet[1]) & 0x40) != 0;
}

// Where the section that starts in a packet begins and how long it is (its CRC included);
// nullopt when the packet holds no whole section.
struct SectionPlace
{
    qint64 at = 0;
    qint64 length = 0;
};

std::optional<SectionPlace> sectionIn(const char *packet)
{
    const int control = (quint8(packet[3]) >> 4) & 3;
    if (!(control & 1))
        return std::nullopt;
    qint64 at = 4;
    if (control & 2)
        at += 1 + quint8(packet[4]);
    if (at >= TsPacketBytes)
        return std::nullopt;
    at += 1 + quint8(packet[at]);   // the pointer field
    if (at + 3 > TsPacketBytes)
        return std::nullopt;
    const qint64 length = 3 + (((quint8(packet[at + 1]) & 0x0f) << 8) | quint8(packet[at + 2]));
    if (length < 12 || at + length > TsPacketBytes || mpegCrc32(packet + at, length) != 0)
        return std::nullopt;
    return SectionPlace{at, length};
}

// The PID of the one program's map a PAT names; nullopt for none or several.
std::optional<quint16> pmtPidOf(const QByteArray &pat)
{
    if (quint8(pat.at(0)) != 0x00)
        return std::nullopt;
    std::optional<quint16> pid;
    for (qint64 i = 8; i + 4 <= pat.size() - 4; i += 4) {
        const int program = (quint8(pat.at(i)) << 8) | quint8(pat.at(i + 1));
        if (program == 0)
            continue;   // the network's PID
        if (pid)
            return std::nullopt;
        pid = quint16(((quint8(pat.at(i + 2)) & 0x1f) << 8) | quint8(pat.at(i + 3)));
    }
    return pid;
}

struct PmtEntry
{
    quint8 type = 0;
    quint16 pid = 0;
    QByteArray info;   // its descriptors
    Kind kind = Kind::Other;
    QString language;
    qint64 languageAt = -1;   // in info, the three letters of an ISO 639 descriptor
};

struct Pmt
{
    QByteArray section;
    qint64 entriesAt = 0;
    quint16 pcrPid = 0;
    QList<PmtEntry> entries;
};

Kind kindOfStreamType(quint8 type)
{
    switch (type) {
    case 0x01:
    case 0x02:
    case 0x10:
    case 0x1b:
    case 0x24:
    case 0x42:
    case 0xd1:
    case 0xea:
        return Kind::Video;
    case 0x03:
    case 0x04:
    case 0x0f:
    case 0x11:
    case 0x1c:
    case 0x81:
    case 0x82:
    case 0x83:
    case 0x84:
    case 0x87:
        return Kind::Audio;
    default:
        return Kind::Other;
    }
}

std::optional<Pmt> readPmt(const QByteArray &section)
{
    if (quint8(section.at(0)) != 0x02 || section.size() < 16)
        return std::nullopt;
    Pmt pmt;
    pmt.section = section;
    pmt.pcrPid = quint16(((quint8(section.at(8)) & 0x1f) << 8) | quint8(section.at(9)));
    pmt.entriesAt = 12 + (((quint8(section.at(10)) & 0x0f) << 8) | quint8(section.at(11)));
    const qint64 end = section.size() - 4;
    qint64 pos = pmt.entriesAt;
    if (pos > end)
        return std::nullopt;
    while (pos < end) {
        if (pos + 5 > end)
            return std::nullopt;
        PmtEntry entry;
        entry.type = quint8(section.at(pos));
        entry.pid = quint16(((quint8(section.at(pos + 1)) & 0x1f) << 8)
                            | quint8(section.at(pos + 2)));
        const qint64 infoLength = ((quint8(section.at(pos + 3)) & 0x0f) << 8)
                                  | quint8(section.at(pos + 4));
        if (pos + 5 + infoLength > end)
            return std::nullopt;
        entry.info = section.mid(pos + 5, infoLength);
        entry.kind = kindOfStreamType(entry.type);
        for (qint64 d = 0; d + 2 <= entry.info.size();) {
            const int tag = quint8(entry.info.at(d));
            const int length = quint8(entry.info.at(d + 1));
            if (d + 2 + length > entry.info.size())
                return std::nullopt;
            if (tag == 0x0a && length >= 4 && entry.languageAt < 0) {
                entry.languageAt = d + 2;
                const QString code = QString::fromLatin1(entry.info.mid(d + 2, 3));
                entry.language = IsLanguageCode(code) ? code : QString();
            }
            d += 2 + length;
        }
        const bool repeated = std::any_of(pmt.entries.cbegin(), pmt.entries.cend(),
                                          [&](const PmtEntry &e) { return e.pid == entry.pid; });
        if (repeated)
            return std::nullopt;
        pmt.entries << entry;
        pos += 5 + infoLength;
    }
    return pmt;
}

struct TsScan
{
    Outcome status = Outcome::NotHandled;
    quint16 pmtPid = 0;
    Pmt pmt;
    qint64 pmtRoom = TsPacketBytes;   // the least room any copy of the map has in its packet
};

// Reads every packet: each in sync, one program, every copy of its map whole, the same and
// followed by stuffing only, and the map after the PAT that names it. With mapOnly, only up
// to the first copy of the map (a source may be long, or cut short).
TsScan scanTransportStream(Blocks &blocks, bool mapOnly = false)
{
    TsScan scan;
    const QByteArray start = blocks.peek(TsPacketBytes + 1);
    if (start.isEmpty() || quint8(start.at(0)) != 0x47
        || (start.size() > TsPacketBytes && quint8(start.at(TsPacketBytes)) != 0x47))
        return scan;
    scan.status = Outcome::Damaged;
    if (blocks.size() % TsPacketBytes != 0 && !mapOnly)
        return scan;
    std::optional<quint16> pmtPid;
    bool pmtSeen = false;
    QList<bool> seen(PidCount, false);
    for (qint64 pos = 0; pos + TsPacketBytes <= blocks.size() && !(mapOnly && pmtSeen);
         pos += TsPacketBytes) {
        const char *packet = blocks.at(pos, TsPacketBytes);
        if (!packet || quint8(packet[0]) != 0x47)
            return scan;
        const quint16 pid = pidOf(packet);
        if (pid == PatPid && startsUnit(packet)) {
            const std::optional<SectionPlace> place = sectionIn(packet);
            if (!place)
                return scan;
            const std::optional<quint16> named = pmtPidOf(
                QByteArray(packet + place->at, place->length));
            if (!named || (pmtPid && *pmtPid != *named) || (!pmtPid && seen[*named]))
                return scan;
            pmtPid = named;
        } else if (pmtPid && pid == *pmtPid) {
            const std::optional<SectionPlace> place = startsUnit(packet) ? sectionIn(packet)
                                                                         : std::nullopt;
            if (!place)
                return scan;
            const QByteArray section(packet + place->at, place->length);
            const qint64 end = place->at + place->length;
            if (std::any_of(packet + end, packet + TsPacketBytes,
                            [](char c) { return quint8(c) != 0xff; }))
                return scan;
            if (!pmtSeen) {
                const std::optional<Pmt> pmt = readPmt(section);
                if (!pmt)
                    return scan;
                scan.pmt = *pmt;
                pmtSeen = true;
            } else if (section != scan.pmt.section) {
                return scan;
            }
            scan.pmtRoom = std::min(scan.pmtRoom, TsPacketBytes - place->at);
        }
        seen[pid] = true;
    }
    if (!pmtSeen)
        return scan;
    scan.pmtPid = *pmtPid;
    scan.status = Outcome::Arranged;
    return scan;
}

// The map with its entries in the given order, each under the PID of the place it takes, and
// the languages written; without the languages that need a new descriptor when the map would
// then not fit its packets.
QByteArray rewrittenPmt(const TsScan &scan, const QList<qsizetype> &order,
                        const QList<TrackPlan> &plan, const QList<quint16> &pids)
{
    const Pmt &pmt = scan.pmt;
    for (const bool addLanguages : {true, false}) {
        QByteArray section = pmt.section.left(pmt.entriesAt);
        section[8] = char((quint8(section.at(8)) & 0xe0) | (pids[pmt.pcrPid] >> 8));
        section[9] = char(pids[pmt.pcrPid] & 0xff);
        for (qsizetype slot = 0; slot < order.size(); ++slot) {
            const PmtEntry &entry = pmt.entries[order[slot]];
            const QString &language = plan[order[slot]].language;
            QByteArray info = entry.info;
            if (IsLanguageCode(language) && entry.kind == Kind::Audio) {
                if (entry.languageAt >= 0)
                    info.replace(entry.languageAt, 3, language.toLatin1());
                else if (addLanguages)
                    info += QByteArray("\x0a\x04", 2) + language.toLatin1() + QByteArray(1, 0);
            }
            const quint16 pid = pmt.entries[slot].pid;
            section += char(entry.type);
            section += char(0xe0 | (pid >> 8));
            section += char(pid & 0xff);
            section += char(0xf0 | ((info.size() >> 8) & 0x0f));
            section += char(info.size() & 0xff);
            section += info;
        }
        const qint64 length = section.size() + 4;
        if (length > scan.pmtRoom || length - 3 > 1021)
            continue;
        section[1] = char((quint8(section.at(1)) & 0xf0) | ((length - 3) >> 8));
        section[2] = char((length - 3) & 0xff);
        section += QByteArray(4, 0);
        writeCrc(section.data() + section.size() - 4, mpegCrc32(section.constData(), length - 4));
        return section;
    }
    return {};
}

// ---- Program stream -----------------------------------------------------------------------

constexpr qint64 PsBlockBytes = 1024 * 1024;

bool isAudioStream(int id)
{
    return id >= 0xc0 && id <= 0xdf;
}

bool isVideoStream(int id)
{
    return id >= 0xe0 && id <= 0xef;
}

// The size of the packet (pack header, system header, map, PES packet or end code) at pos;
// 0 when none fits there.
qint64 psPacketSize(Blocks &blocks, qint64 pos)
{
    const qint64 available = std::min<qint64>(14, blocks.size() - pos);
    const char *p = available >= 4 ? blocks.at(pos, available) : nullptr;
    if (!p || p[0] != 0 || p[1] != 0 || p[2] != 1 || quint8(p[3]) < 0xb9)
        return 0;
    const auto b = [&](int i) { return quint8(p[i]); };
    qint64 size = 0;
    if (b(3) == 0xba) {
        if (available >= 14 && (b(4) >> 6) == 1)
            size = 14 + (b(13) & 7);
        else if (available >= 12 && (b(4) >> 4) == 2)
            size = 12;
    } else if (b(3) == 0xb9) {
        size = 4;
    } else if (available >= 6) {
        size = 6 + ((b(4) << 8) | b(5));
    }
    return size <= blocks.size() - pos ? size : 0;
}

// The stream ids a system header's entries name: where each lies in the packet; nullopt when
// the entries do not fit.
std::optional<QList<qint64>> systemHeaderIds(const char *packet, qint64 size)
{
    QList<qint64> ids;
    qint64 pos = 12;
    while (pos < size) {
        const int id = quint8(packet[pos]);
        if (!(id & 0x80) || id == 0xb7 || pos + 3 > size)
            return std::nullopt;
        ids << pos;
        pos += 3;
    }
    return ids;
}

// A stream map's entries: where each one's stream id and language lie in the packet; nullopt
// when they do not fit.
struct MapEntry
{
    qint64 idAt = 0;
    qint64 languageAt = -1;
};

std::optional<QList<MapEntry>> streamMapEntries(const char *packet, qint64 size)
{
    const auto b = [&](qint64 i) { return quint8(packet[i]); };
    if (size < 16)
        return std::nullopt;
    const qint64 infoLength = (b(8) << 8) | b(9);
    const qint64 mapAt = 10 + infoLength;
    if (mapAt + 2 > size - 4)
        return std::nullopt;
    const qint64 end = mapAt + 2 + ((b(mapAt) << 8) | b(mapAt + 1));
    if (end != size - 4)
        return std::nullopt;
    QList<MapEntry> entries;
    for (qint64 pos = mapAt + 2; pos < end;) {
        if (pos + 4 > end)
            return std::nullopt;
        MapEntry entry{pos + 1, -1};
        const qint64 infoEnd = pos + 4 + ((b(pos + 2) << 8) | b(pos + 3));
        if (infoEnd > end)
            return std::nullopt;
        for (qint64 d = pos + 4; d < infoEnd;) {
            if (d + 2 > infoEnd || d + 2 + b(d + 1) > infoEnd)
                return std::nullopt;
            if (b(d) == 0x0a && b(d + 1) >= 4 && entry.languageAt < 0)
                entry.languageAt = d + 2;
            d += 2 + b(d + 1);
        }
        entries << entry;
        pos = infoEnd;
    }
    return entries;
}

struct PsStream
{
    int id = 0;
    qint64 first = -1;   // its first packet
    qint64 firstSize = 0;
    qint64 second = -1;   // its second packet
};

struct PsScan
{
    Outcome status = Outcome::NotHandled;
    QList<PsStream> audio;   // by rising stream id
    QList<PsStream> video;
};

PsScan scanProgramStream(Blocks &blocks)
{
    PsScan scan;
    if (blocks.peek(4) != QByteArray("\0\0\1\xba", 4))
        return scan;
    scan.status = Outcome::Damaged;
    QHash<int, PsStream> streams;
    for (qint64 pos = 0; pos < blocks.size();) {
        const qint64 size = psPacketSize(blocks, pos);
        if (size == 0)
            return scan;
        const int id = quint8(blocks.at(pos, 4)[3]);
        if (id == 0xbb || id == 0xbc) {
            const char *packet = blocks.at(pos, size);
            if (!packet
                || (id == 0xbb ? !systemHeaderIds(packet, size).has_value()
                               : !streamMapEntries(packet, size).has_value()))
                return scan;
        } else if (isAudioStream(id) || isVideoStream(id)) {
            PsStream &stream = streams[id];
            if (stream.first < 0) {
                stream = PsStream{id, pos, size, -1};
            } else if (stream.second < 0) {
                stream.second = pos;
            }
        }
        pos += size;
    }
    for (const PsStream &stream : std::as_const(streams))
        (isAudioStream(stream.id) ? scan.audio : scan.video) << stream;
    const auto byId = [](const PsStream &a, const PsStream &b) { return a.id < b.id; };
    std::sort(scan.audio.begin(), scan.audio.end(), byId);
    std::sort(scan.video.begin(), scan.video.end(), byId);
    scan.status = Outcome::Arranged;
    return scan;
}

}   // namespace

Outcome ArrangeTransportStream(QIODevice &file, const QList<TrackPlan> &plan)
{
    Blocks blocks(file, TsBlockBytes);
    const TsScan scan = scanTransportStream(blocks);
    if (scan.status != Outcome::Arranged)
        return scan.status;
    const QList<PmtEntry> &entries = scan.pmt.entries;
    if (entries.size() != plan.size())
        return Outcome::Mismatch;
    for (qsizetype i = 0; i < plan.size(); ++i)
        if (plan[i].kind != Kind::Other && entries[i].kind != Kind::Other
            && plan[i].kind != entries[i].kind)
            return Outcome::Mismatch;
    // Players list the tracks in the map's order; the PIDs stay with the places, so that
    // they rise in that order too, and every packet of a moved track takes its new PID.
    QList<qsizetype> all(plan.size());
    std::iota(all.begin(), all.end(), 0);
    const QList<qsizetype> order = ByRank(all, plan);
    QList<quint16> pids(PidCount);
    std::iota(pids.begin(), pids.end(), quint16(0));
    bool moved = false;
    for (qsizetype slot = 0; slot < order.size(); ++slot) {
        pids[entries[order[slot]].pid] = entries[slot].pid;
        moved = moved || order[slot] != slot;
    }
    const QByteArray section = rewrittenPmt(scan, order, plan, pids);
    if (section.isEmpty())
        return Outcome::Damaged;
    if (!moved && section == scan.pmt.section)
        return Outcome::Arranged;
    for (qint64 pos = 0; pos < blocks.size(); pos += TsPacketBytes) {
        char *packet = blocks.at(pos, TsPacketBytes);
        if (!packet)
            return Outcome::WriteFailed;
        const quint16 pid = pidOf(packet);
        if (pid == scan.pmtPid && startsUnit(packet)) {
            const std::optional<SectionPlace> place = sectionIn(packet);
            if (!place)
                return Outcome::WriteFailed;
            std::copy(section.cbegin(), section.cend(), packet + place->at);
            std::fill(packet + place->at + section.size(), packet + TsPacketBytes, char(0xff));
            blocks.changed();
        } else if (pids[pid] != pid) {
            packet[1] = char((quint8(packet[1]) & 0xe0) | (pids[pid] >> 8));
            packet[2] = char(pids[pid] & 0xff);
            blocks.changed();
        }
    }
    return blocks.flush() ? Outcome::Arranged : Outcome::WriteFailed;
}

std::optional<QList<HeaderTrack>> ReadTransportStreamTracks(QIODevice &file)
{
    Blocks blocks(file, TsBlockBytes);
    const TsScan scan = scanTransportStream(blocks, true);
    if (scan.status != Outcome::Arranged)
        return std::nullopt;
    QList<HeaderTrack> tracks;
    for (const PmtEntry &entry : scan.pmt.entries)
        tracks << HeaderTrack{entry.kind, entry.language, false};
    return tracks;
}

Outcome ArrangeProgramStream(QIODevice &file, const QList<TrackPlan> &plan)
{
    Blocks blocks(file, PsBlockBytes);
    const PsScan scan = scanProgramStream(blocks);
    if (scan.status != Outcome::Arranged)
        return scan.status;
    // The muxer numbers the streams of each kind in the order it took them: the plan's audio
    // tracks are the audio streams by rising id.
    QList<qsizetype> audio;
    qsizetype video = 0;
    for (qsizetype i = 0; i < plan.size(); ++i) {
        if (plan[i].kind == Kind::Audio)
            audio << i;
        else if (plan[i].kind == Kind::Video)
            ++video;
        else
            return Outcome::Mismatch;
    }
    if (audio.size() != scan.audio.size() || video != scan.video.size())
        return Outcome::Mismatch;
    const QList<qsizetype> ranked = ByRank(audio, plan);
    // The stream taking place k gets the k-th id, and its first packet takes the place of the
    // k-th first audio packet.
    QList<int> ids(256);
    std::iota(ids.begin(), ids.end(), 0);
    QHash<qsizetype, qsizetype> streamOfPlan;
    for (qsizetype k = 0; k < audio.size(); ++k)
        streamOfPlan.insert(audio[k], k);
    QList<PsStream> byFirst = scan.audio;
    std::sort(byFirst.begin(), byFirst.end(),
              [](const PsStream &a, const PsStream &b) { return a.first < b.first; });
    QList<PsStream> placed;   // the stream whose first packet goes in each place
    bool moved = false;
    for (qsizetype k = 0; k < ranked.size(); ++k) {
        const PsStream &stream = scan.audio[streamOfPlan.value(ranked[k])];
        ids[stream.id] = scan.audio[k].id;
        placed << stream;
        moved = moved || stream.id != scan.audio[k].id || stream.first != byFirst[k].first;
    }
    QList<QByteArray> languages(256);
    for (qsizetype k = 0; k < audio.size(); ++k)
        if (IsLanguageCode(plan[audio[k]].language))
            languages[scan.audio[k].id] = plan[audio[k]].language.toLatin1();

    // The first audio packets, each in its new place; every other byte between them stays.
    // Only when they all come before any stream's second one, so that each stream's packets
    // keep their order.
    QByteArray region;
    qint64 regionAt = 0;
    if (moved && !byFirst.isEmpty()) {
        regionAt = byFirst.first().first;
        const qint64 regionEnd = byFirst.last().first + byFirst.last().firstSize;
        for (const PsStream &stream : scan.audio)
            if (stream.second >= 0 && stream.second < regionEnd)
                return Outcome::NotHandled;
        if (regionEnd - regionAt > MaxFirstPacketsBytes)
            return Outcome::NotHandled;
        if (!file.seek(regionAt))
            return Outcome::Damaged;
        const QByteArray old = file.read(regionEnd - regionAt);
        if (old.size() != regionEnd - regionAt)
            return Outcome::Damaged;
        qint64 pos = regionAt;
        for (qsizetype k = 0; k < byFirst.size(); ++k) {
            region += old.mid(pos - regionAt, byFirst[k].first - pos);
            region += old.mid(placed[k].first - regionAt, placed[k].firstSize);
            pos = byFirst[k].first + byFirst[k].firstSize;
        }
        if (region.size() != old.size())
            return Outcome::Damaged;
    }
    bool languagesWritten = false;
    if (!moved) {
        // Nothing moves; only languages that differ would be written.
        for (qint64 pos = 0; pos < blocks.size() && !languagesWritten;) {
            const qint64 size = psPacketSize(blocks, pos);
            const char *packet = size > 0 ? blocks.at(pos, size) : nullptr;
            if (!packet)
                return Outcome::Damaged;
            const std::optional<QList<MapEntry>> entries = quint8(packet[3]) == 0xbc
                                                               ? streamMapEntries(packet, size)
                                                               : std::nullopt;
            if (entries)
                for (const MapEntry &entry : *entries)
                    languagesWritten = languagesWritten
                                       || (entry.languageAt >= 0
                                           && !languages[quint8(packet[entry.idAt])].isEmpty()
                                           && QByteArray(packet + entry.languageAt, 3)
                                                  != languages[quint8(packet[entry.idAt])]);
            pos += size;
        }
        if (!languagesWritten)
            return Outcome::Arranged;
    }

    if (!region.isEmpty()) {
        if (!file.seek(regionAt) || file.write(region) != region.size())
            return Outcome::WriteFailed;
    }
    Blocks rewrite(file, PsBlockBytes);
    for (qint64 pos = 0; pos < rewrite.size();) {
        const qint64 size = psPacketSize(rewrite, pos);
        char *packet = size > 0 ? rewrite.at(pos, size) : nullptr;
        if (!packet)
            return Outcome::WriteFailed;
        const int id = quint8(packet[3]);
        if (isAudioStream(id) && ids[id] != id) {
            packet[3] = char(ids[id]);
            rewrite.changed();
        } else if (id == 0xbb) {
            const std::optional<QList<qint64>> entries = systemHeaderIds(packet, size);
            if (!entries)
                return Outcome::WriteFailed;
            for (const qint64 at : *entries)
                packet[at] = char(ids[quint8(packet[at])]);
            rewrite.changed();
        } else if (id == 0xbc) {
            // Its CRC is recomputed only where the muxer wrote a right one.
            const bool checked = mpegCrc32(packet, size) == 0;
            const std::optional<QList<MapEntry>> entries = streamMapEntries(packet, size);
            if (!entries)
                return Outcome::WriteFailed;
            for (const MapEntry &entry : *entries) {
                const int was = quint8(packet[entry.idAt]);
                if (entry.languageAt >= 0 && !languages[was].isEmpty())
                    std::copy_n(languages[was].constData(), 3, packet + entry.languageAt);
                packet[entry.idAt] = char(ids[was]);
            }
            if (checked)
                writeCrc(packet + size - 4, mpegCrc32(packet, size - 4));
            rewrite.changed();
        }
        pos += size;
    }
    return rewrite.flush() ? Outcome::Arranged : Outcome::WriteFailed;
}

}   // namespace OutputTracks::Mpeg
