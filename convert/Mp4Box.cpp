// SPDX-License-Identifier: GPL-3.0-or-later
#include "Mp4Box.h"

namespace Mp4Box {

MovieBox ReadMovieBox(QIODevice &file)
{
    const qint64 fileSize = file.size();
    qint64 pos = 0;
    bool sawFileType = false;
    while (pos < fileSize) {
        if (!file.seek(pos))
            return {MovieBox::Status::Damaged};
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
            return {MovieBox::Status::NotMp4};
        if (size < quint64(headerSize) || size > quint64(fileSize - pos))
            return {sawFileType ? MovieBox::Status::Damaged : MovieBox::Status::NotMp4};
        sawFileType = true;
        if (type == "moov") {
            const qint64 payload = qint64(size) - headerSize;
            if (payload > MaxMovieBoxBytes || !file.seek(pos + headerSize))
                return {MovieBox::Status::Damaged};
            MovieBox movie{MovieBox::Status::Found, pos + headerSize, file.read(payload)};
            if (movie.payload.size() != payload)
                return {MovieBox::Status::Damaged};
            return movie;
        }
        pos += qint64(size);
    }
    return {MovieBox::Status::NotMp4};
}

}   // namespace Mp4Box
