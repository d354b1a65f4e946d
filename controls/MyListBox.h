// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/QueueOrder.h"

#include <QListWidget>

/// The queue: takes files and folders dropped from a file manager, keeps them sorted and unique,
/// and splits the item it loads into the parts the name editor needs.
class CMyListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit CMyListBox(QWidget *parent = nullptr);
    ~CMyListBox() override;

    /// Queues the paths not already queued; returns how many were added.
    qsizetype addPaths(const QStringList &paths);
    /// Queues paths exactly as a drop does: adds the new ones, then selects and loads the first item.
    void queueAndLoad(const QStringList &paths);
    [[nodiscard]] QString pathAt(int row) const;
    [[nodiscard]] int rowOf(const QString &path) const;
    /// Removes one queued path; the file itself is not touched.
    void removePath(const QString &path);
    /// Text painted in the empty queue; it is never an item.
    void setHintText(const QString &text);

    QString m_fileName; ///< file name with extension; kept when a folder is loaded
    QString m_filePath; ///< the directory part, without a trailing separator
    QString m_filePathName; ///< the full path as queued
    QString m_extend; ///< extension with its dot; empty for a folder or a name without one
    QString m_itemText; ///< the item text just read
    QString m_Name; ///< base name, or the folder's own name
    int m_isFile = 1; ///< 1 for a file, 0 for a folder

Q_SIGNALS:
    /// Files were dropped; the first queued item has been loaded into the members above.
    void dropLoaded();
    /// The user clicked an item, or moved to it with the keyboard; it has been loaded into the members above.
    void clickLoaded();
    /// The user asked to take this path off the queue (Delete key or context menu).
    void removeRequested(const QString &path);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void loadItem(const QString &path);
    void replaceItems(const QStringList &paths);
    [[nodiscard]] QStringList allPaths() const;

    CQueueOrder m_order;
    QString m_hintText;
};
