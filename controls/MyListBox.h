// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/QueueModel.h"
#include "core/QueueOrder.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QListView>
#include <QThreadPool>
#include <QTimer>

/// The queue: takes files and folders dropped from a file manager, keeps them sorted and unique,
/// and splits the item it loads into the parts the name editor needs.
class CMyListBox : public QListView
{
    Q_OBJECT
public:
    explicit CMyListBox(QWidget *parent = nullptr);
    ~CMyListBox() override;

    /// Queues the paths not already queued; returns how many were added.
    qsizetype addPaths(const QStringList &paths);
    /// Queues paths exactly as a drop does: adds the new ones, then selects and loads the first item.
    void queueAndLoad(const QStringList &paths);
    /// queueAndLoad() for paths keyed and sorted elsewhere, off the window's thread say: an empty queue takes them
    /// whole, keying nothing again.
    void queueSortedAndLoad(CQueueOrder::Entries sorted);
    /// Queues paths without loading anything: the current item stays current, and nothing is emitted.
    void queueKeepingCurrent(const QStringList &paths);
    [[nodiscard]] int count() const;
    [[nodiscard]] int currentRow() const;
    /// Makes `row` current and the only selected row; -1 clears both.
    void setCurrentRow(int row);
    [[nodiscard]] QString pathAt(int row) const;
    [[nodiscard]] int rowOf(const QString &path) const;
    /// Removes one queued path; the file itself is not touched.
    void removePath(const QString &path);
    /// Takes every path off the queue, touching no file; nothing while a very large drop is sorted.
    void clearQueue();
    /// Every queued path, in queue order.
    [[nodiscard]] QStringList paths() const;
    /// The queued paths with their keys, in queue order.
    [[nodiscard]] const CQueueOrder::Entries &entries() const;
    /// Selects and loads `row` as a click on it does.
    void loadRow(int row);
    /// Actions the context menu offers below its own, such as the window's switches; the list does not own them.
    void setMenuActions(const QList<QAction *> &actions);
    /// Text painted in the empty queue; it is never an item.
    void setHintText(const QString &text);
    [[nodiscard]] QString hintText() const;
    /// True while a very large drop is being sorted in the background; other drops are refused then.
    [[nodiscard]] bool isBusy() const;

    // Geometry from the row number alone. QListView lays out every row again after each removal, which made
    // finishing one item of a 100,000-item queue cost milliseconds; one row height and the scroll position
    // (in whole rows, as a list box scrolls) are all a single-column list of one-line paths needs.
    void doItemsLayout() override;
    [[nodiscard]] QRect visualRect(const QModelIndex &index) const override;
    [[nodiscard]] QModelIndex indexAt(const QPoint &point) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

    QString m_fileName; ///< file name with extension; kept when a folder is loaded
    QString m_filePath; ///< the directory part, without a trailing separator
    QString m_filePathName; ///< the full path as queued
    QString m_extend; ///< extension with its dot; empty for a folder or a name without one
    QString m_itemText; ///< the item text just read
    QString m_Name; ///< base name, or the folder's own name
    int m_isFile = 1; ///< 1 for a file, 0 for a folder

Q_SIGNALS:
    /// Files were dropped; the first queued item, `path`, has been loaded into the members above.
    void dropLoaded(const QString &path);
    /// The user clicked the item `path`, or moved to it with the keyboard; it has been loaded into the members above.
    void clickLoaded(const QString &path);
    /// The user asked to take this path off the queue (Delete key or context menu).
    void removeRequested(const QString &path);
    /// The user asked for the list of past operations from the context menu.
    void historyRequested();
    /// Dropped names that cannot be read were refused; the text is for showing only.
    void undecodableDropped(const QStringList &paths);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

    // The rest of the geometry; see the public half above.
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    [[nodiscard]] int horizontalOffset() const override;
    [[nodiscard]] int verticalOffset() const override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    [[nodiscard]] QRegion visualRegionForSelection(const QItemSelection &selection) const override;

private:
    /// What the background work of a very large drop hands back.
    struct BigDrop {
        CQueueOrder::Entries merged;
        QStringList undecodable;
    };

    /// Takes the queue with paths added, when it has more rows than the current one; returns how many were added.
    qsizetype replaceEntries(CQueueOrder::Entries merged);
    /// Selects and loads the first item, as a drop does, and says so.
    void loadFirst();
    void startBigDrop(QByteArray uriList);
    void bigDropComputed();
    void paintProgress();
    [[nodiscard]] int rowHeight() const;
    [[nodiscard]] int visibleRows() const;
    [[nodiscard]] int rowAtY(int y) const;
    void paintRows(const QRect &area);
    void loadItem(const QString &path);

    CQueueOrder m_order;
    CQueueModel *m_model; ///< the rows: the queued paths with their collation keys
    QFutureWatcher<BigDrop> m_bigDrop; ///< the background half of a very large drop
    /// Runs that background half. Its work is split over the global pool, which gives a task running in the pool
    /// itself no second thread: the whole drop ran on one core when it was started there.
    QThreadPool m_bigDropThread;
    bool m_computing = false; ///< set from the start of a very large drop until its result is taken
    qsizetype m_bigDropSize = 0;
    QElapsedTimer m_bigDropClock;
    QTimer m_progressTick; ///< repaints the progress while the background work gives nothing new to show
    QStringList m_removedWhileBusy; ///< taken off the queue while the background worked on the old queue
    QStringList m_heldPaths; ///< queued by the program while busy, added when the large drop is in
    const QMimeData *m_dragMime = nullptr; ///< the data of the drag over the list; only compared, never read
    bool m_dragHasLocal = false; ///< whether that data holds a local file
    QString m_hintText;
    QList<QAction *> m_menuActions;
    mutable int m_rowHeight = 0; ///< 0 until measured from the first row; font and style changes reset it
};
