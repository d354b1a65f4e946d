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
    /// Replaces every row in one reset, which costs the same for any number of rows: the view lays none out.
    void replace(CQueueOrder::Entries entries);
    void removeEntry(int row);

private:
    CQueueOrder::Entries m_entries;
};
