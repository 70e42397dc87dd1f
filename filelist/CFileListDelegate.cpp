// SPDX-License-Identifier: GPL-3.0-or-later
#include "CFileListDelegate.h"

#include <QPainter>
#include <QPen>
#include <QStyle>

CFileListDelegate::CFileListDelegate(const QFont &font, int rowHeight, int textIndent,
                                     QObject *parent)
    : QAbstractItemDelegate(parent)
    , m_font(font)
    , m_rowHeight(rowHeight)
    , m_textIndent(textIndent)
{
}

void CFileListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    const QString text = index.isValid() ? index.data(Qt::DisplayRole).toString() : QString();
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QColor background = selected ? Qt::black : Qt::white;
    const QColor foreground = selected ? Qt::white : Qt::black;
    const QRect row = option.rect;

    painter->save();
    painter->setClipRect(row);
    painter->fillRect(row, background);
    painter->setPen(foreground);
    painter->setFont(m_font);
    // Left-aligned and clipped at the row: a long path is cut at the right edge, not elided.
    painter->drawText(row.adjusted(m_textIndent, 0, 0, 0),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    if (option.state.testFlag(QStyle::State_HasFocus)) {
        // Dots in the text colour stand out on either background, as an inverted focus
        // rectangle does.
        QPen dots(foreground, 0, Qt::DotLine);
        painter->setPen(dots);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(row.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

QSize CFileListDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return QSize(0, m_rowHeight);
}

void CFileListDelegate::SetRowLook(const QFont &font, int rowHeight)
{
    m_font = font;
    m_rowHeight = rowHeight;
    emit sizeHintChanged(QModelIndex());
}
