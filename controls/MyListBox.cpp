// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyListBox.h"

#include "controls/DropPaths.h"
#include "core/PathParts.h"
#include "platform/PathProbe.h"

#include <QAbstractItemDelegate>
#include <QDir>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QtConcurrent>

#include <algorithm>

namespace
{
/// From this many URLs a drop is sorted in the background: done in one go it would hold the window for well
/// over half a second.
constexpr qsizetype kBackgroundFrom = 200000;
/// Rows added per turn of the event loop while a very large drop is shown: tens of milliseconds each.
constexpr int kRowsPerTurn = 10000;
} // namespace

CMyListBox::CMyListBox(QWidget *parent)
    : QListWidget(parent)
{
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragDropMode(QAbstractItemView::DropOnly);
    setAcceptDrops(true);
    setTextElideMode(Qt::ElideMiddle);
    // Rows that others take out or put in keep their keys in step.
    connect(model(), &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) { forgetRows(first, last); });
    connect(model(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { learnRows(first, last); });
    connect(model(), &QAbstractItemModel::modelAboutToBeReset, this, [this] { forgetRows(0, count() - 1); });
    connect(&m_bigDrop, &QFutureWatcherBase::finished, this, &CMyListBox::bigDropComputed);
    m_progressTick.setInterval(100);
    connect(&m_progressTick, &QTimer::timeout, this, [this] { viewport()->update(); });
}

CMyListBox::~CMyListBox()
{
    // The base class clears the model after the keys are gone.
    disconnect(model(), nullptr, this, nullptr);
    m_bigDrop.disconnect(this);
    if (m_computing)
        m_bigDrop.waitForFinished();
}

bool CMyListBox::isBusy() const
{
    return m_computing || m_filling;
}

qsizetype CMyListBox::addPaths(const QStringList &paths)
{
    // Merging copies the whole queue; a million queued paths take long enough to stall the window.
    if (paths.isEmpty())
        return 0;
    std::vector<qsizetype> addedRows;
    CQueueOrder::Entries merged = CQueueOrder::merged(m_entries, m_order.sortedEntries(paths), addedRows);
    if (!addedRows.empty())
        showMerged(std::move(merged), addedRows);
    return static_cast<qsizetype>(addedRows.size());
}

QString CMyListBox::pathAt(int row) const
{
    return row >= 0 && row < count() && static_cast<size_t>(row) < m_entries.size() ? m_entries[row].path : QString();
}

int CMyListBox::rowOf(const QString &path) const
{
    // The rows are sorted by the queue order, so a binary search finds the exact path.
    const CQueueOrder::Entry wanted = m_order.entryOf(path);
    const auto end = m_entries.cbegin() + std::min<qsizetype>(count(), static_cast<qsizetype>(m_entries.size()));
    const auto found = std::lower_bound(m_entries.cbegin(), end, wanted,
                                        [](const auto &a, const auto &b) { return CQueueOrder::lessThan(a, b); });
    return found != end && found->path == path ? static_cast<int>(found - m_entries.cbegin()) : -1;
}

void CMyListBox::removePath(const QString &path)
{
    if (m_computing)
        m_removedWhileBusy << path;
    const int row = rowOf(path);
    if (row >= 0)
        delete takeItem(row);
}

void CMyListBox::setHintText(const QString &text)
{
    m_hintText = text;
    viewport()->update();
}

QString CMyListBox::hintText() const
{
    return m_hintText;
}

void CMyListBox::scrollToItem(const QListWidgetItem *item, ScrollHint hint)
{
    scrollTo(indexFromItem(item), hint);
}

void CMyListBox::dragEnterEvent(QDragEnterEvent *event)
{
    if (isBusy())
        event->ignore();
    else
        CDropPaths::acceptIfLocal(event);
}

void CMyListBox::dragMoveEvent(QDragMoveEvent *event)
{
    if (isBusy())
        event->ignore();
    else
        CDropPaths::acceptIfLocal(event);
}

void CMyListBox::dropEvent(QDropEvent *event)
{
    // One large drop at a time: the cursor already showed that the queue takes none now.
    if (isBusy()) {
        event->ignore();
        return;
    }
    // Converting a million URLs out of the drag's data takes a noticeable time: it is done once.
    const QMimeData *mime = event->mimeData();
    QList<QUrl> urls = mime && mime->hasUrls() ? mime->urls() : QList<QUrl>();
    if (urls.size() >= kBackgroundFrom) {
        const bool local = std::any_of(urls.cbegin(), urls.cend(), [](const QUrl &url) { return url.isLocalFile(); });
        if (local && CDropPaths::acceptWithoutMove(event))
            startBigDrop(std::move(urls));
        else
            event->ignore();
        return;
    }
    const CPathIntake::Batch batch = CPathIntake::fromUrls(urls);
    if ((batch.paths.isEmpty() && batch.undecodable.isEmpty()) || !CDropPaths::acceptWithoutMove(event)) {
        event->ignore();
        return;
    }
    if (!batch.undecodable.isEmpty())
        Q_EMIT undecodableDropped(batch.undecodable);
    if (!batch.paths.isEmpty())
        queueAndLoad(batch.paths);
}

void CMyListBox::queueAndLoad(const QStringList &paths)
{
    if (isBusy()) {
        m_heldPaths += paths;
        return;
    }
    addPaths(paths);
    if (count() == 0)
        return;
    setCurrentRow(0);
    loadItem(pathAt(0));
    Q_EMIT dropLoaded(pathAt(0));
}

void CMyListBox::queueKeepingCurrent(const QStringList &paths)
{
    if (isBusy()) {
        m_heldPaths += paths;
        return;
    }
    const int before = currentRow();
    const QString current = before >= 0 ? pathAt(before) : QString();
    const int offset = before - verticalScrollBar()->value();
    if (addPaths(paths) == 0 || current.isEmpty())
        return;
    // Rebuilding the rows drops the selection; the current row comes back at the same place in the view.
    const int row = rowOf(current);
    updateGeometries();
    verticalScrollBar()->setValue(row - offset);
    setCurrentRow(row);
}

void CMyListBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && currentRow() >= 0) {
        Q_EMIT removeRequested(pathAt(currentRow()));
        return;
    }
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    // Moving through the queue with the keyboard loads the item, as a click does.
    if (currentRow() != before && currentRow() >= 0) {
        loadItem(pathAt(currentRow()));
        Q_EMIT clickLoaded(pathAt(currentRow()));
    }
}

void CMyListBox::contextMenuEvent(QContextMenuEvent *event)
{
    // The menu key means the current item; a right click means the item under the pointer.
    const QListWidgetItem *entry = event->reason() == QContextMenuEvent::Keyboard
        ? currentItem()
        : itemAt(viewport()->mapFromGlobal(event->globalPos()));
    QMenu menu(this);
    QAction *remove = nullptr;
    if (entry) {
        remove = menu.addAction(tr("从队列中移除（不删除文件）"));
        remove->setShortcut(QKeySequence::Delete);
        menu.addSeparator();
    }
    QAction *history = menu.addAction(tr("操作记录…"));
    history->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    const QAction *chosen = menu.exec(event->globalPos());
    if (chosen && chosen == remove)
        Q_EMIT removeRequested(QDir::fromNativeSeparators(entry->text()));
    else if (chosen && chosen == history)
        Q_EMIT historyRequested();
}

void CMyListBox::mouseReleaseEvent(QMouseEvent *event)
{
    QListWidget::mouseReleaseEvent(event);
    const QList<QListWidgetItem *> selected = selectedItems();
    if (selected.isEmpty())
        return;
    const QString path = QDir::fromNativeSeparators(selected.constFirst()->text());
    loadItem(path);
    Q_EMIT clickLoaded(path);
}

void CMyListBox::paintEvent(QPaintEvent *event)
{
    if (count() > 0)
        paintRows(event->rect());
    if (isBusy())
        paintProgress();
    if (count() > 0 || isBusy())
        return;
    if (m_hintText.isEmpty())
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(viewport()->rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, m_hintText);
}

void CMyListBox::paintProgress()
{
    const QString text = m_filling ? tr("正在加入 %1 个项目：已显示 %2 个").arg(m_bigDropSize).arg(count())
                                   : tr("正在整理 %1 个项目，已用 %2 秒…")
                                         .arg(m_bigDropSize)
                                         .arg(double(m_bigDropClock.elapsed()) / 1000, 0, 'f', 1);
    QPainter painter(viewport());
    const QRect band(0, 0, viewport()->width(), fontMetrics().height() + 8);
    painter.fillRect(band, palette().color(QPalette::ToolTipBase));
    painter.setPen(palette().color(QPalette::ToolTipText));
    painter.drawText(band, Qt::AlignCenter, text);
}

void CMyListBox::startBigDrop(QList<QUrl> urls)
{
    m_bigDropSize = urls.size();
    m_bigDropClock.start();
    m_removedWhileBusy.clear();
    m_computing = true;
    // The worker gets copies: the queue stays usable, and what is taken off it meanwhile is noted.
    m_bigDrop.setFuture(QtConcurrent::run([urls = std::move(urls), queued = m_entries] {
        const CPathIntake::Batch batch = CPathIntake::fromUrls(urls);
        std::vector<qsizetype> addedRows;
        return BigDrop { CQueueOrder::merged(queued, CQueueOrder().sortedEntries(batch.paths), addedRows),
                         batch.undecodable };
    }));
    m_progressTick.start();
    viewport()->update();
}

void CMyListBox::bigDropComputed()
{
    BigDrop result = m_bigDrop.future().takeResult();
    m_computing = false;
    for (const QString &path : std::as_const(m_removedWhileBusy)) {
        const CQueueOrder::Entry gone = m_order.entryOf(path);
        const auto found = std::lower_bound(result.merged.begin(), result.merged.end(), gone,
                                            [](const auto &a, const auto &b) { return CQueueOrder::lessThan(a, b); });
        if (found != result.merged.end() && found->path == path)
            result.merged.erase(found);
    }
    m_removedWhileBusy.clear();
    if (!result.undecodable.isEmpty())
        Q_EMIT undecodableDropped(result.undecodable);
    m_filling = true;
    {
        const QScopedValueRollback ownChange(m_ownChange, true);
        clear();
    }
    m_entries = std::move(result.merged);
    fillNextRows();
}

void CMyListBox::fillNextRows()
{
    // Appending keeps each block linear; the event loop paints and answers the user between blocks.
    const int first = count();
    const int end = static_cast<int>(std::min<size_t>(m_entries.size(), static_cast<size_t>(first) + kRowsPerTurn));
    QStringList shown;
    shown.reserve(end - first);
    for (int row = first; row < end; ++row)
        shown << QDir::toNativeSeparators(m_entries[row].path);
    {
        const QScopedValueRollback ownChange(m_ownChange, true);
        insertItems(first, shown);
    }
    if (static_cast<size_t>(end) < m_entries.size()) {
        viewport()->update();
        QMetaObject::invokeMethod(this, &CMyListBox::fillNextRows, Qt::QueuedConnection);
        return;
    }
    finishBigDrop();
}

void CMyListBox::finishBigDrop()
{
    m_filling = false;
    m_progressTick.stop();
    const QStringList held = std::exchange(m_heldPaths, {});
    viewport()->update();
    // The drop loads the first item, as a small drop does; paths the program queued meanwhile join it.
    queueAndLoad(held);
}

void CMyListBox::paintRows(const QRect &area)
{
    QPainter painter(viewport());
    QStyleOptionViewItem common;
    initViewItemOption(&common);
    common.palette.setCurrentColorGroup(isEnabled() ? QPalette::Normal : QPalette::Disabled);
    const QModelIndex current = currentIndex();
    const bool focused = hasFocus() || viewport()->hasFocus();
    const QModelIndex hovered
        = viewport()->underMouse() ? indexAt(viewport()->mapFromGlobal(QCursor::pos())) : QModelIndex();
    const int last = std::min(count() - 1, rowAtY(area.bottom()));
    for (int row = std::max(0, rowAtY(area.top())); row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        QStyleOptionViewItem option = common;
        option.rect = visualRect(index);
        option.state.setFlag(QStyle::State_Selected, selectionModel()->isSelected(index));
        option.state.setFlag(QStyle::State_HasFocus, focused && index == current);
        option.state.setFlag(QStyle::State_MouseOver, index == hovered);
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

void CMyListBox::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_rowHeight = 0;
    QListWidget::changeEvent(event);
}

int CMyListBox::rowHeight() const
{
    if (m_rowHeight > 0)
        return m_rowHeight;
    if (count() == 0)
        return std::max(1, fontMetrics().height());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex first = model()->index(0, 0, rootIndex());
    m_rowHeight = std::max(1, itemDelegateForIndex(first)->sizeHint(option, first).height());
    return m_rowHeight;
}

int CMyListBox::visibleRows() const
{
    return std::max(1, viewport()->height() / rowHeight());
}

int CMyListBox::rowAtY(int y) const
{
    const int top = verticalScrollBar()->value();
    return y >= 0 ? top + y / rowHeight() : top - 1 - (-y - 1) / rowHeight();
}

void CMyListBox::doItemsLayout()
{
    // Skips QListView's pass over every row; the rows' places follow from their numbers.
    QAbstractItemView::doItemsLayout();
}

void CMyListBox::updateGeometries()
{
    const int rows = visibleRows();
    verticalScrollBar()->setRange(0, std::max(0, count() - rows));
    verticalScrollBar()->setPageStep(rows);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setRange(0, 0);
    QAbstractItemView::updateGeometries();
}

QRect CMyListBox::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.column() != 0 || index.parent() != rootIndex())
        return {};
    const int height = rowHeight();
    return { 0, (index.row() - verticalScrollBar()->value()) * height, viewport()->width(), height };
}

QModelIndex CMyListBox::indexAt(const QPoint &point) const
{
    const int row = rowAtY(point.y());
    if (point.x() < 0 || point.x() >= viewport()->width() || row < 0 || row >= count())
        return {};
    return model()->index(row, 0, rootIndex());
}

void CMyListBox::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!index.isValid() || index.parent() != rootIndex())
        return;
    // Rows may have come or gone since the last layout; the range must count them before the value is set.
    updateGeometries();
    const int row = index.row();
    const int rows = visibleRows();
    int top = verticalScrollBar()->value();
    switch (hint) {
    case EnsureVisible:
        top = row < top ? row : std::max(top, row - rows + 1);
        break;
    case PositionAtTop:
        top = row;
        break;
    case PositionAtBottom:
        top = row - rows + 1;
        break;
    case PositionAtCenter:
        top = row - rows / 2;
        break;
    }
    verticalScrollBar()->setValue(top);
}

void CMyListBox::scrollContentsBy(int dx, int dy)
{
    // The vertical scroll bar counts rows.
    viewport()->scroll(dx, dy * rowHeight());
}

int CMyListBox::horizontalOffset() const
{
    return 0;
}

int CMyListBox::verticalOffset() const
{
    return verticalScrollBar()->value() * rowHeight();
}

QModelIndex CMyListBox::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int last = count() - 1;
    if (last < 0)
        return {};
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    int row = current;
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        row = current - 1;
        break;
    case MoveDown:
    case MoveNext:
        row = current + 1;
        break;
    case MovePageUp:
        row = current - visibleRows();
        break;
    case MovePageDown:
        row = current + visibleRows();
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = last;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    // Without a current row every key starts at the first one.
    return model()->index(current < 0 ? 0 : std::clamp(row, 0, last), 0, rootIndex());
}

void CMyListBox::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    const QRect area = rect.normalized();
    const int first = std::max(0, rowAtY(area.top()));
    const int last = std::min(count() - 1, rowAtY(area.bottom()));
    QItemSelection selection;
    if (first <= last && area.right() >= 0 && area.left() < viewport()->width())
        selection.select(model()->index(first, 0, rootIndex()), model()->index(last, 0, rootIndex()));
    selectionModel()->select(selection, command);
}

QRegion CMyListBox::visualRegionForSelection(const QItemSelection &selection) const
{
    const int top = verticalScrollBar()->value();
    const int bottom = top + visibleRows();
    const int height = rowHeight();
    QRegion region;
    for (const QItemSelectionRange &range : selection) {
        if (range.parent() != rootIndex() || range.left() != 0)
            continue;
        const int first = std::max(range.top(), top);
        const int last = std::min(range.bottom(), bottom);
        if (first <= last)
            region += QRect(0, (first - top) * height, viewport()->width(), (last - first + 1) * height);
    }
    return region;
}

void CMyListBox::loadItem(const QString &path)
{
    m_itemText = path;
    m_filePathName = m_itemText;
    m_filePath = CPathParts::directoryOf(m_filePathName);
    if (CPathProbe::isDirectory(m_filePathName)) {
        m_Name = CPathParts::lastComponentOf(m_filePathName);
        m_extend.clear();
        m_isFile = 0;
        return;
    }
    m_fileName = CPathParts::lastComponentOf(m_filePathName);
    m_extend = CPathParts::extensionOf(m_fileName);
    m_Name = CPathParts::baseNameOf(m_fileName);
    m_isFile = 1;
}

void CMyListBox::showMerged(CQueueOrder::Entries merged, const std::vector<qsizetype> &addedRows)
{
    const QScopedValueRollback ownChange(m_ownChange, true);
    setUpdatesEnabled(false);
    if (insertingIsCheaper(addedRows, static_cast<qsizetype>(merged.size()))) {
        for (size_t first = 0; first < addedRows.size();) {
            const size_t end = blockEnd(addedRows, first);
            QStringList shown;
            shown.reserve(static_cast<qsizetype>(end - first));
            for (size_t i = first; i < end; ++i)
                shown << QDir::toNativeSeparators(merged[addedRows[i]].path);
            insertItems(static_cast<int>(addedRows[first]), shown);
            first = end;
        }
    } else {
        clear();
        QStringList shown;
        shown.reserve(static_cast<qsizetype>(merged.size()));
        for (const CQueueOrder::Entry &entry : merged)
            shown << QDir::toNativeSeparators(entry.path);
        addItems(shown);
    }
    m_entries = std::move(merged);
    setUpdatesEnabled(true);
}

size_t CMyListBox::blockEnd(const std::vector<qsizetype> &addedRows, size_t first)
{
    size_t end = first + 1;
    while (end < addedRows.size() && addedRows[end] == addedRows[end - 1] + 1)
        ++end;
    return end;
}

bool CMyListBox::insertingIsCheaper(const std::vector<qsizetype> &addedRows, qsizetype total)
{
    // QListWidget inserts a block one row at a time, moving every row below it each time; building all rows
    // again costs about as much as moving a few hundred row pointers per row.
    constexpr qsizetype movesPerRow = 256;
    qsizetype moves = 0;
    for (size_t first = 0; first < addedRows.size();) {
        const size_t end = blockEnd(addedRows, first);
        const qsizetype below = total - addedRows[end - 1] - 1;
        moves += static_cast<qsizetype>(end - first) * below;
        if (moves > movesPerRow * total)
            return false;
        first = end;
    }
    return true;
}

void CMyListBox::forgetRows(int first, int last)
{
    if (m_ownChange || first > last || static_cast<size_t>(last) >= m_entries.size())
        return;
    m_entries.erase(m_entries.begin() + first, m_entries.begin() + last + 1);
}

void CMyListBox::learnRows(int first, int last)
{
    if (m_ownChange)
        return;
    for (int row = first; row <= last && static_cast<size_t>(row) <= m_entries.size(); ++row)
        m_entries.insert(m_entries.begin() + row, m_order.entryOf(QDir::fromNativeSeparators(item(row)->text())));
}
