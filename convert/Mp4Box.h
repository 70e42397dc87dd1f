// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <optional>

// Reading the boxes of an MP4-family file (.mp4, .mov, .3gp, .m4v) as untrusted input: every
// size is checked against its parent and the file, and only the movie box (moov), at most
// MaxMovieBoxBytes, is read into memory.
namespace Mp4Box {

inline constexpr qint64 MaxMovieBoxBytes = 64 * 1024 * 1024;

inline quint32 readU32(const char *p)
{
    const auto *b = reinterpret_cast<const unsigned char *>(p);
    return (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | quint32(b[3]);
}

inline quint64 readU64(const char *p)
{
    return (quint64(readU32(p)) << 32) | readU32(p + 4);
}

inline void writeU32(char *p, quint32 value)
{
    p[0] = char(value >> 24);
    p[1] = char(value >> 16);
    p[2] = char(value >> 8);
    p[3] = char(value);
}

// One box inside a buffer: its type, where it starts, and its payload's bounds.
struct Box
{
    QByteArray type;
    qint64 begin = 0;
    qint64 payload = 0;
    qint64 end = 0;
};

// Walks the boxes of one level [begin, end) of a buffer. A box whose header or size does not
// fit stops the walk as damaged.
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
        Box box{QByteArray(p + 4, 4), m_pos, m_pos + header, m_pos + qint64(size)};
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
inline std::optional<Box> child(const QByteArray &data, const Box &parent, const char *type,
                                bool &damaged)
{
    BoxWalker walker(data, parent.payload, parent.end);
    while (const std::optional<Box> box = walker.next())
        if (box->type == type)
            return box;
    damaged = damaged || walker.damaged();
    return std::nullopt;
}

// A file's movie box: its payload and where that payload lies in the file.
struct MovieBox
{
    enum class Status {
        NotMp4,   // no movie box among the top-level boxes
        Found,
        Damaged,   // a top-level box's size does not fit the file, or the movie box is too big
    };
    Status status = Status::NotMp4;
    qint64 payloadOffset = 0;
    QByteArray payload = {};
};

// Reads the device from its start; it must be open for reading and seekable.
MovieBox ReadMovieBox(QIODevice &file);

}   // namespace Mp4Box
