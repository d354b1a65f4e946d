// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/JournalEntry.h"

#include <QList>
#include <QWidget>

#include <functional>

class CJournal;
class QPushButton;
class QTreeWidget;

/// The list of journalled renames and moves, newest first, from which one can be undone, done again or shown in the
/// file manager. It stays open beside the main window.
class CHistoryWindow : public QWidget
{
    Q_OBJECT
public:
    /// How many operations the window lists: all the journal keeps.
    static constexpr int kShownEntries = 10000;

    CHistoryWindow(const CJournal &journal, QWidget *parent);

    /// Reads the journal again, keeping the selected operation selected.
    void refresh();
    /// A seam for tests; by default the desktop's file manager.
    void setShowItem(std::function<bool(const QString &)> showItem);

Q_SIGNALS:
    /// The user asked to undo this operation; the main window does it as Ctrl+Z would.
    void undoRequested(qint64 id);
    /// The user asked to do this undone operation again.
    void redoRequested(qint64 id);

private:
    void fillRows();
    void updateButtons();
    [[nodiscard]] const JournalEntry *selectedEntry() const;
    void showSelected();

    const CJournal &m_journal;
    QList<JournalEntry> m_entries;
    QTreeWidget *m_list = nullptr;
    QPushButton *m_undo = nullptr;
    QPushButton *m_redo = nullptr;
    QPushButton *m_show = nullptr;
    std::function<bool(const QString &)> m_showItem;
};
