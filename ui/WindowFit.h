// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>
#include <QRect>
#include <QSize>

// The arithmetic of a window that shrinks to fit its screen: the movie is scaled "ShowAll"
// (whole, aspect kept, centred), and the native list over it follows the same transform.
namespace WindowFit {

// How a stage of stageSize is shown in a view of viewSize: scaled by scale, then moved by offset.
struct ShowAll
{
    double scale = 1.0;
    QPointF offset;

    QRect map(const QRect &stageRect) const;
};

ShowAll ShowAllTransform(const QSizeF &stageSize, const QSizeF &viewSize);

// The scale, never above 1, at which a window designed at design fits in available.
double ScaleToFit(const QSize &design, const QSize &available);

// The design size at that scale in whole pixels, rounded down so that it never overflows.
QSize ScaledSize(const QSize &design, double scale);

}   // namespace WindowFit
