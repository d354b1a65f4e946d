// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCollator>
#include <QStringList>

/// The queue's order, as a file manager sorts: by the user's locale, ignoring case, numbers by value,
/// and paths that differ only in case kept apart in a fixed order.
class CQueueOrder
{
public:
    CQueueOrder();

    [[nodiscard]] bool lessThan(const QString &a, const QString &b) const;
    /// Sorts paths that contain no duplicates.
    [[nodiscard]] QStringList sorted(QStringList paths) const;
    /// Merges two sorted lists with no path in common into one sorted list.
    [[nodiscard]] QStringList merged(const QStringList &a, const QStringList &b) const;

private:
    QCollator m_collator;
};
