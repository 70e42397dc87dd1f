// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputCheck.h"

#include <algorithm>

namespace OutputCheck {

qint64 AllowedShortfallMs(qint64 sourceLengthMs)
{
    return std::max<qint64>(2500, sourceLengthMs / 10);
}

QString WhyNotWhole(const CMediaFacts &source, const CMediaFacts &output)
{
    if (!output.readable)
        return QStringLiteral("the output cannot be read");
    if (source.hasVideo && !output.hasVideo)
        return QStringLiteral("the output holds no video");
    if (source.hasAudio && !output.hasAudio)
        return QStringLiteral("the output holds no sound");
    if (source.hasVideo && !output.playbackFault.isEmpty())
        return QStringLiteral("the output's video does not play from its start: ")
               + output.playbackFault;
    // Without the source's length, the output must at least say it plays. With it, the length
    // must agree (a clip shorter than the allowance may be stated as nothing by ASF).
    if (source.lengthMs <= 0 && output.lengthMs <= 0)
        return QStringLiteral("the output holds nothing to play");
    if (source.lengthMs > 0
        && output.lengthMs < source.lengthMs - AllowedShortfallMs(source.lengthMs))
        return QStringLiteral("the output plays %1 s of %2 s")
            .arg(output.lengthMs / 1000.0, 0, 'f', 1)
            .arg(source.lengthMs / 1000.0, 0, 'f', 1);
    return {};
}

}   // namespace OutputCheck
