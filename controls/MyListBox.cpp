// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyListBox.h"

#include "controls/DropPaths.h"
#include "controls/PathParts.h"
#include "platform/PathProbe.h"

#include <QDir>
#include <QDropEvent>
#include <QMenu>
#include <QPainter>
#include <QSet>

CMyListBox::CMyListBox(QWidget *parent)
    : QListWidget(parent)
{
    // Uniform rows keep layout constant-time: a queue of 100,000 paths must stay instant.
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragDropMode(QAbstractItemView::DropOnly);
    setAcceptDrops(true);
    setTextElideMode(Qt::ElideMiddle);
}

CMyListBox::~CMyListBox() = default;

qsizetype CMyListBox::addPaths(const QStringList &paths)
{
    const QStringList existing = allPaths();
    QSet<QString> seen(existing.cbegin(), existing.cend());
    QStringList fresh;
    for (const QString &path : paths) {
        if (!seen.contains(path)) {
            seen.insert(path);
            fresh << path;
        }
    }
    if (!fresh.isEmpty())
        replaceItems(m_order.merged(existing, m_order.sorted(fresh)));
    return fresh.size();
}

QString CMyListBox::pathAt(int row) const
{
    const QListWidgetItem *entry = item(row);
    return entry ? QDir::fromNativeSeparators(entry->text()) : QString();
}

int CMyListBox::rowOf(const QString &path) const
{
    // The rows are sorted by the queue order, so a binary search finds the exact path.
    int low = 0;
    int high = count();
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (m_order.lessThan(pathAt(mid), path))
            low = mid + 1;
        else
            high = mid;
    }
    return low < count() && pathAt(low) == path ? low : -1;
}

void CMyListBox::removePath(const QString &path)
{
    const int row = rowOf(path);
    if (row >= 0)
        delete takeItem(row);
}

void CMyListBox::setHintText(const QString &text)
{
    m_hintText = text;
    viewport()->update();
}

void CMyListBox::dragEnterEvent(QDragEnterEvent *event)
{
    CDropPaths::acceptIfLocal(event);
}

void CMyListBox::dragMoveEvent(QDragMoveEvent *event)
{
    CDropPaths::acceptIfLocal(event);
}

void CMyListBox::dropEvent(QDropEvent *event)
{
    const QStringList paths = CDropPaths::localPaths(event->mimeData());
    if (paths.isEmpty() || !CDropPaths::acceptWithoutMove(event)) {
        event->ignore();
        return;
    }
    queueAndLoad(paths);
}

void CMyListBox::queueAndLoad(const QStringList &paths)
{
    addPaths(paths);
    if (count() == 0)
        return;
    setCurrentRow(0);
    loadItem(pathAt(0));
    Q_EMIT dropLoaded();
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
        Q_EMIT clickLoaded();
    }
}

void CMyListBox::contextMenuEvent(QContextMenuEvent *event)
{
    // The menu key means the current item; a right click means the item under the pointer.
    const QListWidgetItem *entry = event->reason() == QContextMenuEvent::Keyboard
        ? currentItem()
        : itemAt(viewport()->mapFromGlobal(event->globalPos()));
    if (!entry)
        return;
    const QString path = QDir::fromNativeSeparators(entry->text());
    QMenu menu(this);
    QAction *remove = menu.addAction(tr("从队列中移除（不删除文件）"));
    remove->setShortcut(QKeySequence::Delete);
    if (menu.exec(event->globalPos()) == remove)
        Q_EMIT removeRequested(path);
}

void CMyListBox::mouseReleaseEvent(QMouseEvent *event)
{
    QListWidget::mouseReleaseEvent(event);
    const QList<QListWidgetItem *> selected = selectedItems();
    if (selected.isEmpty())
        return;
    loadItem(QDir::fromNativeSeparators(selected.constFirst()->text()));
    Q_EMIT clickLoaded();
}

void CMyListBox::paintEvent(QPaintEvent *event)
{
    QListWidget::paintEvent(event);
    if (count() > 0 || m_hintText.isEmpty())
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(viewport()->rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, m_hintText);
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

void CMyListBox::replaceItems(const QStringList &paths)
{
    // One bulk insert instead of one model change per path.
    setUpdatesEnabled(false);
    clear();
    QStringList shown;
    shown.reserve(paths.size());
    for (const QString &path : paths)
        shown << QDir::toNativeSeparators(path);
    addItems(shown);
    setUpdatesEnabled(true);
}

QStringList CMyListBox::allPaths() const
{
    QStringList paths;
    paths.reserve(count());
    for (int row = 0; row < count(); ++row)
        paths << pathAt(row);
    return paths;
}
