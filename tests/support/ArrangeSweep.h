// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/OutputTracks.h"

#include <QBuffer>
#include <QByteArray>
#include <QList>
#include <gtest/gtest.h>
#include <utility>

// Arranges a copy of bytes in memory: the outcome, and the bytes as they are afterwards.
inline std::pair<OutputTracks::Outcome, QByteArray>
ArrangedCopy(const QByteArray &bytes, const QList<OutputTracks::TrackPlan> &plan)
{
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadWrite);
    const OutputTracks::Outcome outcome = OutputTracks::Arrange(buffer, plan);
    buffer.close();
    return {outcome, data};
}

// The byte at each place made wrong in turn: whatever the file then reads as, one that is not
// arranged has not been written to. How many were not arranged; stops at the first failure.
inline int CorruptEachInTurn(const QByteArray &whole, const QList<qsizetype> &places,
                             const QList<OutputTracks::TrackPlan> &plan)
{
    int notArranged = 0;
    for (const qsizetype at : places) {
        QByteArray bad = whole;
        bad[at] = char(bad.at(at) ^ 0xa5);
        const auto [outcome, after] = ArrangedCopy(bad, plan);
        if (outcome == OutputTracks::Outcome::Arranged)
            continue;
        ++notArranged;
        if (after != bad) {
            ADD_FAILURE() << "written to although not arranged, byte " << at;
            break;
        }
    }
    return notArranged;
}

// The places from first up to (not including) end.
inline QList<qsizetype> PlacesBetween(qsizetype first, qsizetype end)
{
    QList<qsizetype> places;
    for (qsizetype at = first; at < end; ++at)
        places << at;
    return places;
}
