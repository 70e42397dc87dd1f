// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractItemDelegate>
#include <QFont>

// Paints the rows of the file list: the whole path on one line in the row font, black on white,
// white on black when selected, cut off at the right edge, with a dotted focus rectangle on the
// row that has the focus. An invalid index paints an empty row (the empty list with the focus).
class CFileListDelegate : public QAbstractItemDelegate
{
    Q_OBJECT
public:
    CFileListDelegate(const QFont &font, int rowHeight, int textIndent, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    // Rows are as high as the font cell and claim no width, so they span the viewport and
    // never ask for a horizontal scroll bar.
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    void SetRowLook(const QFont &font, int rowHeight);

private:
    QFont m_font;
    int m_rowHeight;
    int m_textIndent;
};
