// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyListBox.h"

#include "controls/DropPaths.h"
#include "controls/QueueRowDelegate.h"
#include "core/PathParts.h"
#include "core/System.h"
#include "platform/PathProbe.h"

#include <QAbstractItemDelegate>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QtConcurrent>

#include <algorithm>

namespace
{
/// From this many lines a drop is sorted in the background: done at once, a larger one would keep the window
/// from painting for more than about 150 ms on the build machine.
constexpr qsizetype kBackgroundFrom = 200000;
} // namespace

CMyListBox::CMyListBox(QWidget *parent)
    : QListView(parent)
    , m_model(new CQueueModel(this))
{
    setModel(m_model);
    setItemDelegate(new CQueueRowDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragDropMode(QAbstractItemView::DropOnly);
    setAcceptDrops(true);
    setTextElideMode(Qt::ElideMiddle);
    connect(&m_bigDrop, &QFutureWatcherBase::finished, this, &CMyListBox::bigDropComputed);
    m_bigDropThread.setMaxThreadCount(1);
    m_progressTick.setInterval(100);
    connect(&m_progressTick, &QTimer::timeout, this, [this] { viewport()->update(); });
}

CMyListBox::~CMyListBox()
{
    m_bigDrop.disconnect(this);
    if (m_computing)
        m_bigDrop.waitForFinished();
}

bool CMyListBox::isBusy() const
{
    return m_computing;
}

const CQueueOrder::Entries &CMyListBox::entries() const
{
    return m_model->entries();
}

qsizetype CMyListBox::addPaths(const QStringList &paths)
{
    // Merging writes a row for every queued path; a million of them take long enough to stall the window.
    if (paths.isEmpty())
        return 0;
    return replaceEntries(m_order.withPaths(entries(), paths));
}

qsizetype CMyListBox::replaceEntries(CQueueOrder::Entries merged)
{
    const qsizetype added = merged.size() - count();
    if (added > 0)
        m_model->replace(std::move(merged));
    return added;
}

int CMyListBox::count() const
{
    return m_model->rowCount();
}

int CMyListBox::currentRow() const
{
    return currentIndex().row();
}

void CMyListBox::setCurrentRow(int row)
{
    selectionModel()->setCurrentIndex(m_model->index(row, 0), QItemSelectionModel::ClearAndSelect);
}

QString CMyListBox::pathAt(int row) const
{
    return row >= 0 && row < count() ? entries().path(row).toString() : QString();
}

int CMyListBox::rowOf(const QString &path) const
{
    // An empty queue holds nothing to find: keying the path would load the collation for no use, as a start with
    // an empty saved queue would do.
    if (count() == 0)
        return -1;
    return static_cast<int>(entries().indexOf(path, m_order.keyOf(path)));
}

void CMyListBox::removePath(const QString &path)
{
    if (m_computing)
        m_removedWhileBusy << path;
    m_model->removeEntry(rowOf(path));
}

void CMyListBox::clearQueue()
{
    if (!m_computing)
        m_model->replace({});
}

QStringList CMyListBox::paths() const
{
    QStringList all;
    all.reserve(count());
    for (int row = 0; row < count(); ++row)
        all << entries().path(row).toString();
    return all;
}

void CMyListBox::loadRow(int row)
{
    if (row < 0 || row >= count())
        return;
    setCurrentRow(row);
    scrollTo(currentIndex());
    loadItem(pathAt(row));
    Q_EMIT clickLoaded(pathAt(row));
}

void CMyListBox::setMenuActions(const QList<QAction *> &actions)
{
    m_menuActions = actions;
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

void CMyListBox::dragEnterEvent(QDragEnterEvent *event)
{
    m_dragMime = nullptr;
    dragMoveEvent(event);
}

void CMyListBox::dragMoveEvent(QDragMoveEvent *event)
{
    // A drag moves over the list many times with the same data, and asking the platform for it each time costs
    // a noticeable time for a large drag, so whether it holds a local file is found out once per drag. Only the
    // cursor depends on it: the drop looks at its own data.
    const QMimeData *mime = event->mimeData();
    if (mime != m_dragMime) {
        m_dragMime = mime;
        m_dragHasLocal = CDropPaths::hasLocalPaths(mime);
    }
    if (isBusy() || !m_dragHasLocal || !CDropPaths::acceptWithoutMove(event))
        event->ignore();
}

void CMyListBox::dragLeaveEvent(QDragLeaveEvent *event)
{
    m_dragMime = nullptr;
    QListView::dragLeaveEvent(event);
}

void CMyListBox::dropEvent(QDropEvent *event)
{
    m_dragMime = nullptr;
    // One large drop at a time: the cursor already showed that the queue takes none now.
    if (isBusy()) {
        event->ignore();
        return;
    }
    // The drag's bytes are taken once here; reading a million paths out of them is left to the background.
    QByteArray list = CDropPaths::uriList(event->mimeData());
    if (CPathIntake::lineCount(list) >= kBackgroundFrom) {
        if (CPathIntake::hasFileUrl(list) && CDropPaths::acceptWithoutMove(event))
            startBigDrop(std::move(list));
        else
            event->ignore();
        return;
    }
    CPathIntake::Packed packed = CPathIntake::packUriList(list);
    const bool local = std::any_of(packed.blocks.cbegin(), packed.blocks.cend(),
                                   [](const CPathBlock &block) { return block.size() > 0; });
    if ((!local && packed.undecodable.isEmpty()) || !CDropPaths::acceptWithoutMove(event)) {
        event->ignore();
        return;
    }
    if (!packed.undecodable.isEmpty())
        Q_EMIT undecodableDropped(packed.undecodable);
    if (local) {
        replaceEntries(m_order.withBlocks(entries(), std::move(packed.blocks)));
        loadFirst();
    }
}

void CMyListBox::queueAndLoad(const QStringList &paths)
{
    if (isBusy()) {
        m_heldPaths += paths;
        return;
    }
    addPaths(paths);
    loadFirst();
}

void CMyListBox::queueSortedAndLoad(CQueueOrder::Entries sorted)
{
    if (isBusy() || count() > 0) {
        queueAndLoad(sorted.paths());
        return;
    }
    m_model->replace(std::move(sorted));
    loadFirst();
}

void CMyListBox::loadFirst()
{
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
    QListView::keyPressEvent(event);
    // Moving through the queue with the keyboard loads the item, as a click does.
    if (currentRow() != before && currentRow() >= 0) {
        loadItem(pathAt(currentRow()));
        Q_EMIT clickLoaded(pathAt(currentRow()));
    }
}

void CMyListBox::contextMenuEvent(QContextMenuEvent *event)
{
    // The menu key means the current item; a right click means the item under the pointer.
    const QModelIndex entry = event->reason() == QContextMenuEvent::Keyboard
        ? currentIndex()
        : indexAt(viewport()->mapFromGlobal(event->globalPos()));
    QMenu menu(this);
    QAction *remove = nullptr;
    if (entry.isValid()) {
        remove = menu.addAction(tr("从队列中移除（不删除文件）"));
        remove->setShortcut(QKeySequence::Delete);
        menu.addSeparator();
    }
    QAction *history = menu.addAction(tr("操作记录…"));
    history->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    // What the window adds to the queue's menu: its switches, and showing the preview.
    if (!m_menuActions.isEmpty() || !actions().isEmpty()) {
        menu.addSeparator();
        menu.addActions(m_menuActions);
        menu.addActions(actions());
    }
    const QString path = entry.isValid() ? pathAt(entry.row()) : QString();
    const QAction *chosen = menu.exec(event->globalPos());
    if (chosen && chosen == remove)
        Q_EMIT removeRequested(path);
    else if (chosen && chosen == history)
        Q_EMIT historyRequested();
}

// A right click opens the menu of the row under the pointer without selecting it: the highlighted row is the one
// the editor holds.
void CMyListBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
}

void CMyListBox::mouseReleaseEvent(QMouseEvent *event)
{
    QListView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    const QString path = pathAt(selected.constFirst().row());
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
    const QString text = tr("正在整理 %1 个项目，已用 %2 秒…")
                             .arg(m_bigDropSize)
                             .arg(double(m_bigDropClock.elapsed()) / 1000, 0, 'f', 1);
    QPainter painter(viewport());
    const QRect band(0, 0, viewport()->width(), fontMetrics().height() + 8);
    painter.fillRect(band, palette().color(QPalette::ToolTipBase));
    painter.setPen(palette().color(QPalette::ToolTipText));
    painter.drawText(band, Qt::AlignCenter, text);
}

void CMyListBox::startBigDrop(QByteArray uriList)
{
    m_bigDropSize = CPathIntake::lineCount(uriList);
    m_bigDropClock.start();
    m_removedWhileBusy.clear();
    m_computing = true;
    // The worker gets copies: the queue stays usable, and what is taken off it meanwhile is noted.
    m_bigDrop.setFuture(QtConcurrent::run(&m_bigDropThread, [list = std::move(uriList), queued = entries()] {
        CPathIntake::Packed packed = CPathIntake::packUriList(list);
        return BigDrop { CQueueOrder().withBlocks(queued, std::move(packed.blocks)), packed.undecodable };
    }));
    m_progressTick.start();
    viewport()->update();
}

void CMyListBox::bigDropComputed()
{
    BigDrop result = m_bigDrop.future().takeResult();
    m_computing = false;
    m_progressTick.stop();
    for (const QString &path : std::as_const(m_removedWhileBusy)) {
        const qsizetype row = result.merged.indexOf(path, m_order.keyOf(path));
        if (row >= 0)
            result.merged.erase(row);
    }
    m_removedWhileBusy.clear();
    if (!result.undecodable.isEmpty())
        Q_EMIT undecodableDropped(result.undecodable);
    // The view places rows by their number and lays none out, so a reset costs the same for any number of rows.
    m_model->replace(std::move(result.merged));
    // The drop's own working set (its sort orders, the queue's rows before the merge) is freed by now but would
    // stay with the process; a few milliseconds give it back to the system.
    CSystem::returnFreedMemory();
    viewport()->update();
    // The drop loads the first item, as a small drop does; paths the program queued meanwhile join it.
    queueAndLoad(std::exchange(m_heldPaths, {}));
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
    QListView::changeEvent(event);
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
