// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/QueuePresence.h"

#include "core/QueueSnapshot.h"
#include "core/System.h"

#include <QtConcurrent>

#include <algorithm>

CQueuePresence::CQueuePresence(const QStringList &crowded, const Stamps &vouched)
    : m_listing(QtConcurrent::run(&CQueuePresence::list, crowded, vouched))
{
}

CQueuePresence::Listings CQueuePresence::list(const QStringList &folders, const Stamps &vouched)
{
    Listings listed;
    for (const QString &folder : folders)
        listed.insert(folder, listOne(folder, vouched));
    return listed;
}

CQueuePresence::Listing CQueuePresence::listOne(const QString &folder, const Stamps &vouched)
{
    QByteArray before = CSystem::folderStamp(folder);
    const auto noted = vouched.constFind(folder);
    if (!before.isEmpty() && noted != vouched.cend() && *noted == before)
        return { before, std::nullopt };
    std::optional<std::vector<size_t>> names = CSystem::nameHashesIn(folder);
    // A name that came or went while the folder was read leaves the listing without a stamp.
    if (!names || CSystem::folderStamp(folder) != before)
        before.clear();
    return { before, std::move(names) };
}

QSet<QString> CQueuePresence::missing(QStringView pathText, const std::function<bool()> &stopped, Paths which)
{
    m_listed = m_listing.result();
    // The paths of the folders vouched for are not even gathered.
    const QHash<QStringView, QList<QStringView>> byFolder = CQueueSnapshot::byFolder(pathText, [&](QStringView folder) {
        const QString key = folder.toString();
        return !isVouchedFor(key) && (which == Paths::All || m_listed.contains(key));
    });
    QList<QStringView> toLook;
    for (auto folder = byFolder.cbegin(); folder != byFolder.cend() && !stopped(); ++folder)
        toLook << unlisted(folder.key(), folder.value());
    // The looks wait on the file system more than on a core, so they run side by side.
    const QList<QStringView> gone = QtConcurrent::blockingFiltered(
        toLook, [&stopped](QStringView path) { return !stopped() && !CSystem::look(path.toString()).exists(); });
    QSet<QString> result;
    for (const QStringView path : gone) {
        result.insert(path.toString());
        m_withGone.insert(path.first(path.lastIndexOf(u'/') + 1).toString());
    }
    return result;
}

CQueuePresence::Stamps CQueuePresence::stampsOf(const CQueueSnapshot &queue, const Stamps &vouched,
                                                const std::function<bool()> &stopped)
{
    const QStringList crowded = queue.crowdedFolders();
    if (crowded.isEmpty())
        return {};
    CQueuePresence presence(crowded, vouched);
    (void)presence.missing(queue.pathText(), stopped, Paths::InCrowdedFolders);
    return stopped() ? Stamps() : presence.stamps();
}

// A crowded folder whose stamp is as noted is not listed: all its queued paths are there.
bool CQueuePresence::isVouchedFor(const QString &folder) const
{
    const auto listed = m_listed.constFind(folder);
    return listed != m_listed.cend() && !listed->names && !listed->stamp.isEmpty();
}

CQueuePresence::Stamps CQueuePresence::stamps() const
{
    Stamps found;
    for (auto folder = m_listed.cbegin(); folder != m_listed.cend(); ++folder) {
        if (!folder->stamp.isEmpty() && !m_withGone.contains(folder.key()))
            found.insert(folder.key(), folder->stamp);
    }
    return found;
}

// The paths of `folder` that its listing does not name as they are queued, or all of them when it is not read.
QList<QStringView> CQueuePresence::unlisted(QStringView folder, const QList<QStringView> &paths) const
{
    const QString key = folder.toString();
    if (isVouchedFor(key))
        return {};
    const auto early = m_listed.constFind(key);
    const std::optional<std::vector<size_t>> listedLate
        = early == m_listed.cend() && paths.size() >= CQueueSnapshot::kListFrom ? CSystem::nameHashesIn(key)
                                                                                : std::nullopt;
    const std::optional<std::vector<size_t>> &names = early != m_listed.cend() ? early->names : listedLate;
    if (!names)
        return paths;
    // A name not listed as it is queued may still be there in another case on a disk that ignores case. A path that
    // went and whose name has the hash of a name still there keeps its row: once in 2^64 / (names in its folder).
    QList<QStringView> unknown;
    for (const QStringView path : paths) {
        if (!std::binary_search(names->cbegin(), names->cend(), qHash(path.sliced(folder.size()), 0)))
            unknown << path;
    }
    return unknown;
}
