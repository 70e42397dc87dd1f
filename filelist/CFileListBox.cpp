// SPDX-License-Identifier: GPL-3.0-or-later
#include "CFileListBox.h"

#include "CFileListDelegate.h"

#include <QHelpEvent>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QTextDocument>
#include <QToolTip>
#include <algorithm>
#include <numeric>
#include <utility>
#include <vector>

namespace {

// The pointer has to rest a shorter time than the desktop's default before the path appears.
// Qt asks the style of the widget under the pointer for that delay, so the viewport gets it.
class CToolTipDelayStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == QStyle::SH_ToolTip_WakeUpDelay)
            return CFileListBox::m_toolTipShowDelay;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Marks the rows' changes as ours: the operation itself decides what they do to the index of
// queued paths.
class OwnEdit
{
public:
    explicit OwnEdit(int &depth)
        : m_depth(depth)
    {
        ++m_depth;
    }
    ~OwnEdit() { --m_depth; }
    OwnEdit(const OwnEdit &) = delete;
    OwnEdit &operator=(const OwnEdit &) = delete;

private:
    int &m_depth;
};

}   // namespace

CFileListBox::CFileListBox(QWidget *parent)
    : QListWidget(parent)
    , m_font(QStringLiteral("Traditional Arabic"))
    , m_toolTipText(QStringLiteral("Empty List"))
{
    // Where the face is missing, Qt's font matching picks the nearest one the machine has.
    m_font.setPixelSize(m_itemHeight);
    m_font.setBold(true);

    m_delegate = new CFileListDelegate(m_font, m_itemHeight, m_textIndent, this);
    setItemDelegate(m_delegate);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setUniformItemSizes(true);

    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    setPalette(colours);

    // The tip text follows every move of the pointer, buttons pressed or not.
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    auto *tipStyle = new CToolTipDelayStyle;
    tipStyle->setParent(this);
    viewport()->setStyle(tipStyle);

    QAbstractItemModel *rows = model();
    const auto stale = [this] { markQueueIndexStale(); };
    connect(rows, &QAbstractItemModel::rowsInserted, this, stale);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, stale);
    connect(rows, &QAbstractItemModel::rowsMoved, this, stale);
    connect(rows, &QAbstractItemModel::dataChanged, this, stale);
    connect(rows, &QAbstractItemModel::modelReset, this, stale);
    connect(rows, &QAbstractItemModel::layoutChanged, this, stale);
}

CFileListBox::~CFileListBox()
{
    // A tip still up refers to our viewport: take it down with the list.
    if (QToolTip::isVisible() && underMouse())
        QToolTip::hideText();
    // QWidget's destructor deletes the model, which announces its reset on the way out; by
    // then this is no longer a CFileListBox, so nothing of ours may hear it.
    disconnect(model(), nullptr, this, nullptr);
}

int CFileListBox::GetCount() const
{
    return count();
}

QString CFileListBox::GetText(int index) const
{
    const QListWidgetItem *row = (index >= 0 && index < count()) ? item(index) : nullptr;
    return row ? row->text() : QString();
}

int CFileListBox::GetCurSel() const
{
    return currentRow();
}

int CFileListBox::GetSelCount() const
{
    return static_cast<int>(GetSelItems().size());
}

QList<int> CFileListBox::GetSelItems() const
{
    QList<int> rows;
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange &range : selection) {
        if (!range.isValid() || range.parent().isValid())
            continue;
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int CFileListBox::FindStringExact(int startAfter, const QString &text) const
{
    ensureQueueIndex();
    const auto first = m_firstRow.constFind(text);
    if (first == m_firstRow.cend())
        return -1;
    const int rows = count();
    if (startAfter >= 0 && startAfter < rows - 1) {
        for (int row = startAfter + 1; row < rows; ++row) {
            if (item(row)->text() == text)
                return row;
        }
    }
    // Wrapped round to the start: the first row holding it.
    return *first;
}

int CFileListBox::AddString(const QString &text)
{
    {
        OwnEdit edit(m_ownEdit);
        addItem(text);
    }
    noteAppended(text, count() - 1);
    return count() - 1;
}

int CFileListBox::InsertString(int index, const QString &text)
{
    if (index < -1 || index > count())
        return -1;
    const int row = index == -1 ? count() : index;
    {
        OwnEdit edit(m_ownEdit);
        insertItem(row, text);
    }
    if (row == count() - 1)
        noteAppended(text, row);
    else
        m_firstRowStale = true;
    return row;
}

int CFileListBox::DeleteString(int index)
{
    if (index < 0 || index >= count())
        return -1;
    delete takeItem(index);
    return count();
}

void CFileListBox::ResetContent()
{
    {
        OwnEdit edit(m_ownEdit);
        clear();
    }
    m_firstRow.clear();
    m_firstRowStale = false;
}

void CFileListBox::SetSel(int index, bool select)
{
    const QItemSelectionModel::SelectionFlags how = select ? QItemSelectionModel::Select
                                                           : QItemSelectionModel::Deselect;
    if (index == -1) {
        if (count() > 0)
            selectionModel()->select(QItemSelection(model()->index(0, 0),
                                                    model()->index(count() - 1, 0)),
                                     how);
        return;
    }
    if (index >= 0 && index < count())
        selectionModel()->select(model()->index(index, 0), how);
}

void CFileListBox::ShowWindow(bool show)
{
    setVisible(show);
}

void CFileListBox::SetRowHeight(int height)
{
    height = qMax(1, height);
    if (height == m_rowHeight)
        return;
    m_rowHeight = height;
    m_font.setPixelSize(height);
    m_delegate->SetRowLook(m_font, height);
    // Rows keep their uniform height only when the view is told that the hint changed.
    scheduleDelayedItemsLayout();
    viewport()->update();
}

int CFileListBox::AddPathsNotQueued(const QStringList &paths)
{
    ensureQueueIndex();
    QStringList fresh;
    int row = count();
    for (const QString &path : paths) {
        // Noting the path at once also keeps a path given twice in this batch from being
        // queued twice.
        if (path.isEmpty() || m_firstRow.contains(path))
            continue;
        m_firstRow.insert(path, row++);
        fresh.append(path);
    }
    if (fresh.isEmpty())
        return 0;
    OwnEdit edit(m_ownEdit);
    addItems(fresh);
    return static_cast<int>(fresh.size());
}

void CFileListBox::MoveSelectionUp()
{
    moveSelection(-1);
}

void CFileListBox::MoveSelectionDown()
{
    moveSelection(+1);
}

void CFileListBox::moveSelection(int step)
{
    const QList<int> selectedRows = GetSelItems();
    if (selectedRows.isEmpty())
        return;

    // Each visited row changes place with its neighbour; the moved row ends selected and the
    // row it passed keeps its own state. Worked out on copies, so that a large selection costs
    // one pass over the rows rather than a removal and an insertion per row.
    const int rows = count();
    QStringList texts;
    texts.reserve(rows);
    for (int row = 0; row < rows; ++row)
        texts.append(item(row)->text());
    std::vector<int> origin(static_cast<size_t>(rows));
    std::iota(origin.begin(), origin.end(), 0);
    std::vector<char> selected(static_cast<size_t>(rows), 0);
    for (int row : selectedRows)
        selected[static_cast<size_t>(row)] = 1;

    const auto exchange = [&](int upper, int lower) {
        texts.swapItemsAt(upper, lower);
        std::swap(origin[static_cast<size_t>(upper)], origin[static_cast<size_t>(lower)]);
        std::swap(selected[static_cast<size_t>(upper)], selected[static_cast<size_t>(lower)]);
    };
    if (step < 0) {
        for (int row : selectedRows) {
            if (row > 0)
                exchange(row - 1, row);
        }
    } else {
        for (auto it = selectedRows.crbegin(); it != selectedRows.crend(); ++it) {
            if (*it < rows - 1)
                exchange(*it, *it + 1);
        }
    }

    const bool wasUpdating = updatesEnabled();
    setUpdatesEnabled(false);
    for (int row = 0; row < rows; ++row) {
        if (origin[static_cast<size_t>(row)] != row)
            item(row)->setText(texts.at(row));
    }

    // The caret stays with the path it was on.
    const int oldCurrent = currentRow();
    if (oldCurrent >= 0) {
        const auto found = std::find(origin.begin(), origin.end(), oldCurrent);
        const int newCurrent = static_cast<int>(found - origin.begin());
        if (newCurrent != oldCurrent)
            selectionModel()->setCurrentIndex(model()->index(newCurrent, 0),
                                              QItemSelectionModel::NoUpdate);
    }

    QItemSelection selection;
    for (int row = 0; row < rows;) {
        if (!selected[static_cast<size_t>(row)]) {
            ++row;
            continue;
        }
        const int first = row;
        while (row < rows && selected[static_cast<size_t>(row)])
            ++row;
        selection.append(QItemSelectionRange(model()->index(first, 0), model()->index(row - 1, 0)));
    }
    // Cleared first, so that the model does not compare the old selection with the new one
    // range by range.
    selectionModel()->clearSelection();
    selectionModel()->select(selection, QItemSelectionModel::Select);
    setUpdatesEnabled(wasUpdating);
}

void CFileListBox::RemoveSelection()
{
    const QList<int> rows = GetSelItems();
    if (rows.isEmpty())
        return;
    // Nothing is selected afterwards anyway; clearing first spares the selection model the
    // splitting of its ranges at every removal.
    selectionModel()->clearSelection();

    // From the highest row to the lowest, one run of neighbouring rows at a time, so that every
    // index is still valid when its turn comes.
    qsizetype last = rows.size() - 1;
    while (last >= 0) {
        qsizetype first = last;
        while (first > 0 && rows.at(first - 1) == rows.at(first) - 1)
            --first;
        const int top = rows.at(first);
        const int length = static_cast<int>(last - first + 1);
        if (!model()->removeRows(top, length)) {
            for (int row = top + length - 1; row >= top; --row)
                delete takeItem(row);
        }
        last = first - 1;
    }
}

bool CFileListBox::IsMultiSelect() const
{
    return selectionMode() == QAbstractItemView::MultiSelection
           || selectionMode() == QAbstractItemView::ExtendedSelection;
}

QString CFileListBox::breakToolTipLines(const QString &text, const QFontMetrics &metrics,
                                        int maxWidth)
{
    QStringList lines;
    QString line;
    int lineWidth = 0;
    qsizetype breakAfter = -1;   // length of line up to its last '/' or blank
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = (text.at(i).isHighSurrogate() && i + 1 < text.size()
                                  && text.at(i + 1).isLowSurrogate())
                                     ? 2
                                     : 1;
        const QString unit = text.mid(i, length);
        if (unit == QLatin1String("\n")) {
            lines.append(line);
            line.clear();
            lineWidth = 0;
            breakAfter = -1;
            ++i;
            continue;
        }
        const int unitWidth = metrics.horizontalAdvance(unit);
        if (!line.isEmpty() && lineWidth + unitWidth > maxWidth) {
            if (breakAfter > 0 && breakAfter < line.size()) {
                lines.append(line.left(breakAfter));
                line = line.mid(breakAfter);
            } else {
                lines.append(line);
                line.clear();
            }
            lineWidth = metrics.horizontalAdvance(line);
            breakAfter = -1;
            continue;   // the same character again, against the shorter line
        }
        line += unit;
        lineWidth += unitWidth;
        i += length;
        if (unit == QLatin1String("/") || unit == QLatin1String(" "))
            breakAfter = line.size();
    }
    lines.append(line);
    return lines.join(QLatin1Char('\n'));
}

bool CFileListBox::event(QEvent *e)
{
    if (e->type() == QEvent::ToolTip) {
        // The tip belongs to the rows' area; the scroll bar has none.
        QToolTip::hideText();
        return true;
    }
    const bool handled = QListWidget::event(e);
    // An empty list shows the focus on a blank row, so it has to be repainted when the focus
    // comes or goes.
    if ((e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut) && count() == 0)
        viewport()->update();
    return handled;
}

bool CFileListBox::viewportEvent(QEvent *e)
{
    if (e->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(e);
        updateToolTipFor(help->pos());
        showToolTip(help->globalPos());
        return true;
    }
    return QListWidget::viewportEvent(e);
}

void CFileListBox::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Delete && m_deleteKeyEnabled != 0 && GetCurSel() != -1)
        RemoveSelection();
    // The key is not consumed: the list's own key handling still sees it.
    QListWidget::keyPressEvent(e);
}

void CFileListBox::mouseMoveEvent(QMouseEvent *e)
{
    const QString before = m_toolTipText;
    updateToolTipFor(e->position().toPoint());
    if (m_toolTipText != before && QToolTip::isVisible())
        showToolTip(e->globalPosition().toPoint());
    QListWidget::mouseMoveEvent(e);
}

void CFileListBox::paintEvent(QPaintEvent *e)
{
    if (count() == 0 && (hasFocus() || viewport()->hasFocus())) {
        // No row to carry the focus: draw it on an empty first row.
        QPainter painter(viewport());
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.rect = QRect(0, 0, viewport()->width(), m_rowHeight);
        option.state |= QStyle::State_HasFocus;
        option.state &= ~QStyle::State_Selected;
        m_delegate->paint(&painter, option, QModelIndex());
        return;
    }
    QListWidget::paintEvent(e);
}

void CFileListBox::resizeEvent(QResizeEvent *e)
{
    QListWidget::resizeEvent(e);
    // Integral height: the list shows whole rows only, so a height between two row multiples
    // is trimmed down (127 pixels become 112, seven rows).
    const int frame = 2 * frameWidth();
    const int inner = height() - frame;
    const int whole = inner / m_rowHeight * m_rowHeight;
    if (whole >= m_rowHeight && whole != inner)
        resize(width(), whole + frame);
}

void CFileListBox::updateToolTipFor(const QPoint &viewportPos)
{
    if (count() <= 0) {
        m_toolTipText = QStringLiteral("Empty List");
        return;
    }
    const QModelIndex row = indexAt(viewportPos);
    // Below the last row the text stays that of the row last hovered.
    if (row.isValid())
        m_toolTipText = row.data(Qt::DisplayRole).toString();
}

void CFileListBox::showToolTip(const QPoint &globalPos)
{
    QString shown = breakToolTipLines(m_toolTipText, QFontMetrics(QToolTip::font()),
                                      m_toolTipMaxWidth);
    // A file name may look like markup; it must still be shown as the characters it has.
    if (Qt::mightBeRichText(shown))
        shown = Qt::convertFromPlainText(shown, Qt::WhiteSpacePre);
    QToolTip::showText(globalPos, shown, viewport(), viewport()->rect(), m_toolTipHideDelay);
}

void CFileListBox::markQueueIndexStale()
{
    if (m_ownEdit == 0)
        m_firstRowStale = true;
}

void CFileListBox::ensureQueueIndex() const
{
    if (!m_firstRowStale)
        return;
    m_firstRow.clear();
    const int rows = count();
    m_firstRow.reserve(rows);
    for (int row = 0; row < rows; ++row) {
        const QString text = item(row)->text();
        if (!m_firstRow.contains(text))
            m_firstRow.insert(text, row);
    }
    m_firstRowStale = false;
}

void CFileListBox::noteAppended(const QString &text, int row)
{
    // A row added at the end moves no other row: only a path new to the queue is noted.
    if (!m_firstRowStale && !m_firstRow.contains(text))
        m_firstRow.insert(text, row);
}
