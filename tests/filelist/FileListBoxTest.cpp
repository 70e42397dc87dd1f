// SPDX-License-Identifier: GPL-3.0-or-later
// The queue's editing: the moves and the removal on the selection, the Delete key, the exact
// search of the add command and the list-box facade.
#include "filelist/CFileListBox.h"
#include "tests/support/QStringPrinting.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

QStringList rowsOf(const CFileListBox &list)
{
    QStringList rows;
    for (int i = 0; i < list.GetCount(); ++i)
        rows << list.GetText(i);
    return rows;
}

class FileListTest : public ::testing::Test
{
protected:
    void fill(const QStringList &rows)
    {
        for (const QString &row : rows)
            list.AddString(row);
    }
    void select(const QList<int> &rows)
    {
        list.SetSel(-1, false);
        for (int row : rows)
            list.SetSel(row, true);
    }
    void setCurrent(int row)
    {
        list.selectionModel()->setCurrentIndex(list.model()->index(row, 0),
                                               QItemSelectionModel::NoUpdate);
    }
    static QStringList pqrst() { return {"P", "Q", "R", "S", "T"}; }

    CFileListBox list;
};

TEST_F(FileListTest, MovesExchangeEachSelectedRowWithItsNeighbourAndKeepItSelected)
{
    fill(pqrst());
    select({1, 3});
    list.MoveSelectionUp();
    EXPECT_EQ(rowsOf(list), QStringList({"Q", "P", "S", "R", "T"}));
    EXPECT_EQ(list.GetSelItems(), QList<int>({0, 2}));

    list.ResetContent();
    fill(pqrst());
    select({1, 3});
    list.MoveSelectionDown();
    EXPECT_EQ(rowsOf(list), QStringList({"P", "R", "Q", "T", "S"}));
    EXPECT_EQ(list.GetSelItems(), QList<int>({2, 4}));

    // A block of selected rows travels as a block.
    list.ResetContent();
    fill(pqrst());
    select({2, 3});
    list.MoveSelectionUp();
    EXPECT_EQ(rowsOf(list), QStringList({"P", "R", "S", "Q", "T"}));
    EXPECT_EQ(list.GetSelItems(), QList<int>({1, 2}));
    list.MoveSelectionDown();
    list.MoveSelectionDown();
    EXPECT_EQ(rowsOf(list), QStringList({"P", "Q", "T", "R", "S"}));
    EXPECT_EQ(list.GetSelItems(), QList<int>({3, 4}));
}

TEST_F(FileListTest, MovesLeaveTheEdgeRowsAndAnUnselectedListAlone)
{
    fill(pqrst());
    select({0});
    list.MoveSelectionUp();
    EXPECT_EQ(rowsOf(list), pqrst());
    EXPECT_EQ(list.GetSelItems(), QList<int>({0}));

    select({4});
    list.MoveSelectionDown();
    EXPECT_EQ(rowsOf(list), pqrst());
    EXPECT_EQ(list.GetSelItems(), QList<int>({4}));

    select({});
    list.MoveSelectionUp();
    list.MoveSelectionDown();
    EXPECT_EQ(rowsOf(list), pqrst());
    EXPECT_EQ(list.GetSelCount(), 0);

    // The first row stays, and the selected row below it exchanges with it: each visited row
    // is exchanged with the row above, whatever that row's state.
    select({0, 1});
    list.MoveSelectionUp();
    EXPECT_EQ(rowsOf(list), QStringList({"Q", "P", "R", "S", "T"}));
    EXPECT_EQ(list.GetSelItems(), QList<int>({0, 1}));
}

TEST_F(FileListTest, CaretStaysWithItsPathWhenRowsMove)
{
    fill(pqrst());
    select({1, 3});
    setCurrent(3);   // on S
    list.MoveSelectionUp();
    EXPECT_EQ(list.GetText(list.GetCurSel()), "S");
    setCurrent(0);   // on Q, which the next move leaves in place
    list.MoveSelectionDown();
    EXPECT_EQ(rowsOf(list), QStringList({"P", "Q", "R", "S", "T"}));
    EXPECT_EQ(list.GetText(list.GetCurSel()), "Q");
}

TEST_F(FileListTest, RemoveSelectionDeletesExactlyTheSelectedRows)
{
    fill(pqrst());
    list.RemoveSelection();
    EXPECT_EQ(rowsOf(list), pqrst());

    select({1, 3});
    list.RemoveSelection();
    EXPECT_EQ(rowsOf(list), QStringList({"P", "R", "T"}));
    EXPECT_EQ(list.GetSelCount(), 0);

    // Runs of neighbours and the last row, in one go.
    list.ResetContent();
    fill({"a", "b", "c", "d", "e", "f", "g"});
    select({0, 1, 2, 4, 6});
    list.RemoveSelection();
    EXPECT_EQ(rowsOf(list), QStringList({"d", "f"}));

    list.SetSel(-1, true);
    list.RemoveSelection();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetCurSel(), -1);
}

TEST_F(FileListTest, DeleteKeyRemovesTheSelectionOnlyOutsideARunAndWithACaret)
{
    // The key is not consumed: the window holding the list sees it too.
    struct KeyWatcher : QWidget
    {
        int deletes = 0;
        void keyPressEvent(QKeyEvent *e) override { deletes += e->key() == Qt::Key_Delete; }
    } owner;
    list.setParent(&owner);

    QTest::keyClick(&list, Qt::Key_Delete);   // empty list
    EXPECT_EQ(list.GetCount(), 0);

    fill(pqrst());
    select({1, 3});
    QTest::keyClick(&list, Qt::Key_Delete);   // no caret yet
    EXPECT_EQ(rowsOf(list), pqrst());

    setCurrent(1);
    list.m_deleteKeyEnabled = 0;   // a conversion is running
    QTest::keyClick(&list, Qt::Key_Delete);
    EXPECT_EQ(rowsOf(list), pqrst());
    EXPECT_EQ(list.GetSelItems(), QList<int>({1, 3}));

    list.m_deleteKeyEnabled = 1;
    QTest::keyClick(&list, Qt::Key_Delete);
    EXPECT_EQ(rowsOf(list), QStringList({"P", "R", "T"}));
    EXPECT_EQ(list.GetSelCount(), 0);

    ASSERT_NE(list.GetCurSel(), -1);   // caret, nothing selected
    QTest::keyClick(&list, Qt::Key_Delete);
    EXPECT_EQ(rowsOf(list), QStringList({"P", "R", "T"}));
    EXPECT_EQ(owner.deletes, 5);

    list.setParent(nullptr);
}

TEST_F(FileListTest, QueuedPathsCompareExactlyAndAreNeverQueuedTwice)
{
    const QStringList chosen{"/v/Clip.avi", "/v/clip.avi", "", "/v/Clip.avi", "/v/b c.avi"};
    EXPECT_EQ(list.AddPathsNotQueued(chosen), 3);
    EXPECT_EQ(rowsOf(list), QStringList({"/v/Clip.avi", "/v/clip.avi", "/v/b c.avi"}));
    EXPECT_EQ(list.AddPathsNotQueued({"/v/clip.avi", "/v/new.avi"}), 1);
    EXPECT_EQ(list.GetText(3), "/v/new.avi");

    EXPECT_EQ(list.FindStringExact(-1, "/v/clip.avi"), 1);
    EXPECT_EQ(list.FindStringExact(-1, "/v/CLIP.avi"), -1);
    EXPECT_EQ(list.FindStringExact(-1, "/v/clip"), -1);
    EXPECT_EQ(list.FindStringExact(-1, "/v/clip.avi "), -1);

    // The add command's own loop: search, then append.
    for (const QString &path : {QStringLiteral("/v/b c.avi"), QStringLiteral("/v/B c.avi")}) {
        if (list.FindStringExact(-1, path) == -1)
            list.AddString(path);
    }
    EXPECT_EQ(list.GetCount(), 5);
    EXPECT_EQ(list.GetText(4), "/v/B c.avi");
}

TEST_F(FileListTest, SearchFollowsEveryKindOfChangeToTheRows)
{
    fill(pqrst());
    select({3});
    list.MoveSelectionUp();   // P Q S R T
    EXPECT_EQ(list.FindStringExact(-1, "S"), 2);
    EXPECT_EQ(list.FindStringExact(-1, "R"), 3);

    list.RemoveSelection();   // P Q R T
    EXPECT_EQ(list.FindStringExact(-1, "S"), -1);
    EXPECT_EQ(list.FindStringExact(-1, "T"), 3);

    list.InsertString(0, "N");   // N P Q R T
    EXPECT_EQ(list.FindStringExact(-1, "T"), 4);
    EXPECT_EQ(list.DeleteString(1), 4);   // N Q R T
    EXPECT_EQ(list.FindStringExact(-1, "P"), -1);
    EXPECT_EQ(list.FindStringExact(-1, "Q"), 1);

    // Changes made past the facade count as well.
    list.item(1)->setText("X");
    EXPECT_EQ(list.FindStringExact(-1, "Q"), -1);
    EXPECT_EQ(list.FindStringExact(-1, "X"), 1);
    delete list.takeItem(0);   // the taken row is ours to free
    EXPECT_EQ(list.FindStringExact(-1, "X"), 0);

    list.ResetContent();
    EXPECT_EQ(list.FindStringExact(-1, "X"), -1);
    EXPECT_EQ(list.AddPathsNotQueued({"X"}), 1);
}

TEST_F(FileListTest, SearchStartsAfterTheGivenRowAndWrapsRound)
{
    fill({"a", "b", "a", "c"});
    EXPECT_EQ(list.FindStringExact(-1, "a"), 0);
    EXPECT_EQ(list.FindStringExact(0, "a"), 2);
    EXPECT_EQ(list.FindStringExact(2, "a"), 0);
    EXPECT_EQ(list.FindStringExact(3, "a"), 0);
    EXPECT_EQ(list.FindStringExact(1, "b"), 1);
    EXPECT_EQ(list.FindStringExact(99, "c"), 3);
}

TEST_F(FileListTest, FacadeAnswersLikeAListBoxAtItsEdges)
{
    EXPECT_TRUE(list.IsMultiSelect());
    EXPECT_EQ(list.GetCurSel(), -1);
    EXPECT_EQ(list.GetText(0), "");
    EXPECT_EQ(list.AddString("a"), 0);
    EXPECT_EQ(list.AddString("a"), 1);   // the facade itself does not deduplicate
    EXPECT_EQ(list.InsertString(-1, "c"), 2);
    EXPECT_EQ(list.InsertString(1, "b"), 1);
    EXPECT_EQ(list.InsertString(5, "x"), -1);
    EXPECT_EQ(list.InsertString(-2, "x"), -1);
    EXPECT_EQ(rowsOf(list), QStringList({"a", "b", "a", "c"}));
    EXPECT_EQ(list.GetText(-1), "");
    EXPECT_EQ(list.GetText(4), "");
    EXPECT_EQ(list.DeleteString(4), -1);
    EXPECT_EQ(list.DeleteString(-1), -1);

    list.SetSel(3);
    list.SetSel(0);
    EXPECT_EQ(list.GetSelItems(), QList<int>({0, 3}));
    list.SetSel(-1);
    EXPECT_EQ(list.GetSelCount(), 4);
    list.SetSel(0, false);
    EXPECT_EQ(list.GetSelItems(), QList<int>({1, 2, 3}));
    list.SetSel(9);   // not a row
    EXPECT_EQ(list.GetSelCount(), 3);

    list.ResetContent();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetSelCount(), 0);
}

TEST_F(FileListTest, HidingKeepsRowsSelectionCaretAndScrollPosition)
{
    for (int i = 0; i < 30; ++i)
        list.AddString(QStringLiteral("/v/%1.avi").arg(i));
    list.resize(367, 127);
    list.ShowWindow(true);
    QApplication::processEvents();
    select({2, 25});
    setCurrent(25);
    list.scrollToBottom();
    const int scrolled = list.verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);

    list.ShowWindow(false);
    EXPECT_FALSE(list.isVisible());
    list.AddString("/v/added while hidden.avi");
    list.ShowWindow(true);
    QApplication::processEvents();
    EXPECT_TRUE(list.isVisible());
    EXPECT_EQ(list.GetCount(), 31);
    EXPECT_EQ(list.GetSelItems(), QList<int>({2, 25}));
    EXPECT_EQ(list.GetCurSel(), 25);
    EXPECT_EQ(list.verticalScrollBar()->value(), scrolled);
}

}   // namespace
