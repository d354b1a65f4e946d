// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QCollator>
#include <QStringList>

#include <memory>
#include <vector>

struct UCollator;

/// The queue's order, as a file manager sorts: by the user's locale, ignoring case, numbers by value,
/// and paths that differ only in case kept apart in a fixed order.
class CQueueOrder
{
public:
    /// A queued path with its collation key, built once when the path arrives.
    struct Entry {
        QString path;
        QByteArray key; ///< the collator's own sort key bytes, compared bytewise
    };
    using Entries = std::vector<Entry>;

    CQueueOrder();
    ~CQueueOrder();
    CQueueOrder(const CQueueOrder &) = delete;
    CQueueOrder &operator=(const CQueueOrder &) = delete;

    [[nodiscard]] bool lessThan(const QString &a, const QString &b) const;
    [[nodiscard]] static bool lessThan(const Entry &a, const Entry &b);
    [[nodiscard]] Entry entryOf(const QString &path) const;
    /// The paths with their keys, sorted, each path once. Large lists are keyed and sorted on every core.
    [[nodiscard]] Entries sortedEntries(const QStringList &paths) const;
    /// Merges sorted, duplicate-free `fresh` into sorted `queued` in one pass; a fresh path already queued is
    /// dropped. `addedRows` receives the rows of the result that hold the fresh paths kept, in ascending order.
    [[nodiscard]] static Entries merged(const Entries &queued, Entries fresh, std::vector<qsizetype> &addedRows);

    /// Sorts paths that contain no duplicates.
    [[nodiscard]] QStringList sorted(const QStringList &paths) const;
    /// Merges two sorted lists with no path in common into one sorted list.
    [[nodiscard]] QStringList merged(const QStringList &a, const QStringList &b) const;

private:
    struct CollatorCloser {
        void operator()(UCollator *collator) const;
    };

    /// Keys come from the collation library itself, set up as QCollator sets up its own: QCollatorSortKey
    /// would cost two allocations and a quarter of spare bytes per path.
    [[nodiscard]] QByteArray keyOf(const QString &path) const;

    QCollator m_collator;
    std::unique_ptr<UCollator, CollatorCloser> m_keyCollator;
    mutable std::vector<uint8_t> m_keyBuffer;
};
