// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/FormatCatalog.h"

// The program's start-up choices for an .mp4 target: h264 at 1024 kbit/s, scale 1, mp4a at
// 128 kbit/s, 2 channels.
inline ConversionSettings Mp4Settings()
{
    return {QStringLiteral(".mp4"), QStringLiteral("mp4"), QStringLiteral("h264"),
            QStringLiteral("1024"), QStringLiteral("1"),   QStringLiteral("mp4a"),
            QStringLiteral("128"),  QStringLiteral("2")};
}
