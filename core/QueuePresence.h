// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QFuture>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class CQueueSnapshot;

/// Which saved paths name nothing any more, from as few looks at the file system as tell it. A folder that holds
/// many of them is listed once rather than each name looked at, and not even listed while its stamp shows it as it
/// was when every one of them was last found there. A queued item is there while its name is, a link whose target
/// went away included.
class CQueuePresence
{
public:
    /// Each folder's stamp (CSystem::folderStamp()) as it was when all its queued paths were found in it.
    using Stamps = QHash<QString, QByteArray>;

    /// Starts listing the `crowded` folders on another thread at once, but those that `vouched` still stamps as
    /// they are.
    CQueuePresence(const QStringList &crowded, const Stamps &vouched);

    /// The stamps of the folders that hold many of `queue`'s paths and hold every one of them, listed now unless
    /// `vouched` still stamps them as they are: made while the program is idle, so that the next start need not list
    /// those folders. None once `stopped` answers true.
    [[nodiscard]] static Stamps stampsOf(const CQueueSnapshot &queue, const Stamps &vouched,
                                         const std::function<bool()> &stopped);

    /// Which paths of `pathText` (each closed by a zero) to look for.
    enum class Paths { All, InCrowdedFolders };
    /// The paths that are gone. Stops early, with what it has, once `stopped` answers true.
    [[nodiscard]] QSet<QString> missing(QStringView pathText, const std::function<bool()> &stopped,
                                        Paths which = Paths::All);
    /// After missing(): the stamps of the crowded folders in which every queued path was found, taken before they
    /// were listed, or kept.
    [[nodiscard]] Stamps stamps() const;

private:
    struct Listing {
        QByteArray stamp; ///< the folder's stamp before and after the listing; empty when it changed meanwhile
        std::optional<std::vector<size_t>> names; ///< CSystem::nameHashesIn(); none when not read, or need not be
    };
    using Listings = QHash<QString, Listing>;

    [[nodiscard]] static Listings list(const QStringList &folders, const Stamps &vouched);
    [[nodiscard]] static Listing listOne(const QString &folder, const Stamps &vouched);
    [[nodiscard]] bool isVouchedFor(const QString &folder) const;
    [[nodiscard]] QList<QStringView> unlisted(QStringView folder, const QList<QStringView> &paths) const;

    QFuture<Listings> m_listing;
    Listings m_listed;
    QSet<QString> m_withGone; ///< folders in which a queued path was not found
};
