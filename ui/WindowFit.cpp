// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowFit.h"

#include <algorithm>
#include <cmath>

namespace WindowFit {

QRect ShowAll::map(const QRect &stageRect) const
{
    // Corners mapped and rounded separately, so that neighbouring rectangles stay neighbours.
    const auto x = [this](int v) { return static_cast<int>(std::lround(offset.x() + v * scale)); };
    const auto y = [this](int v) { return static_cast<int>(std::lround(offset.y() + v * scale)); };
    const int left = x(stageRect.left()), top = y(stageRect.top());
    return QRect(left, top, x(stageRect.left() + stageRect.width()) - left,
                 y(stageRect.top() + stageRect.height()) - top);
}

ShowAll ShowAllTransform(const QSizeF &stageSize, const QSizeF &viewSize)
{
    ShowAll t;
    if (stageSize.isEmpty() || viewSize.isEmpty())
        return t;
    t.scale = std::min(viewSize.width() / stageSize.width(),
                       viewSize.height() / stageSize.height());
    t.offset = QPointF((viewSize.width() - stageSize.width() * t.scale) / 2.0,
                       (viewSize.height() - stageSize.height() * t.scale) / 2.0);
    return t;
}

double ScaleToFit(const QSize &design, const QSize &available)
{
    if (design.isEmpty() || available.isEmpty())
        return 1.0;
    return std::min({1.0, static_cast<double>(available.width()) / design.width(),
                     static_cast<double>(available.height()) / design.height()});
}

QSize ScaledSize(const QSize &design, double scale)
{
    // A hair of tolerance: 579 * (512 / 579) must give 512, not 511.
    const auto scaled = [scale](int v) {
        return std::max(1, static_cast<int>(std::floor(v * scale + 1e-9)));
    };
    return QSize(scaled(design.width()), scaled(design.height()));
}

}   // namespace WindowFit
