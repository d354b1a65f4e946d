// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog/HistoryWindow.h"

#include "core/Journal.h"
#include "core/PathParts.h"
#include "core/UndoPlanner.h"
#include "dialog/OutcomeTexts.h"
#include "platform/FileManager.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace
{
// Wide enough at its default size for the time, a name of some 40 characters and a failure's reason.
constexpr int kWidth = 960;
constexpr int kHeight = 420;
constexpr int kNameWidth = 260;
constexpr int kStateWidth = 240;

enum Column { TimeColumn, KindColumn, NameColumn, PathsColumn, StateColumn, ColumnCount };

QString kindText(JournalEntry::Kind kind)
{
    switch (kind) {
    case JournalEntry::Kind::Rename:
        return CHistoryWindow::tr("重命名");
    case JournalEntry::Kind::Move:
        return CHistoryWindow::tr("移动");
    case JournalEntry::Kind::QuickMove:
        return CHistoryWindow::tr("快速移动");
    }
    return {};
}

QString stateText(const JournalEntry &entry)
{
    switch (entry.state) {
    case JournalEntry::State::Intended:
        return CHistoryWindow::tr("未完成");
    case JournalEntry::State::Done:
    case JournalEntry::State::Undoing: // done until the undo has moved the item back
        return entry.recovery == JournalRecovery::None ? CHistoryWindow::tr("已完成")
                                                       : CHistoryWindow::tr("已完成（启动时补记）");
    case JournalEntry::State::Undone:
    case JournalEntry::State::Redoing:
        return CHistoryWindow::tr("已撤销");
    case JournalEntry::State::Failed:
        return CHistoryWindow::tr("未成功");
    }
    return {};
}

// A failed row says why, where the journal kept it.
QString stateWithReason(const JournalEntry &entry)
{
    const QString reason = entry.state == JournalEntry::State::Failed
        ? COutcomeTexts::failureReason(entry.failure, entry.destination)
        : QString();
    return reason.isEmpty() ? stateText(entry) : CHistoryWindow::tr("%1：%2").arg(stateText(entry), reason);
}

// Where the item is now, as far as the journal knows.
QString currentPathOf(const JournalEntry &entry)
{
    return entry.state == JournalEntry::State::Done ? entry.destination : entry.source;
}
} // namespace

CHistoryWindow::CHistoryWindow(const CJournal &journal, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_journal(journal)
    , m_list(new QTreeWidget(this))
    , m_undo(new QPushButton(tr("撤销"), this))
    , m_redo(new QPushButton(tr("重做"), this))
    , m_show(new QPushButton(tr("在文件管理器中显示"), this))
    , m_showItem(&CFileManager::showItem)
{
    setObjectName(u"PlindorHistory"_s);
    setWindowTitle(tr("操作记录"));
    setAccessibleName(tr("操作记录"));
    m_list->setObjectName(u"historyList"_s);
    m_list->setAccessibleName(tr("操作记录列表"));
    m_list->setAccessibleDescription(tr("最近的重命名和移动，最新的在最上面"));
    m_list->setHeaderLabels({ tr("时间"), tr("操作"), tr("新名称"), tr("原位置 → 新位置"), tr("状态") });
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    // A name cut short keeps its start and its extension, which tell similar names apart.
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->header()->setSectionResizeMode(TimeColumn, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(KindColumn, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(PathsColumn, QHeaderView::Stretch);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->resizeSection(NameColumn, kNameWidth);
    m_list->header()->resizeSection(StateColumn, kStateWidth);
    m_undo->setObjectName(u"historyUndo"_s);
    m_undo->setAccessibleName(tr("撤销所选操作"));
    m_redo->setObjectName(u"historyRedo"_s);
    m_redo->setAccessibleName(tr("重做所选操作"));
    m_show->setObjectName(u"historyShow"_s);
    m_show->setAccessibleName(tr("在文件管理器中显示所选文件"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_undo);
    buttons->addWidget(m_redo);
    buttons->addWidget(m_show);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(buttons);
    resize(kWidth, kHeight);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CHistoryWindow::updateButtons);
    connect(m_undo, &QPushButton::clicked, this, [this] {
        if (const JournalEntry *entry = selectedEntry())
            Q_EMIT undoRequested(entry->id);
    });
    connect(m_redo, &QPushButton::clicked, this, [this] {
        if (const JournalEntry *entry = selectedEntry())
            Q_EMIT redoRequested(entry->id);
    });
    connect(m_show, &QPushButton::clicked, this, &CHistoryWindow::showSelected);
    refresh();
}

void CHistoryWindow::setShowItem(std::function<bool(const QString &)> showItem)
{
    m_showItem = std::move(showItem);
}

void CHistoryWindow::refresh()
{
    const JournalEntry *selected = selectedEntry();
    const qint64 selectedId = selected ? selected->id : 0;
    m_entries = m_journal.history(kShownEntries);
    fillRows();
    for (int row = 0; row < m_entries.size(); ++row) {
        if (m_entries.at(row).id == selectedId)
            m_list->setCurrentItem(m_list->topLevelItem(row));
    }
    updateButtons();
}

void CHistoryWindow::fillRows()
{
    m_list->clear();
    QList<QTreeWidgetItem *> rows;
    rows.reserve(m_entries.size());
    for (const JournalEntry &entry : std::as_const(m_entries)) {
        auto *row = new QTreeWidgetItem;
        row->setText(TimeColumn, entry.time.toString(u"yyyy-MM-dd HH:mm:ss"_s));
        row->setText(KindColumn, kindText(entry.kind));
        row->setText(NameColumn, CPathParts::lastComponentOf(entry.destination));
        row->setToolTip(NameColumn, row->text(NameColumn));
        row->setText(PathsColumn,
                     QDir::toNativeSeparators(entry.source) + u" → "_s + QDir::toNativeSeparators(entry.destination));
        row->setToolTip(PathsColumn, row->text(PathsColumn));
        row->setText(StateColumn, stateWithReason(entry));
        row->setToolTip(StateColumn, row->text(StateColumn));
        rows << row;
    }
    m_list->addTopLevelItems(rows);
}

const JournalEntry *CHistoryWindow::selectedEntry() const
{
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    if (row < 0 || row >= m_entries.size() || !m_list->currentItem()->isSelected())
        return nullptr;
    return &m_entries.at(row);
}

void CHistoryWindow::updateButtons()
{
    const JournalEntry *entry = selectedEntry();
    m_undo->setEnabled(entry && CUndoPlanner::isLatestOnItsItem(*entry, m_entries));
    m_redo->setEnabled(entry && CUndoPlanner::isRedoableOnItsItem(*entry, m_entries));
    m_show->setEnabled(entry != nullptr);
}

void CHistoryWindow::showSelected()
{
    if (const JournalEntry *entry = selectedEntry())
        m_showItem(currentPathOf(*entry));
}
