// SPDX-License-Identifier: GPL-3.0-or-later
// What the user sees of the queue: the rows as drawn, the scroll bars at the program's size,
// and the tooltip that follows the pointer.
#include "filelist/CFileListBox.h"
#include "tests/support/QStringPrinting.h"

#include <QApplication>
#include <QHelpEvent>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>
#include <functional>
#include <gtest/gtest.h>

namespace {

// The list as the main window places it: 367 x 127, trimmed to whole rows.
class ShownList : public ::testing::Test
{
protected:
    void SetUp() override
    {
        list.setGeometry(0, 0, 367, 127);
        list.show();
        QApplication::processEvents();
    }
    void TearDown() override { QToolTip::hideText(); }

    void fill(const QStringList &rows)
    {
        for (const QString &row : rows)
            list.AddString(row);
        QApplication::processEvents();
    }
    QImage shot() { return list.viewport()->grab().toImage(); }

    void movePointer(const QPoint &pos)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(pos),
                         QPointF(list.viewport()->mapToGlobal(pos)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &move);
    }
    // The pointer rests: the tooltip event arrives where it stands.
    QString tipShownAt(const QPoint &pos)
    {
        movePointer(pos);
        QHelpEvent rest(QEvent::ToolTip, pos, list.viewport()->mapToGlobal(pos));
        QApplication::sendEvent(list.viewport(), &rest);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    }
    static QPoint inRow(int row) { return QPoint(100, row * CFileListBox::m_itemHeight + 8); }

    CFileListBox list;
};

bool anyPixel(const QImage &image, const QRect &area, const std::function<bool(QRgb)> &test)
{
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            if (test(image.pixel(x, y)))
                return true;
    return false;
}
bool allPixels(const QImage &image, const QRect &area, const std::function<bool(QRgb)> &test)
{
    return !anyPixel(image, area, [&](QRgb p) { return !test(p); });
}
bool dark(QRgb p)
{
    return qGray(p) < 96;
}
bool light(QRgb p)
{
    return qGray(p) > 160;
}
bool white(QRgb p)
{
    return (p & 0xFFFFFF) == 0xFFFFFF;
}
bool black(QRgb p)
{
    return (p & 0xFFFFFF) == 0;
}

TEST_F(ShownList, SevenWholeRowsShowAndTheScrollBarComesOnlyWithTheEighth)
{
    EXPECT_EQ(list.height(), 112);
    EXPECT_EQ(list.frameWidth(), 0);
    fill({"1", "2", "3", "4", "5", "6", "7"});
    EXPECT_FALSE(list.verticalScrollBar()->isVisible());
    fill({"8"});
    EXPECT_TRUE(list.verticalScrollBar()->isVisible());
    fill({QStringLiteral("/very/long/").repeated(40)});
    EXPECT_FALSE(list.horizontalScrollBar()->isVisible());
    list.ResetContent();
    QApplication::processEvents();
    EXPECT_FALSE(list.verticalScrollBar()->isVisible());
}

TEST_F(ShownList, RowsAreBlackOnWhiteAndWhiteOnBlackWhenSelected)
{
    fill({"/videos/first clip.avi", "/videos/second clip.avi"});
    list.SetSel(1);
    const QImage image = shot();
    const QRect first(0, 0, image.width(), 16);
    const QRect second(0, 16, image.width(), 16);
    const QRect textArea(4, 0, 150, 16);

    EXPECT_TRUE(white(image.pixel(image.width() - 2, 8)));
    EXPECT_TRUE(anyPixel(image, textArea, dark));
    EXPECT_TRUE(allPixels(image, QRect(0, 0, 4, 16), white));   // the text starts 4 px in
    EXPECT_FALSE(anyPixel(image, first, [](QRgb p) { return qRed(p) != qBlue(p); }));

    EXPECT_TRUE(black(image.pixel(image.width() - 2, 24)));
    EXPECT_TRUE(anyPixel(image, textArea.translated(0, 16), light));
    EXPECT_TRUE(allPixels(image, QRect(0, 16, 4, 16), black));

    EXPECT_FALSE(anyPixel(image, second, [](QRgb p) { return qRed(p) != qBlue(p); }));
    EXPECT_TRUE(allPixels(image, QRect(0, 32, image.width(), image.height() - 32), white));
}

TEST_F(ShownList, ALongPathIsCutAtTheRightEdgeWithoutAnEllipsis)
{
    const QString path = QStringLiteral("/media/archive/").repeated(30) + QStringLiteral("x.avi");
    const QFontMetrics metrics(list.rowFont());
    const int room = list.viewport()->width() - CFileListBox::m_textIndent;
    qsizetype fitting = 0;
    while (metrics.horizontalAdvance(path.left(fitting + 1)) <= room)
        ++fitting;
    const QString head = path.left(fitting);

    fill({path});
    const QImage cut = shot();
    list.item(0)->setText(head);
    QApplication::processEvents();
    const QImage whole = shot();
    // The part of the path that fits looks the same as that part drawn alone: nothing of it
    // gave way to an ellipsis.
    const QRect shared(0, 0, CFileListBox::m_textIndent + metrics.horizontalAdvance(head) - 2, 16);
    EXPECT_EQ(cut.copy(shared), whole.copy(shared));
    EXPECT_TRUE(anyPixel(cut, QRect(cut.width() - 12, 0, 12, 16), dark));
}

TEST_F(ShownList, TheRowWithTheFocusCarriesAFocusRectangleEvenInAnEmptyList)
{
    list.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
    list.setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(list.hasFocus());

    // Empty: a white first row with a dotted frame, nothing else.
    QImage image = shot();
    EXPECT_TRUE(anyPixel(image, QRect(0, 0, image.width(), 1), dark));
    EXPECT_TRUE(anyPixel(image, QRect(0, 15, image.width(), 1), dark));
    EXPECT_TRUE(allPixels(image, QRect(2, 2, image.width() - 4, 12), white));
    EXPECT_TRUE(allPixels(image, QRect(0, 16, image.width(), image.height() - 16), white));

    // A selected caret row: the dots are white on black.
    fill({"/videos/a.avi", "/videos/b.avi"});
    list.selectionModel()->setCurrentIndex(list.model()->index(1, 0),
                                           QItemSelectionModel::ClearAndSelect);
    QApplication::processEvents();
    image = shot();
    EXPECT_TRUE(anyPixel(image, QRect(image.width() / 2, 16, image.width() / 2, 1), light));
    EXPECT_TRUE(black(image.pixel(image.width() - 2, 24)));
    // The row without the focus has no frame.
    EXPECT_TRUE(allPixels(image, QRect(image.width() / 2, 0, image.width() / 2, 1), white));

    list.clearFocus();
    QApplication::processEvents();
    image = shot();
    EXPECT_TRUE(allPixels(image, QRect(image.width() / 2, 16, image.width() / 2, 1), black));
}

TEST_F(ShownList, TipShowsThePathUnderThePointerAndKeepsItBelowTheLastRow)
{
    EXPECT_EQ(tipShownAt(inRow(0)), "Empty List");

    fill({"/videos/a.avi", "/videos/b.avi", "/videos/c.avi"});
    EXPECT_EQ(tipShownAt(inRow(1)), "/videos/b.avi");
    EXPECT_EQ(list.toolTipText(), "/videos/b.avi");
    EXPECT_EQ(tipShownAt(inRow(5)), "/videos/b.avi");   // blank area below the rows

    // The text follows the pointer while the tip is up.
    movePointer(inRow(2));
    EXPECT_EQ(QToolTip::text(), "/videos/c.avi");
    movePointer(inRow(6));
    EXPECT_EQ(list.toolTipText(), "/videos/c.avi");

    list.ResetContent();
    movePointer(inRow(0));
    EXPECT_EQ(list.toolTipText(), "Empty List");
    EXPECT_EQ(QToolTip::text(), "Empty List");
}

TEST_F(ShownList, TipBreaksLongPathsAt800PixelsAndShowsMarkupAsText)
{
    QString path;
    for (int i = 0; i < 40; ++i)
        path += QStringLiteral("/folder number %1").arg(i);
    path += QStringLiteral("/clip.avi");
    fill({path});

    const QString shown = tipShownAt(inRow(0));
    const QStringList lines = shown.split(QLatin1Char('\n'));
    ASSERT_GT(lines.size(), 1);
    EXPECT_EQ(lines.join(QString()), path);
    const QFontMetrics metrics(QToolTip::font());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        EXPECT_LE(metrics.horizontalAdvance(lines.at(i)), 800) << i;
        if (i + 1 < lines.size()) {
            // Broken after a separator or a blank, not inside a name.
            EXPECT_TRUE(lines.at(i).endsWith(QLatin1Char('/'))
                        || lines.at(i).endsWith(QLatin1Char(' ')))
                << lines.at(i).toStdString();
        }
    }

    // A name with no place to break is cut where it has to be.
    const QString word = QStringLiteral("W").repeated(400);
    const QStringList pieces
        = CFileListBox::breakToolTipLines(word, metrics, 800).split(QLatin1Char('\n'));
    EXPECT_GT(pieces.size(), 1);
    EXPECT_EQ(pieces.join(QString()), word);

    const QString tricky = QStringLiteral("/videos/<b>bold</b> & <i>co</i>.avi");
    list.item(0)->setText(tricky);
    QTextDocument document;
    document.setHtml(tipShownAt(inRow(0)));
    EXPECT_EQ(document.toPlainText(), tricky);
}

}   // namespace
