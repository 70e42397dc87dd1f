// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "OutputTracks.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <functional>
#include <utility>

class QIODevice;

// What the rewrites of the containers' track lists share.
namespace OutputTracks {

// Three lower-case letters, the only form of a language that is written.
bool IsLanguageCode(const QString &code);

// The given plan indices, stably sorted by rank.
QList<qsizetype> ByRank(QList<qsizetype> indices, const QList<TrackPlan> &plan);

// Writes count small patches of an open file, patch(i) giving the place and bytes of the i-th,
// in rising places: a span of nearby ones (at most a megabyte) is read, patched and written back
// in one write rather than one per patch. Whether all were written.
bool WritePatches(QIODevice &file, qsizetype count,
                  const std::function<std::pair<qint64, QByteArrayView>(qsizetype)> &patch);

}   // namespace OutputTracks
