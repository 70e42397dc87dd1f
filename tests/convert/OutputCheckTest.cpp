// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/OutputCheck.h"
#include "convert/Mp4SyncSample.h"
#include "tests/support/QStringPrinting.h"

#include <QBuffer>
#include <QtEndian>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

using OutputCheck::WhyNotWhole;

TEST(OutputCheck, AWholeOutputHoldsEveryKindOfStreamOfItsSourceAndItsLength)
{
    const CMediaFacts both{true, true, true, 60000};
    EXPECT_EQ(WhyNotWhole(both, {true, true, true, 60100}), QString());
    // Within the allowance some muxers need for their stated length.
    EXPECT_EQ(WhyNotWhole(both, {true, true, true, 54500}), QString());
    EXPECT_EQ(WhyNotWhole({true, true, true, 8000}, {true, true, true, 6000}), QString());
    // A source whose length is unknown (a cut-off file) needs only some output.
    EXPECT_EQ(WhyNotWhole({true, true, false, -1}, {true, true, false, 900}), QString());
    // ASF states a length about 2 s short: nothing at all for a 2 s clip.
    EXPECT_EQ(WhyNotWhole({true, true, true, 2000}, {true, true, true, -1}), QString());
    // A silent source needs no sound.
    EXPECT_EQ(WhyNotWhole({true, true, false, 3000}, {true, true, false, 3000}), QString());

    EXPECT_NE(WhyNotWhole(both, {}), QString());   // unreadable
    EXPECT_NE(WhyNotWhole(both, {true, false, true, 60000}), QString());   // no video
    EXPECT_NE(WhyNotWhole(both, {true, true, false, 60000}), QString());   // no sound
    EXPECT_NE(WhyNotWhole(both, {true, true, true, -1}), QString());   // nothing to play
    EXPECT_NE(WhyNotWhole(both, {true, true, true, 53000}), QString());   // cut off
    EXPECT_NE(WhyNotWhole({true, true, true, -1}, {true, true, true, 0}), QString());
    // Every stream there, but a player cannot show the video from its start.
    CMediaFacts unplayable{true, true, true, 60000};
    unplayable.playbackFault = QStringLiteral("VLC shows no picture from its start");
    EXPECT_NE(WhyNotWhole(both, unplayable), QString());
    EXPECT_EQ(WhyNotWhole({true, false, true, 60000}, unplayable), QString());   // sound only
}

namespace {

QByteArray u32(quint32 value)
{
    QByteArray bytes(4, 0);
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray box(const char *type, const QByteArray &payload)
{
    return u32(quint32(payload.size() + 8)) + type + payload;
}

// A track whose handler is kind ("vide", "soun"), with a sync-sample table listing samples
// when there are any, and none at all when samples is nullopt.
QByteArray track(const char *kind, std::optional<std::vector<quint32>> samples)
{
    QByteArray table;
    if (samples) {
        QByteArray entries = u32(0) + u32(quint32(samples->size()));
        for (quint32 sample : *samples)
            entries += u32(sample);
        table = box("stss", entries);
    }
    const QByteArray handler = box("hdlr", u32(0) + u32(0) + kind + QByteArray(12, 0) + "\0");
    const QByteArray sampleTable = box("stbl", box("stsd", u32(0) + u32(0)) + table);
    return box("trak", box("tkhd", QByteArray(84, 0))
                           + box("mdia", box("mdhd", QByteArray(24, 0)) + handler
                                             + box("minf", sampleTable)));
}

Mp4SyncSample::Verdict check(const QByteArray &file)
{
    QByteArray bytes = file;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return Mp4SyncSample::Check(buffer);
}

}   // namespace

TEST(Mp4SyncSample, TheFirstVideoSampleMustBeASyncSampleUnlessEverySampleIsOne)
{
    using V = Mp4SyncSample::Verdict;
    const QByteArray head = box("ftyp", QByteArray("isom") + u32(512) + "isommp41");
    const QByteArray data = box("mdat", QByteArray(100, 'x'));
    const QByteArray sound = track("soun", std::vector<quint32>{1, 87});
    const auto file = [&](const QByteArray &video) {
        return head + data + box("moov", box("mvhd", QByteArray(100, 0)) + sound + video);
    };
    EXPECT_EQ(check(file(track("vide", std::vector<quint32>{1, 251}))), V::FirstSampleIsSync);
    EXPECT_EQ(check(file(track("vide", std::nullopt))), V::FirstSampleIsSync);
    // What libVLC's MP4 muxer writes after its x264 encoder: the next key frame only.
    EXPECT_EQ(check(file(track("vide", std::vector<quint32>{251}))), V::FirstSampleNotSync);
    EXPECT_EQ(check(file(track("vide", std::vector<quint32>{}))), V::FirstSampleNotSync);
    // Only video tracks count; the movie box may come first; a 64-bit size is read.
    EXPECT_EQ(check(head + box("moov", track("soun", std::vector<quint32>{5})) + data),
              V::FirstSampleIsSync);
    const QByteArray movie = box("moov", track("vide", std::vector<quint32>{9}));
    EXPECT_EQ(check(head + u32(1) + "moov" + u32(0) + u32(quint32(movie.size() + 8))
                    + movie.mid(8)),
              V::FirstSampleNotSync);
    // Not an MP4 file at all.
    EXPECT_EQ(check(QByteArray("RIFF\x10\0\0\0AVI LIST", 16)), V::NotMp4);
    EXPECT_EQ(check(QByteArray::fromHex("1a45dfa3a3428681")), V::NotMp4);
    EXPECT_EQ(check(head + data), V::NotMp4);
    EXPECT_EQ(check(QByteArray()), V::NotMp4);
}

TEST(Mp4SyncSample, HostileSizesAreDamageNeverAReadOutsideTheData)
{
    using V = Mp4SyncSample::Verdict;
    const QByteArray head = box("ftyp", QByteArray("isom") + u32(512));
    const QByteArray whole = head + box("moov", track("vide", std::vector<quint32>{251}));
    // Cut anywhere inside the movie box.
    for (qsizetype cut = head.size() + 9; cut < whole.size(); cut += 7)
        EXPECT_EQ(check(whole.left(cut)), V::Damaged) << cut;
    // A table that claims more entries than it holds; a child larger than its parent; a box
    // smaller than its own header; a 64-bit size past the end.
    QByteArray tooMany = whole;
    const qsizetype count = tooMany.indexOf("stss") + 8;
    tooMany.replace(count, 4, u32(0x40000000));
    EXPECT_EQ(check(tooMany), V::Damaged);
    QByteArray bigChild = whole;
    bigChild.replace(bigChild.indexOf("mdia") - 4, 4, u32(0x7fffffff));
    EXPECT_EQ(check(bigChild), V::Damaged);
    QByteArray tiny = whole;
    tiny.replace(tiny.indexOf("trak") - 4, 4, u32(3));
    EXPECT_EQ(check(tiny), V::Damaged);
    EXPECT_EQ(check(head + u32(1) + "moov" + u32(0xffffffff) + u32(0xffffffff)), V::Damaged);
}
