// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/QueueOrder.h"

#include <QAbstractListModel>

/// The queued paths with their collation keys, one row each, in queue order. The rows show the stored paths
/// themselves: no item object and no second copy of the text per row.
class CQueueModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    [[nodiscard]] int rowCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    [[nodiscard]] const CQueueOrder::Entries &entries() const;
    /// Takes the result of CQueueOrder::merged() with the rows it added. A few blocks of new rows are inserted,
    /// which keeps the current row and the selection; otherwise the rows are replaced in one reset.
    void showMerged(CQueueOrder::Entries merged, const std::vector<qsizetype> &addedRows);
    /// Replaces every row in one reset.
    void replace(CQueueOrder::Entries entries);
    void removeEntry(int row);

private:
    [[nodiscard]] static size_t blockEnd(const std::vector<qsizetype> &addedRows, size_t first);

    CQueueOrder::Entries m_entries;
};
