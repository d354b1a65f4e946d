// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/QueueModel.h"

#include <QDir>

namespace
{
/// Up to this many blocks of new rows are inserted one block at a time; each insertion moves every row below it.
constexpr size_t kMaxInsertedBlocks = 8;
} // namespace

int CQueueModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

QVariant CQueueModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    return QDir::toNativeSeparators(m_entries[static_cast<size_t>(index.row())].path);
}

const CQueueOrder::Entries &CQueueModel::entries() const
{
    return m_entries;
}

void CQueueModel::showMerged(CQueueOrder::Entries merged, const std::vector<qsizetype> &addedRows)
{
    size_t blocks = 0;
    for (size_t first = 0; first < addedRows.size() && blocks <= kMaxInsertedBlocks; first = blockEnd(addedRows, first))
        ++blocks;
    if (blocks > kMaxInsertedBlocks) {
        replace(std::move(merged));
        return;
    }
    for (size_t first = 0; first < addedRows.size();) {
        const size_t end = blockEnd(addedRows, first);
        const auto row = static_cast<int>(addedRows[first]);
        beginInsertRows({}, row, row + static_cast<int>(end - first) - 1);
        m_entries.insert(m_entries.begin() + row, std::make_move_iterator(merged.begin() + addedRows[first]),
                         std::make_move_iterator(merged.begin() + addedRows[end - 1] + 1));
        endInsertRows();
        first = end;
    }
}

void CQueueModel::replace(CQueueOrder::Entries entries)
{
    beginResetModel();
    // The old rows are freed after the view has let go of them.
    std::swap(m_entries, entries);
    endResetModel();
}

void CQueueModel::removeEntry(int row)
{
    if (row < 0 || static_cast<size_t>(row) >= m_entries.size())
        return;
    beginRemoveRows({}, row, row);
    m_entries.erase(m_entries.begin() + row);
    endRemoveRows();
}

size_t CQueueModel::blockEnd(const std::vector<qsizetype> &addedRows, size_t first)
{
    size_t end = first + 1;
    while (end < addedRows.size() && addedRows[end] == addedRows[end - 1] + 1)
        ++end;
    return end;
}
