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
/// Which saved paths name nothing any more. A queued item is there while its name is, a link whose target went away
/// included.
class CPresence
{
public:
    /// Each folder's names, closed by zeros; none where it cannot be read.
    using Listings = QHash<QString, std::optional<QString>>;

    [[nodiscard]] static Listings list(const QStringList &folders)
    {
        Listings listed;
        for (const QString &folder : folders)
            listed.insert(folder, CSystem::namesIn(folder));
        return listed;
    }

    [[nodiscard]] static QSet<QString> missing(const QList<QStringView> &paths, QFuture<Listings> &listing,
                                               const std::function<bool()> &stopped)
    {
        const QHash<QStringView, QList<QStringView>> byFolder = CQueueSnapshot::byFolder(paths);
        const Listings listed = listing.result();
        QList<QStringView> toLook;
        for (auto folder = byFolder.cbegin(); folder != byFolder.cend() && !stopped(); ++folder)
            toLook << unlisted(folder.key(), folder.value(), listed);
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
    static QList<QStringView> unlisted(QStringView folder, const QList<QStringView> &paths, const Listings &listed)
    {
        const auto early = listed.constFind(folder.toString());
        const std::optional<QString> names = early != listed.cend() ? *early
            : paths.size() >= CQueueSnapshot::kListFrom             ? CSystem::namesIn(folder.toString())
                                                                    : std::nullopt;
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
    // The folders that hold many of the saved paths are read while the paths are.
    QFuture<CPresence::Listings> listing = QtConcurrent::run(&CPresence::list, store.loadCrowdedFolders());
    const CQueueSnapshot saved = store.loadQueue();
    const QList<QStringView> savedPaths = saved.pathViews();
    // The paths are looked for while they are keyed.
    QFuture<QSet<QString>> looking
        = QtConcurrent::run([&] { return CPresence::missing(savedPaths, listing, stopped); });
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
