// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RestoredQueue.h"

#include "core/System.h"

#include <QHash>
#include <QSet>
#include <QtConcurrent>

namespace
{
/// From this many queued paths in one folder on, the folder is read once instead of looking at each name.
constexpr qsizetype kListFrom = 16;

/// Which rows of `entries` still name something. A queued item is there while its name is, a link whose target went
/// away included.
class CPresence
{
public:
    explicit CPresence(const CQueueOrder::Entries &entries)
        : m_entries(entries)
        , m_present(static_cast<size_t>(entries.size()), false)
    {
    }

    [[nodiscard]] std::vector<bool> find(const std::function<bool()> &stopped)
    {
        QHash<QStringView, QList<qsizetype>> byFolder;
        for (qsizetype row = 0; row < m_entries.size(); ++row)
            byFolder[folderOf(m_entries.path(row))] << row;
        QList<qsizetype> toLook;
        for (auto folder = byFolder.cbegin(); folder != byFolder.cend() && !stopped(); ++folder)
            toLook << listed(folder.key(), folder.value());
        // The looks wait on the file system more than on a core, so they run side by side.
        QtConcurrent::blockingMap(toLook, [&](qsizetype row) {
            m_present[static_cast<size_t>(row)] = !stopped() && CSystem::look(path(row)).exists();
        });
        return m_present;
    }

private:
    static QStringView folderOf(QStringView path)
    {
        return path.first(path.lastIndexOf(u'/') + 1);
    }
    [[nodiscard]] QString path(qsizetype row) const
    {
        return m_entries.path(row).toString();
    }
    /// Marks the rows the folder's listing names; returns those it cannot answer for.
    QList<qsizetype> listed(QStringView folder, const QList<qsizetype> &rows)
    {
        const std::optional<QStringList> names
            = rows.size() >= kListFrom ? CSystem::namesIn(folder.toString()) : std::nullopt;
        if (!names)
            return rows;
        QSet<QStringView> known;
        known.reserve(names->size());
        // A name that is not in the file system's encoding reads with a replacement character: only a look at the
        // name itself tells whether it is the queued one.
        for (const QString &name : *names) {
            if (!name.contains(QChar::ReplacementCharacter))
                known.insert(QStringView(name));
        }
        // A name not listed as it is queued may still be there in another case on a disk that ignores case.
        QList<qsizetype> unknown;
        for (const qsizetype row : rows) {
            if (known.contains(m_entries.path(row).sliced(folder.size())))
                m_present[static_cast<size_t>(row)] = true;
            else
                unknown << row;
        }
        return unknown;
    }

    const CQueueOrder::Entries &m_entries;
    std::vector<bool> m_present;
};
} // namespace

CRestoredQueue CRestoredQueue::read(CQueueStore &store, const std::function<bool()> &stopped)
{
    CRestoredQueue restored;
    restored.editor = store.loadEditor();
    const CQueueOrder order;
    bool keyedAgain = false;
    CQueueOrder::Entries entries = store.loadQueue().entries(order, &keyedAgain);
    if (stopped())
        return {};
    const std::vector<bool> present = CPresence(entries).find(stopped);
    if (stopped())
        return {};
    restored.missing = std::count(present.begin(), present.end(), false);
    entries.eraseIf([&present](qsizetype row) { return !present[static_cast<size_t>(row)]; });
    // The store is brought level with what is left, and keeps the keys for the next start.
    if (restored.missing > 0 || keyedAgain)
        store.saveQueue(CQueueSnapshot::of(entries, order.keysIdentity()));
    restored.entries = std::move(entries);
    return restored;
}
