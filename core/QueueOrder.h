// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/PathBlock.h"

#include <QByteArray>
#include <QCollator>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class CSortKeys;

/// The queue's order, as a file manager sorts: by the user's locale, ignoring case, numbers by value,
/// and paths that differ only in case kept apart in a fixed order.
class CQueueOrder
{
public:
    /// Paths with their collation keys, built once when a path arrives. Each path and key is stored once, in the
    /// block of the drop that brought it, and the rows refer to them in queue order: merging a drop into the queue
    /// writes rows, never paths, and a path costs no allocation of its own.
    struct Entries {
        /// Paths and their keys end to end, as one slice of a drop brought them; shared by every copy of the queue.
        struct Block {
            QString text;
            QByteArray keys; ///< the collator's own sort-key bytes of every path, compared bytewise
            qsizetype paths = 0; ///< how many paths it holds
            /// What holds the memory `text` and `keys` refer to where they were not copied, as when read back from a
            /// saved queue.
            std::shared_ptr<const void> storage;
        };
        struct Row {
            qsizetype pathStart;
            qsizetype keyStart;
            quint32 block;
            quint32 pathLength;
            quint32 keyLength;
        };
        std::vector<std::shared_ptr<const Block>> blocks;
        std::vector<Row> rows; ///< in queue order, from `front` on
        /// Rows before it were erased: erasing a row in the front half moves the rows before it, not the many after.
        std::size_t front = 0;

        [[nodiscard]] qsizetype size() const;
        [[nodiscard]] const Row &row(qsizetype at) const;
        [[nodiscard]] QStringView path(qsizetype row) const;
        [[nodiscard]] QByteArrayView key(qsizetype row) const;
        [[nodiscard]] QStringList paths() const;
        void erase(qsizetype row);
        /// Erases every row that `drop` answers true for, in one pass; `drop` may read the row it is asked about.
        void eraseIf(const std::function<bool(qsizetype row)> &drop);
        /// The row of `path`, whose key is `key`, or -1; the entries must be sorted.
        [[nodiscard]] qsizetype indexOf(QStringView path, QByteArrayView key) const;
        /// Lets go of the blocks that no row refers to any more, and copies what rows still use of a block they use
        /// less than half of, so that a drop of paths already queued, or a queue mostly worked through, does not hold
        /// on to their text.
        void compactBlocks();
    };

    CQueueOrder();
    ~CQueueOrder();
    CQueueOrder(const CQueueOrder &) = delete;
    CQueueOrder &operator=(const CQueueOrder &) = delete;

    [[nodiscard]] bool lessThan(const QString &a, const QString &b) const;
    /// Keys order paths; equal keys (paths that differ only in case, say) fall back to the paths' code units.
    [[nodiscard]] static bool lessThan(QByteArrayView keyA, QStringView a, QByteArrayView keyB, QStringView b);
    /// The collation library's own sort key, as QCollatorSortKey would hold it but without its two allocations
    /// and spare capacity per path.
    [[nodiscard]] QByteArray keyOf(QStringView path) const;
    /// What makes this order's keys (CSortKeys::identity()).
    [[nodiscard]] QByteArray keysIdentity() const;
    /// Sorted `queued` with `paths` added where they belong, each path once; the new paths are keyed and sorted
    /// on every core when there are many, and merged with the queued ones in one pass.
    [[nodiscard]] Entries withPaths(const Entries &queued, const QStringList &paths) const;
    /// withPaths() for paths that arrive in blocks, each keyed and sorted on a core of its own; the blocks become the
    /// queue's storage.
    [[nodiscard]] Entries withBlocks(const Entries &queued, std::vector<CPathBlock> blocks) const;
    /// The paths with their keys, sorted, each path once.
    [[nodiscard]] Entries sortedEntries(const QStringList &paths) const;

    /// Sorts paths that contain no duplicates.
    [[nodiscard]] QStringList sorted(const QStringList &paths) const;
    /// Merges two sorted lists with no path in common into one sorted list.
    [[nodiscard]] QStringList merged(const QStringList &a, const QStringList &b) const;

private:
    /// The key of `path` in the collator's buffer, valid until the next call.
    [[nodiscard]] QByteArrayView keyInBuffer(QStringView path) const;
    /// A block of new paths with their keys and their sorted order.
    struct Run;
    [[nodiscard]] Run keyedRun(CPathBlock paths) const;
    /// A row number with some bytes of its key.
    struct Sortable;
    /// Sorts rows of a run whose keys agree in their first `offset` bytes.
    static void sortRows(const Run &run, Sortable *begin, Sortable *end, qsizetype offset);
    /// What is left to merge: rows of the queue, and positions in each run's order.
    struct Sources {
        std::pair<qsizetype, qsizetype> queued;
        std::vector<std::pair<qsizetype, qsizetype>> runs;
    };
    /// Merges on two cores, each taking the rows on one side of a middle row.
    static qsizetype mergeHalves(const Entries &queued, const std::vector<Run> &runs, const Sources &all,
                                 Entries::Row *out);
    /// Merges the sources into `out`, each path once; returns how many rows it wrote.
    static qsizetype mergeSources(const Entries &queued, const std::vector<Run> &runs, Sources sources,
                                  Entries::Row *out);

    QCollator m_collator;
    mutable std::unique_ptr<CSortKeys> m_keys; ///< made when the first path is keyed
};
