// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

// The highlight over the whole window while files are dragged over it: a tint, a frame and a
// line saying what a drop does. It lets every mouse and drag event through to what lies under it.
class CDropHighlight : public QWidget
{
    Q_OBJECT
public:
    explicit CDropHighlight(QWidget *parent);

    // Covers the parent and comes to the top; hides again.
    void ShowOver(const QRect &area);
    void Hide() { hide(); }

    static QString Text() { return QStringLiteral("Drop to add to the queue"); }

protected:
    void paintEvent(QPaintEvent *event) override;
};
