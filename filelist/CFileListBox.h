// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QHash>
#include <QListWidget>

class CFileListDelegate;

// The queue of source files: one row per file holding its full path, in queue order, drawn by
// the program itself, with a tooltip that follows the pointer and a Delete key that can be
// switched off while a conversion runs.
//
// The list-box operations the program calls are kept as a small facade (indices are 0-based,
// -1 means "none", as the classic list box does).
class CFileListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit CFileListBox(QWidget *parent = nullptr);
    ~CFileListBox() override;

    // The Delete key removes the selection only while this is non-zero.
    int m_deleteKeyEnabled = 1;

    // Facade of the classic list-box operations.
    int GetCount() const;
    QString GetText(int index) const;   // "" for a row that is not there
    int GetCurSel() const;   // the current (caret) row, or -1
    int GetSelCount() const;
    QList<int> GetSelItems() const;   // ascending
    // Exact search from the start: the whole string, compared as given. Returns -1 when absent.
    // The search begins after row startAfter and wraps round to it; -1 searches from row 0.
    int FindStringExact(int startAfter, const QString &text) const;
    int AddString(const QString &text);   // index of the new row
    int InsertString(int index, const QString &text);   // -1 appends; -1 when index is past the end
    int DeleteString(int index);   // rows left, or -1 when index is not a row
    void ResetContent();
    void SetSel(int index, bool select = true);   // index -1: every row
    void ShowWindow(bool show);

    // Appends every path not yet queued, keeping the order given; empty paths are skipped.
    // Returns the number of rows added. Does the work in bulk for large queues.
    int AddPathsNotQueued(const QStringList &paths);

    // Every selected row that is not the first moves up one place; moved rows stay selected.
    void MoveSelectionUp();
    // Every selected row that is not the last moves down one place; moved rows stay selected.
    void MoveSelectionDown();
    // Deletes every selected row.
    void RemoveSelection();
    // True for a list with multiple or extended selection; as created, always true.
    bool IsMultiSelect() const;

    // The font the rows are drawn in.
    const QFont &rowFont() const { return m_font; }

    // Rows of height pixels, the font's cell as high: the list follows the window when the
    // window is scaled down to fit a small screen. m_itemHeight at the window's own size.
    void SetRowHeight(int height);
    int rowHeight() const { return m_rowHeight; }

    // The tooltip text as it stands: "Empty List", or the full path of the row last hovered.
    QString toolTipText() const { return m_toolTipText; }

    static constexpr int m_textIndent = 4;
    static constexpr int m_itemHeight = 16;
    // Tooltip timings and the width at which its lines break.
    static constexpr int m_toolTipShowDelay = 350;
    static constexpr int m_toolTipHideDelay = 32000;
    static constexpr int m_toolTipMaxWidth = 800;

    // Breaks text into lines no wider than maxWidth, after a '/' or a blank where one is at hand.
    static QString breakToolTipLines(const QString &text, const QFontMetrics &metrics,
                                     int maxWidth);

protected:
    bool event(QEvent *e) override;
    bool viewportEvent(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    // The exchanges of the two move operations, done on a copy of the rows and applied at once.
    void moveSelection(int step);
    void updateToolTipFor(const QPoint &viewportPos);
    void showToolTip(const QPoint &globalPos);
    void markQueueIndexStale();
    void ensureQueueIndex() const;
    void noteAppended(const QString &text, int row);

    QFont m_font;
    int m_rowHeight = m_itemHeight;
    QString m_toolTipText;
    CFileListDelegate *m_delegate = nullptr;

    // The first row holding each path, so that the add command's search is a look-up rather
    // than a walk over the whole queue. Appends keep it up to date; every other change to the
    // rows marks it stale and the next search rebuilds it.
    mutable QHash<QString, int> m_firstRow;
    mutable bool m_firstRowStale = false;
    int m_ownEdit = 0;
};
