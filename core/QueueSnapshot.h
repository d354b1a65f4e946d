// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/QueueOrder.h"

#include <QByteArray>
#include <QHash>
#include <QIODevice>
#include <QStringList>

#include <functional>
#include <optional>

/// The queue as the store keeps it: the paths in queue order in one value, their keys in another, and what made the
/// keys. A start reads 100,000 paths in two reads and keys none of them again while the collation stays the same.
class CQueueSnapshot
{
public:
    /// The entries with their keys, which `identity` made.
    [[nodiscard]] static CQueueSnapshot of(const CQueueOrder::Entries &entries, const QByteArray &identity);
    /// Paths in queue order without keys: they are keyed when read.
    [[nodiscard]] static CQueueSnapshot of(const QStringList &paths);

    /// From this many paths in one folder on, a start reads the folder's listing instead of looking at each name.
    static constexpr qsizetype kListFrom = 16;
    /// The paths of `pathText` by their folder (its path with the closing separator), of the folders that `wanted`
    /// answers true for, or of all without it.
    [[nodiscard]] static QHash<QStringView, QList<QStringView>>
    byFolder(QStringView pathText, const std::function<bool(QStringView)> &wanted = {});
    /// The folders that hold kListFrom paths or more.
    [[nodiscard]] QStringList crowdedFolders() const;

    [[nodiscard]] QStringList paths() const;
    /// The paths as one text, each closed by a zero.
    [[nodiscard]] QStringView pathText() const;
    /// The paths as views into `text`.
    [[nodiscard]] QList<QStringView> pathViews() const;
    /// The entries in the order `order` gives them: the kept keys when `order` makes its keys as they were made and
    /// they are in that order; otherwise every path keyed again and sorted, and `keyedAgain` set when given.
    [[nodiscard]] CQueueOrder::Entries entries(const CQueueOrder &order, bool *keyedAgain = nullptr) const;
    /// Takes out the paths in `gone`.
    void remove(const QStringList &gone);

    /// Writes the snapshot as its file holds it, tagged with `generation`.
    bool write(QIODevice &file, quint64 generation) const;
    /// What write() wrote, sharing the bytes of `bytes`; nothing when they are not a whole snapshot.
    [[nodiscard]] static std::optional<CQueueSnapshot> read(const QByteArray &bytes, quint64 &generation);

    /// Paths in UTF-16, each closed by a zero code unit, which no path holds.
    QByteArray text;
    /// Keys, each closed by a zero byte, which no key holds; empty when none were kept.
    QByteArray keys;
    QByteArray identity;
    /// What holds the bytes read that `text` and `keys` refer to, when read; they are not copied.
    std::shared_ptr<const void> storage;

private:
    /// The kept entries, when the keys are there for every path and in order.
    [[nodiscard]] std::optional<CQueueOrder::Entries> keptEntries() const;
};
