// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QListWidget>

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
    QString GetText(int index) const;
    int GetCurSel() const;            // the current (caret) row, or -1
    int GetSelCount() const;
    QList<int> GetSelItems() const;   // ascending
    // Exact search from the start: the whole string, compared as given. Returns -1 when absent.
    int FindStringExact(int startAfter, const QString &text) const;
    int AddString(const QString &text);
    int InsertString(int index, const QString &text);
    int DeleteString(int index);
    void ResetContent();
    void SetSel(int index, bool select = true);
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

    // The tooltip text as it stands: "Empty List", or the full path of the row last hovered.
    QString toolTipText() const { return m_toolTipText; }

    static constexpr int m_textIndent = 4;
    static constexpr int m_itemHeight = 16;

protected:
    bool event(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;

private:
    void updateToolTipFor(const QPoint &pos);

    QFont m_font;
    QString m_toolTipText;
};
