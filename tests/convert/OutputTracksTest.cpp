// SPDX-License-Identifier: GPL-3.0-or-later
// The rewriting of an output's track list, given headers that do not read.
#include "convert/OutputTracks.h"
#include "tests/support/ArrangeSweep.h"
#include "tests/support/TempDir.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

// A second of video and two audio tracks, as FFmpeg's muxer writes the container.
QByteArray madeByFfmpeg(const TempDir &dir, const QString &name)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringLiteral(
                     "-nostdin -v error -f lavfi -i testsrc2=size=64x36:rate=5:duration=1 "
                     "-f lavfi -i sine=d=1 -f lavfi -i sine=d=1 -map 0 -map 1 -map 2 "
                     "-c:v mpeg4 -c:a aac")
                         .split(QLatin1Char(' '))
                     << dir.file(name));
    EXPECT_TRUE(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
    return dir.read(name);
}

}   // namespace

TEST(OutputTracks, AHeaderThatDoesNotReadIsLeftAsItIs)
{
    using OutputTracks::Outcome;
    TempDir dir;
    // Every plan moves the tracks and writes languages and flags.
    const QList<OutputTracks::TrackPlan> plan{{2, QString(), true},
                                              {1, QStringLiteral("fra"), false},
                                              {0, QStringLiteral("eng"), true}};
    for (const char *name : {"clip.mp4", "clip.mkv", "clip.wmv"}) {
        SCOPED_TRACE(name);
        const QByteArray whole = madeByFfmpeg(dir, QLatin1String(name));
        ASSERT_FALSE(whole.isEmpty());
        const QString path = dir.write(QStringLiteral("try"), whole);
        EXPECT_EQ(OutputTracks::Arrange(path, plan.mid(1)), Outcome::Mismatch);
        EXPECT_EQ(dir.read(QStringLiteral("try")), whole);

        // Each byte of the header made wrong in turn (the MP4's movie box is at its end, the
        // Matroska header before its first cluster, the ASF header before its data object):
        // whatever it then reads, a file that is not arranged is not written to.
        const bool mp4 = QLatin1String(name).endsWith(QLatin1String("mp4"));
        const bool asf = QLatin1String(name).endsWith(QLatin1String("wmv"));
        const qsizetype headerStart = mp4 ? whole.lastIndexOf("moov") - 4 : 0;
        const qsizetype headerEnd = mp4   ? whole.size()
                                    : asf ? whole.indexOf("\x36\x26\xb2\x75\x8e\x66\xcf\x11")
                                          : whole.indexOf("\x1f\x43\xb6\x75");
        ASSERT_GT(headerEnd, headerStart);
        EXPECT_GT(CorruptEachInTurn(whole, PlacesBetween(headerStart, headerEnd), plan), 0);
        // Cut short anywhere in its header, the same.
        for (qsizetype size = headerStart; size < headerEnd; ++size) {
            const auto [outcome, after] = ArrangedCopy(whole.left(size), plan);
            if (outcome != Outcome::Arranged) {
                ASSERT_EQ(after, whole.left(size)) << "cut at " << size;
            }
        }
        // An ASF file cut short in its packets (the index after them is under 100 bytes) does
        // not read either: its header may grow, and the rest of the file move back.
        for (qsizetype size = headerEnd + 1; asf && size < whole.size() - 100; size += 97) {
            const auto [outcome, after] = ArrangedCopy(whole.left(size), plan);
            EXPECT_EQ(outcome, Outcome::Damaged) << "cut at " << size;
            ASSERT_EQ(after, whole.left(size)) << "cut at " << size;
        }
    }
}
