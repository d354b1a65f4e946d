// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RestoredQueue.h"

#include "core/System.h"

#include <QHash>
#include <QSet>
#include <QStringTokenizer>
#include <QtConcurrent>

namespace
{
/// From this many queued paths in one folder on, the folder is read once instead of looking at each name.
constexpr qsizetype kListFrom = 16;

/// Which saved paths name nothing any more. A queued item is there while its name is, a link whose target went away
/// included.
class CPresence
{
public:
    [[nodiscard]] static QSet<QString> missing(const QList<QStringView> &paths, const std::function<bool()> &stopped)
    {
        QHash<QStringView, QList<QStringView>> byFolder;
        // A queue comes in order, so a path is mostly in the folder of the one before it.
        QStringView lastFolder;
        QList<QStringView> *inLastFolder = nullptr;
        for (const QStringView path : paths) {
            const QStringView folder = path.first(path.lastIndexOf(u'/') + 1);
            if (!inLastFolder || folder != lastFolder) {
                inLastFolder = &byFolder[folder];
                lastFolder = folder;
            }
            *inLastFolder << path;
        }
        QList<QStringView> toLook;
        for (auto folder = byFolder.cbegin(); folder != byFolder.cend() && !stopped(); ++folder)
            toLook << unlisted(folder.key(), folder.value());
        // The looks wait on the file system more than on a core, so they run side by side.
        const QList<QStringView> gone = QtConcurrent::blockingFiltered(
            toLook, [&stopped](QStringView path) { return !stopped() && !CSystem::look(path.toString()).exists(); });
        QSet<QString> result;
        for (const QStringView path : gone)
            result.insert(path.toString());
        return result;
    }

private:
    /// The paths of `folder` that its listing does not name as they are queued, or all of them when it is not read.
    static QList<QStringView> unlisted(QStringView folder, const QList<QStringView> &paths)
    {
        const std::optional<QString> names
            = paths.size() >= kListFrom ? CSystem::namesIn(folder.toString()) : std::nullopt;
        if (!names)
            return paths;
        QSet<QStringView> known;
        known.reserve(paths.size());
        // A name that is not in the file system's encoding reads with a replacement character: only a look at the
        // name itself tells whether it is the queued one.
        for (const QStringView name : QStringTokenizer(*names, QChar(0), Qt::SkipEmptyParts)) {
            if (!name.contains(QChar::ReplacementCharacter))
                known.insert(name);
        }
        // A name not listed as it is queued may still be there in another case on a disk that ignores case.
        QList<QStringView> unknown;
        for (const QStringView path : paths) {
            if (!known.contains(path.sliced(folder.size())))
                unknown << path;
        }
        return unknown;
    }
};
} // namespace

CRestoredQueue CRestoredQueue::read(CQueueStore &store, const std::function<bool()> &stopped)
{
    CRestoredQueue restored;
    restored.editor = store.loadEditor();
    const CQueueSnapshot saved = store.loadQueue();
    const QList<QStringView> savedPaths = saved.pathViews();
    // The paths are looked for while they are keyed.
    QFuture<QSet<QString>> looking = QtConcurrent::run([&] { return CPresence::missing(savedPaths, stopped); });
    const CQueueOrder order;
    bool keyedAgain = false;
    CQueueOrder::Entries entries = saved.entries(order, &keyedAgain);
    const QSet<QString> missing = looking.result();
    if (stopped())
        return {};
    const qsizetype before = entries.size();
    if (!missing.isEmpty())
        entries.eraseIf([&](qsizetype row) { return missing.contains(entries.path(row).toString()); });
    restored.missing = before - entries.size();
    // The store is brought level with what is left, and keeps the keys for the next start.
    if (restored.missing > 0 || keyedAgain)
        store.saveQueue(CQueueSnapshot::of(entries, order.keysIdentity()));
    restored.entries = std::move(entries);
    return restored;
}
