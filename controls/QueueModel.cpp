// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/QueueModel.h"

#include <QDir>

int CQueueModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

QVariant CQueueModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    return QDir::toNativeSeparators(m_entries.path(index.row()).toString());
}

const CQueueOrder::Entries &CQueueModel::entries() const
{
    return m_entries;
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
    if (row < 0 || row >= m_entries.size())
        return;
    beginRemoveRows({}, row, row);
    m_entries.erase(row);
    endRemoveRows();
}
