// SPDX-License-Identifier: GPL-3.0-or-later
#include "CDropHighlight.h"

#include <QPainter>
#include <QPainterPath>

namespace {
// The movie's accent blue, so that the highlight reads as part of the same face.
const QColor Accent(0x1d, 0x5f, 0xd1);
}   // namespace

CDropHighlight::CDropHighlight(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("dropHighlight"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void CDropHighlight::ShowOver(const QRect &area)
{
    setGeometry(area);
    raise();
    show();
}

void CDropHighlight::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor tint = Accent;
    tint.setAlpha(40);
    painter.fillRect(rect(), tint);

    // A frame inside the edge, its width following the window's size.
    const qreal line = qMax<qreal>(2.0, height() / 145.0);
    QPen pen(Accent, line, Qt::DashLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal inset = line * 2;
    painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), 3 * line,
                            3 * line);

    // The words on a solid label in the middle.
    QFont font = painter.font();
    font.setPixelSize(qMax(11, height() / 30));
    font.setBold(true);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const QSize textSize(metrics.horizontalAdvance(Text()), metrics.height());
    QRect label(QPoint(0, 0), textSize + QSize(2 * metrics.height(), metrics.height()));
    label.moveCenter(rect().center());
    painter.setPen(Qt::NoPen);
    painter.setBrush(Accent);
    painter.drawRoundedRect(label, label.height() / 2.0, label.height() / 2.0);
    painter.setPen(Qt::white);
    painter.drawText(label, Qt::AlignCenter, Text());
}
