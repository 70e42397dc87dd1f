// SPDX-License-Identifier: GPL-3.0-or-later
#include "AsfTracks.h"

#include "TrackRewriting.h"

#include <QHash>
#include <QIODevice>
#include <QLocale>
#include <QSet>
#include <QtEndian>
#include <algorithm>
#include <numeric>

namespace OutputTracks::Asf {

namespace {

// Object GUIDs as stored (the first three fields little-endian).
constexpr char HeaderGuid[] = "\x30\x26\xb2\x75\x8e\x66\xcf\x11\xa6\xd9\x00\xaa\x00\x62\xce\x6c";
constexpr char DataGuid[] = "\x36\x26\xb2\x75\x8e\x66\xcf\x11\xa6\xd9\x00\xaa\x00\x62\xce\x6c";
constexpr char FilePropertiesGuid[]
    = "\xa1\xdc\xab\x8c\x47\xa9\xcf\x11\x8e\xe4\x00\xc0\x0c\x20\x53\x65";
constexpr char StreamPropertiesGuid[]
    = "\x91\x07\xdc\xb7\xb7\xa9\xcf\x11\x8e\xe6\x00\xc0\x0c\x20\x53\x65";
constexpr char HeaderExtensionGuid[]
    = "\xb5\x03\xbf\x5f\x2e\xa9\xcf\x11\x8e\xe3\x00\xc0\x0c\x20\x53\x65";
constexpr char AudioMediaGuid[]
    = "\x40\x9e\x69\xf8\x4d\x5b\xcf\x11\xa8\xfd\x00\x80\x5f\x5c\x44\x2b";
constexpr char VideoMediaGuid[]
    = "\xc0\xef\x19\xbc\x4d\x5b\xcf\x11\xa8\xfd\x00\x80\x5f\x5c\x44\x2b";
constexpr char LanguageListGuid[]
    = "\xa9\x46\x43\x7c\xe0\xef\xfc\x4b\xb2\x29\x39\x3e\xde\x41\x5c\x85";
constexpr char ExtendedStreamPropertiesGuid[]
    = "\xcb\xa5\xe6\x14\x72\xc6\x32\x43\x83\x99\xa9\x69\x52\x06\x5b\x5a";

constexpr qint64 GuidBytes = 16;
constexpr qint64 ObjectHeaderBytes = 24;   // GUID and 64-bit size
constexpr qint64 HeaderObjectBytes = 30;   // and the object count and two reserved bytes
constexpr qint64 HeaderExtensionBytes = 46;   // and a GUID, 16 bits and the data size
constexpr qint64 DataObjectBytes = 50;   // and the file id, the packet count and 16 bits
constexpr qint64 FilePropertiesBytes = 104;
constexpr qint64 StreamPropertiesBytes = 78;
constexpr qint64 ExtendedStreamPropertiesBytes = 88;
// Where values lie from the start of their object.
constexpr qint64 HeaderCountAt = 24;
constexpr qint64 FileSizeAt = 40;   // File Properties
constexpr qint64 ExtensionDataSizeAt = 42;   // Header Extension
constexpr qint64 StreamTypeAt = 24;   // Stream Properties
constexpr qint64 TypeDataLengthAt = 64;
constexpr qint64 CorrectionLengthAt = 68;
constexpr qint64 StreamNumberAt = 72;   // Stream Properties and Extended Stream Properties
constexpr qint64 LanguageIndexAt = 74;   // Extended Stream Properties

// Little-endian integers, byte by byte.
template <typename T>
T read(const QByteArray &data, qint64 at)
{
    T value = 0;
    for (qint64 i = qint64(sizeof(T)) - 1; i >= 0; --i)
        value = T((value << 8) | quint8(data.at(at + i)));
    return value;
}
quint16 u16(const QByteArray &data, qint64 at)
{
    return read<quint16>(data, at);
}
quint32 u32(const QByteArray &data, qint64 at)
{
    return read<quint32>(data, at);
}
quint64 u64(const QByteArray &data, qint64 at)
{
    return read<quint64>(data, at);
}
template <typename T>
void put(QByteArray &data, qint64 at, T value)
{
    qToLittleEndian<T>(value, data.data() + at);
}
template <typename T>
QByteArray bytesOf(T value)
{
    QByteArray bytes(sizeof(T), 0);
    put<T>(bytes, 0, value);
    return bytes;
}

bool isGuid(const QByteArray &data, qint64 at, const char *guid)
{
    return std::equal(guid, guid + GuidBytes, data.constData() + at);
}

struct Object
{
    qint64 begin = 0;
    qint64 end = 0;
    bool is(const QByteArray &data, const char *guid) const { return isGuid(data, begin, guid); }
};

// The objects that fill [begin, end) exactly; nullopt when one does not fit.
std::optional<QList<Object>> readObjects(const QByteArray &data, qint64 begin, qint64 end)
{
    QList<Object> objects;
    for (qint64 pos = begin; pos < end;) {
        if (end - pos < ObjectHeaderBytes)
            return std::nullopt;
        const quint64 size = u64(data, pos + GuidBytes);
        if (size < quint64(ObjectHeaderBytes) || size > quint64(end - pos))
            return std::nullopt;
        objects << Object{pos, pos + qint64(size)};
        pos += qint64(size);
    }
    return objects;
}

struct Stream
{
    Object object;
    Kind kind = Kind::Other;
    int number = 0;
    quint32 bitrate = 0;   // an audio stream's, from its format
};

struct Header
{
    Outcome status = Outcome::NotHandled;
    QByteArray bytes = {};   // the whole header object
    QList<Object> objects = {};
    QList<Stream> streams = {};   // in the header's order
    bool hasFileProperties = false;
    bool hasExtension = false;
    bool hasLanguages = false;   // a language list or extended stream properties
    QHash<int, QString> languages = {};   // by stream number, as written
    qint64 fileSize = 0;
};

std::optional<Stream> readStream(const QByteArray &data, const Object &object)
{
    if (object.end - object.begin < StreamPropertiesBytes)
        return std::nullopt;
    const quint64 typeData = u32(data, object.begin + TypeDataLengthAt);
    const quint64 correction = u32(data, object.begin + CorrectionLengthAt);
    if (StreamPropertiesBytes + typeData + correction > quint64(object.end - object.begin))
        return std::nullopt;
    Stream stream{object};
    stream.number = u16(data, object.begin + StreamNumberAt) & 0x7f;
    if (isGuid(data, object.begin + StreamTypeAt, AudioMediaGuid)) {
        stream.kind = Kind::Audio;
        // WAVEFORMATEX: format tag, channels, sample rate, then bytes per second.
        if (typeData >= 12)
            stream.bitrate = 8 * u32(data, object.begin + StreamPropertiesBytes + 8);
    } else if (isGuid(data, object.begin + StreamTypeAt, VideoMediaGuid)) {
        stream.kind = Kind::Video;
    }
    return stream;
}

// The languages of a Language List object, in order; nullopt when they do not fit.
std::optional<QStringList> readLanguageList(const QByteArray &data, const Object &object)
{
    qint64 pos = object.begin + ObjectHeaderBytes;
    if (object.end - pos < 2)
        return std::nullopt;
    const int count = u16(data, pos);
    pos += 2;
    QStringList languages;
    for (int i = 0; i < count; ++i) {
        if (pos >= object.end)
            return std::nullopt;
        const int length = quint8(data.at(pos++));
        if (length % 2 || length > object.end - pos)
            return std::nullopt;
        QString language = QString::fromUtf16(reinterpret_cast<const char16_t *>(data.constData()
                                                                                 + pos),
                                              length / 2);
        languages << language.left(language.indexOf(QChar(0)));
        pos += length;
    }
    return languages;
}

// Reads the header and checks that the data object and what follows it fill the file.
Header readHeader(QIODevice &file)
{
    Header header;
    header.fileSize = file.size();
    if (!file.seek(0))
        return header;
    const QByteArray start = file.read(HeaderObjectBytes);
    if (start.size() < GuidBytes || !isGuid(start, 0, HeaderGuid))
        return header;
    header.status = Outcome::Damaged;
    if (start.size() < HeaderObjectBytes)
        return header;
    const quint64 size = u64(start, GuidBytes);
    if (size < quint64(HeaderObjectBytes) || size > quint64(header.fileSize)
        || size > quint64(MaxHeaderBytes) || !file.seek(0))
        return header;
    header.bytes = file.read(qint64(size));
    if (header.bytes.size() != qint64(size))
        return header;
    const std::optional<QList<Object>> objects = readObjects(header.bytes, HeaderObjectBytes,
                                                             header.bytes.size());
    if (!objects)
        return header;
    header.objects = *objects;
    QSet<int> numbers;
    QStringList languageList;
    QHash<int, int> languageIndex;
    for (const Object &object : *objects) {
        if (object.is(header.bytes, StreamPropertiesGuid)) {
            const std::optional<Stream> stream = readStream(header.bytes, object);
            if (!stream || stream->number == 0 || numbers.contains(stream->number))
                return header;
            numbers << stream->number;
            header.streams << *stream;
        } else if (object.is(header.bytes, FilePropertiesGuid)) {
            if (object.end - object.begin < FilePropertiesBytes || header.hasFileProperties)
                return header;
            header.hasFileProperties = true;
        } else if (object.is(header.bytes, HeaderExtensionGuid)) {
            if (object.end - object.begin < HeaderExtensionBytes || header.hasExtension
                || u32(header.bytes, object.begin + ExtensionDataSizeAt)
                       != quint64(object.end - object.begin - HeaderExtensionBytes))
                return header;
            header.hasExtension = true;
            const auto inner = readObjects(header.bytes, object.begin + HeaderExtensionBytes,
                                           object.end);
            if (!inner)
                return header;
            for (const Object &part : *inner) {
                if (part.is(header.bytes, LanguageListGuid)) {
                    const std::optional<QStringList> list = readLanguageList(header.bytes, part);
                    if (!list)
                        return header;
                    languageList = *list;
                    header.hasLanguages = true;
                } else if (part.is(header.bytes, ExtendedStreamPropertiesGuid)) {
                    if (part.end - part.begin < ExtendedStreamPropertiesBytes)
                        return header;
                    languageIndex.insert(u16(header.bytes, part.begin + StreamNumberAt) & 0x7f,
                                         u16(header.bytes, part.begin + LanguageIndexAt));
                    header.hasLanguages = true;
                }
            }
        }
    }
    for (auto it = languageIndex.cbegin(); it != languageIndex.cend(); ++it)
        if (it.value() < languageList.size())
            header.languages.insert(it.key(), languageList[it.value()]);
    if (!header.hasFileProperties)
        return header;
    // The data object follows the header; after it come only whole objects (the indexes).
    for (qint64 pos = qint64(size); pos < header.fileSize;) {
        if (!file.seek(pos))
            return header;
        const QByteArray head = file.read(DataObjectBytes);
        const bool data = pos == qint64(size);
        if (head.size() < (data ? DataObjectBytes : ObjectHeaderBytes)
            || (data && !isGuid(head, 0, DataGuid)))
            return header;
        const quint64 length = u64(head, GuidBytes);
        if (length < quint64(data ? DataObjectBytes : ObjectHeaderBytes)
            || length > quint64(header.fileSize - pos))
            return header;
        pos += qint64(length);
    }
    if (header.fileSize <= qint64(size))
        return header;
    header.status = Outcome::Arranged;
    return header;
}

// RFC 1766, as the language list holds it: the two-letter code where the language has one.
QString rfc1766(const QString &code)
{
    const QLocale::Language language = QLocale::codeToLanguage(code, QLocale::ISO639Part2);
    const QString shortCode = language == QLocale::AnyLanguage
                                  ? QString()
                                  : QLocale::languageToCode(language, QLocale::ISO639Part1);
    return shortCode.isEmpty() ? code : shortCode;
}

// A language worth writing: "und" says nothing.
bool isNamedLanguage(const QString &code)
{
    return IsLanguageCode(code) && code != QLatin1String("und");
}

// A Language List object and an Extended Stream Properties object per stream that names one.
QByteArray languageObjects(const QList<std::pair<const Stream *, QString>> &named)
{
    QStringList list;
    QByteArray properties;
    for (const auto &[stream, code] : named) {
        const QString language = rfc1766(code);
        if (!list.contains(language))
            list << language;
        QByteArray object(ExtendedStreamPropertiesBytes, 0);
        object.replace(qsizetype(0), GuidBytes, ExtendedStreamPropertiesGuid, GuidBytes);
        put<quint64>(object, GuidBytes, ExtendedStreamPropertiesBytes);
        put<quint32>(object, 40, stream->bitrate);   // data bitrate
        put<quint32>(object, 52, stream->bitrate);   // alternate data bitrate
        put<quint32>(object, 68, 0x02);   // flags: seekable
        put<quint16>(object, StreamNumberAt, quint16(stream->number));
        put<quint16>(object, LanguageIndexAt, quint16(list.indexOf(language)));
        properties += object;
    }
    QByteArray languages = QByteArray(LanguageListGuid, GuidBytes) + QByteArray(8, 0)
                           + bytesOf<quint16>(quint16(list.size()));
    for (const QString &language : std::as_const(list)) {
        const QString terminated = language + QChar(0);
        languages += char(terminated.size() * 2);
        for (QChar c : terminated)
            languages += bytesOf<quint16>(c.unicode());
    }
    put<quint64>(languages, GuidBytes, languages.size());
    return languages + properties;
}

// Moves the bytes after the header back by grow (the file is longer by as much), from its end.
bool moveBack(QIODevice &file, qint64 from, qint64 fileSize, qint64 grow)
{
    constexpr qint64 Chunk = 4 * 1024 * 1024;
    for (qint64 end = fileSize; end > from;) {
        const qint64 begin = std::max(from, end - Chunk);
        if (!file.seek(begin))
            return false;
        const QByteArray bytes = file.read(end - begin);
        if (bytes.size() != end - begin || !file.seek(begin + grow)
            || file.write(bytes) != bytes.size())
            return false;
        end = begin;
    }
    return true;
}

}   // namespace

std::optional<QList<HeaderTrack>> ReadTracks(QIODevice &file, bool &isAsf)
{
    const Header header = readHeader(file);
    isAsf = header.status != Outcome::NotHandled;
    if (header.status != Outcome::Arranged)
        return std::nullopt;
    QList<HeaderTrack> tracks;
    for (const Stream &stream : header.streams)
        tracks << HeaderTrack{stream.kind, header.languages.value(stream.number), false};
    return tracks;
}

Outcome Arrange(QIODevice &file, const QList<TrackPlan> &plan)
{
    const Header header = readHeader(file);
    if (header.status != Outcome::Arranged)
        return header.status;
    if (header.streams.size() != plan.size())
        return Outcome::Mismatch;
    QList<qsizetype> order(plan.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return plan[a].rank < plan[b].rank; });

    // The header's objects again, the streams' in the plan's order, each the same size as
    // before: the header keeps its size.
    const QByteArray &old = header.bytes;
    QByteArray rewritten = old.left(HeaderObjectBytes);
    put<quint32>(rewritten, HeaderCountAt, quint32(header.objects.size()));
    qint64 fileProperties = -1;
    qint64 extension = -1;
    qsizetype slot = 0;
    for (const Object &object : header.objects) {
        Object from = object;
        if (object.is(old, StreamPropertiesGuid))
            from = header.streams[order[slot++]].object;
        else if (object.is(old, FilePropertiesGuid))
            fileProperties = rewritten.size();
        else if (object.is(old, HeaderExtensionGuid))
            extension = rewritten.size();
        rewritten += old.mid(from.begin, from.end - from.begin);
    }

    // Languages go into the header extension, unless the header already names any.
    QList<std::pair<const Stream *, QString>> named;
    for (const qsizetype from : std::as_const(order))
        if (header.streams[from].kind == Kind::Audio && isNamedLanguage(plan[from].language))
            named.append({&header.streams[from], plan[from].language});
    if (named.isEmpty() || header.hasLanguages || extension < 0) {
        if (rewritten == old)
            return Outcome::Arranged;
        return file.seek(0) && file.write(rewritten) == rewritten.size() ? Outcome::Arranged
                                                                         : Outcome::WriteFailed;
    }
    const QByteArray added = languageObjects(named);
    const qint64 grow = added.size();
    const qint64 extensionEnd = extension + qint64(u64(rewritten, extension + GuidBytes));
    rewritten.insert(extensionEnd, added);
    put<quint64>(rewritten, extension + GuidBytes, u64(rewritten, extension + GuidBytes) + grow);
    put<quint32>(rewritten, extension + ExtensionDataSizeAt,
                 quint32(u32(rewritten, extension + ExtensionDataSizeAt) + grow));
    put<quint64>(rewritten, GuidBytes, u64(rewritten, GuidBytes) + grow);
    put<quint64>(rewritten, fileProperties + FileSizeAt,
                 u64(rewritten, fileProperties + FileSizeAt) + grow);
    if (!moveBack(file, old.size(), header.fileSize, grow) || !file.seek(0)
        || file.write(rewritten) != rewritten.size())
        return Outcome::WriteFailed;
    return Outcome::Arranged;
}

}   // namespace OutputTracks::Asf
