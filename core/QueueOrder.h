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
    /// Paths with their collation keys, built once when a path arrives. Paths and keys each lie end to end in one
    /// block, in the paths' order: sorting and merging read memory in sequence, and a path costs no allocation
    /// of its own.
    struct Entries {
        QString text; ///< every path, end to end
        QByteArray keys; ///< the collator's own sort-key bytes of every path, compared bytewise
        struct Ends {
            qsizetype path;
            qsizetype key;
        };
        std::vector<Ends> ends; ///< where each row's path and key end

        [[nodiscard]] qsizetype size() const;
        [[nodiscard]] QStringView path(qsizetype row) const;
        [[nodiscard]] QByteArrayView key(qsizetype row) const;
        [[nodiscard]] QStringList paths() const;
        void reserve(qsizetype rows, qsizetype textUnits, qsizetype keyBytes);
        void erase(qsizetype row);
        /// The row of `path`, whose key is `key`, or -1; the entries must be sorted.
        [[nodiscard]] qsizetype indexOf(QStringView path, QByteArrayView key) const;
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
    [[nodiscard]] QByteArray keyOf(const QString &path) const;
    /// Sorted `queued` with `paths` added where they belong, each path once; the new paths are keyed and sorted
    /// on every core when there are many, and merged with the queued ones in one pass that copies each path once.
    [[nodiscard]] Entries withPaths(const Entries &queued, const QStringList &paths) const;
    /// The paths with their keys, sorted, each path once.
    [[nodiscard]] Entries sortedEntries(const QStringList &paths) const;

    /// Sorts paths that contain no duplicates.
    [[nodiscard]] QStringList sorted(const QStringList &paths) const;
    /// Merges two sorted lists with no path in common into one sorted list.
    [[nodiscard]] QStringList merged(const QStringList &a, const QStringList &b) const;

private:
    struct CollatorCloser {
        void operator()(UCollator *collator) const;
    };

    /// The key of `path` in the collator's buffer, valid until the next call.
    [[nodiscard]] QByteArrayView keyInBuffer(const QString &path) const;
    /// A slice of new paths with their keys and their sorted order.
    struct Run;
    [[nodiscard]] Run keyedRun(const QStringList &paths, qsizetype first, qsizetype end) const;
    /// A row number with some bytes of its key.
    struct Sortable;
    /// Sorts rows of a run whose keys agree in their first `offset` bytes.
    static void sortRows(const Run &run, const QStringList &paths, Sortable *begin, Sortable *end, qsizetype offset);
    /// What is left to merge: rows of the queue, and positions in each run's order.
    struct Sources {
        std::pair<qsizetype, qsizetype> queued;
        std::vector<std::pair<qsizetype, qsizetype>> runs;
    };
    static void mergeHalves(const Entries &queued, const QStringList &paths, const QList<Run> &runs, const Sources &all,
                            Entries &result);
    /// Merges the sources into the result's blocks from `at` on, each path once, appending the rows' ends.
    static void mergeSources(const Entries &queued, const QStringList &paths, const QList<Run> &runs, Sources sources,
                             QChar *text, char *keys, Entries::Ends at, std::vector<Entries::Ends> &ends);

    QCollator m_collator;
    std::unique_ptr<UCollator, CollatorCloser> m_keyCollator;
    mutable std::vector<uint8_t> m_keyBuffer;
};
