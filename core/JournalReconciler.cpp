// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/JournalReconciler.h"
#include "core/JournalOwner.h"
#include "core/Mover.h"
#include "core/System.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace
{

constexpr QDir::Filters kEverything = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

/// One name as the file system shows it now.
struct Item {
    QString path;
    bool present = false;
    ItemFacts facts;

    [[nodiscard]] bool sameFile(const Item &other) const
    {
        return present && other.present && facts.sameItem(other.facts);
    }
    [[nodiscard]] bool isFile() const
    {
        return present && facts.type == ItemFacts::Type::File;
    }
    [[nodiscard]] qint64 size() const
    {
        return facts.stamp.size;
    }
};

bool listedExactly(const QString &path)
{
    const QFileInfo wanted(path);
    QDirIterator it(wanted.absolutePath(), kEverything);
    while (it.hasNext()) {
        if (it.nextFileInfo().fileName() == wanted.fileName())
            return true;
    }
    return false;
}

// A file system that ignores case shows a case-only rename's two names as one file; only the listing tells
// which name it has.
Item look(const QString &path, const QString &counterpart)
{
    Item item { path, false, CSystem::look(path) };
    item.present = item.facts.exists();
    if (item.present && path != counterpart && path.compare(counterpart, Qt::CaseInsensitive) == 0)
        item.present = listedExactly(path);
    return item;
}

bool isOriginalStamp(const Item &item, const FileStamp &before)
{
    return item.present && before.isValid() && item.size() == before.size && item.facts.stamp.mtimeNs == before.mtimeNs;
}

// The very item the intent found at the source, wherever it is now. A rename keeps the node; a FUSE driver may
// number it anew at every mount, so a regular file is known by its size and modification time as well.
bool isTheOriginal(const Item &item, const FileStamp &before)
{
    if (!isOriginalStamp(item, before))
        return false;
    const FileStamp &now = item.facts.stamp;
    const bool sameNode = now.inode == before.inode && (before.device == 0 || now.device == before.device);
    return sameNode || item.isFile();
}

// The mover takes a source aside in its own folder under a name that carries its program's token; only a name of
// the intent's own program counts, whose end the caller has seen, and only the item itself. Names without a token
// come from versions before tokens and are read as they were.
Item findAside(const JournalEntry &entry)
{
    if (!entry.before.isValid())
        return {};
    QStringList names { u".plindor-??????.moving"_s };
    if (CJournalOwner::isToken(entry.owner))
        names << u".plindor-??????"_s + u'-' + entry.owner + u".moving"_s;
    QDirIterator it(QFileInfo(entry.source).absolutePath(), names, kEverything | QDir::CaseSensitive);
    while (it.hasNext()) {
        Item item = look(it.next(), QString());
        if (isTheOriginal(item, entry.before))
            return item;
    }
    return {};
}

bool sameContentStamp(const Item &a, const Item &b)
{
    return a.isFile() && b.isFile() && a.facts.stamp.sameContentStamp(b.facts.stamp);
}

enum class Relation { Different, Prefix, Equal };

// How `copy` stands to `original` byte by byte: a copy the program began holds the original's first bytes, so
// removing it while the original stays loses nothing.
Relation compare(const Item &copy, const Item &original)
{
    if (!copy.isFile() || !original.isFile() || copy.size() > original.size())
        return Relation::Different;
    QFile a(copy.path);
    QFile b(original.path);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
        return Relation::Different;
    constexpr qint64 kChunk = qint64(1) << 20;
    while (!a.atEnd()) {
        const QByteArray left = a.read(kChunk);
        if (left.isEmpty() || b.read(left.size()) != left)
            return Relation::Different;
    }
    if (a.error() != QFile::NoError || a.pos() != copy.size())
        return Relation::Different;
    return copy.size() == original.size() ? Relation::Equal : Relation::Prefix;
}

// A complete copy: the same bytes and the modification time the mover gives it.
bool isCompleteCopy(const Item &copy, const Item &original)
{
    return copy.sameFile(original) || (sameContentStamp(copy, original) && compare(copy, original) == Relation::Equal);
}

bool removed(const Item &item)
{
    return QFile::remove(item.path);
}

bool isCaseOnly(const JournalEntry &entry)
{
    return entry.source != entry.destination && entry.source.compare(entry.destination, Qt::CaseInsensitive) == 0;
}

// The copy the intent recorded making, under the destination's name: only this program's copy has that identity.
bool isRecordedCopy(const Item &destination, const JournalEntry &entry)
{
    const FileStamp &now = destination.facts.stamp;
    return entry.copyInode != 0 && destination.isFile() && now.inode == entry.copyInode
        && now.device == entry.copyDevice;
}

// The destination holds what the program began to write there: only the original's first bytes, or all of them.
// A file someone put there, or changed since, differs from the original and stays. `timeToo`: all the bytes count
// only under the original's time too, as the mover gives a copy before it takes the original aside.
bool isOwnCopy(const Item &destination, const Item &original, const JournalEntry &entry, bool timeToo)
{
    if (entry.destinationExisted && !isCaseOnly(entry))
        return false;
    const Relation relation = compare(destination, original);
    return relation == Relation::Prefix
        || (relation == Relation::Equal && (!timeToo || sameContentStamp(destination, original)));
}

// Through the mover, which never replaces what another program saved under the old name meanwhile.
JournalRecovery bringBack(const Item &aside, const Item &source, const Item &destination, JournalFinding &finding,
                          IMover &mover)
{
    if (!source.present) {
        const QFileInfo name(source.path);
        const MoveResult result = mover.move(aside.path, name.absolutePath(), name.fileName(), nullptr);
        if (result.ok())
            return destination.present ? JournalRecovery::LeftTwice : JournalRecovery::PutBack;
        if (!result.leftAt.isEmpty()) {
            finding.leftAt = result.leftAt;
            return JournalRecovery::LeftHidden;
        }
    }
    finding.leftAt = aside.path;
    return JournalRecovery::LeftHidden;
}

// The source was taken aside: the copy or link at the destination either completes the operation or not. A copy
// cut short (a case-only rename on a stick copies through a hidden name) must not keep the user's new name.
JournalRecovery settleAside(const JournalEntry &entry, const Item &aside, const Item &source, Item destination,
                            JournalFinding &finding, IMover &mover)
{
    // Where the intent recorded its copy, a file of the same bytes that is not that copy is a user's.
    const bool mayBeOurs = entry.copyInode == 0 || destination.sameFile(aside) || isRecordedCopy(destination, entry);
    if (mayBeOurs && isCompleteCopy(destination, aside) && removed(aside))
        return JournalRecovery::Finished;
    if (destination.present && isOwnCopy(destination, aside, entry, true) && removed(destination))
        destination.present = false;
    return bringBack(aside, source, destination, finding, mover);
}

JournalRecovery settleBoth(const JournalEntry &entry, const Item &source, const Item &destination)
{
    // link() had given the file its new name; only the old one was left to remove, and both name one file.
    if (source.sameFile(destination) && source.facts.links > 1)
        return removed(source) ? JournalRecovery::Finished : JournalRecovery::LeftTwice;
    // A new file at the old name after the item was renamed away: the item is the one at its destination.
    if (!isOriginalStamp(source, entry.before))
        return isTheOriginal(destination, entry.before) ? JournalRecovery::Finished : JournalRecovery::LeftTwice;
    const Relation relation = compare(destination, source);
    // The program's own complete copy beside the very original: the move was cut short only before the original
    // went, and goes on from there. A copy written into its name is complete only with the original's time, which
    // the mover gives it after its mode, owner and attributes.
    const bool ours = isRecordedCopy(destination, entry);
    if (ours && relation == Relation::Equal && sameContentStamp(destination, source)
        && isTheOriginal(source, entry.before))
        return removed(source) ? JournalRecovery::Finished : JournalRecovery::LeftTwice;
    // A copy the program began is only in the way of the original, whole where it was; where the intent recorded its
    // copy, only that one is the program's, and without a record only a part of the original's bytes.
    if ((ours || (entry.copyInode == 0 && relation == Relation::Prefix))
        && isOwnCopy(destination, source, entry, false))
        return removed(destination) ? JournalRecovery::CopyRemoved : JournalRecovery::LeftTwice;
    // The same bytes, not known to be the program's copy: a user's, which stays, and is named.
    return relation == Relation::Equal ? JournalRecovery::LeftTwice : JournalRecovery::NothingHappened;
}

// A destination that had been there before the operation is someone else's unless it is the source renamed.
bool isTheMovedItem(const Item &destination, const JournalEntry &entry)
{
    return !entry.destinationExisted || isTheOriginal(destination, entry.before);
}

// A finding says what the folders hold once settling is over, looked at again: not what a step meant to leave.
void describeAsLeft(JournalFinding &finding)
{
    if (finding.recovery != JournalRecovery::LeftTwice)
        return;
    const Item source = look(finding.source, finding.destination);
    const Item destination = look(finding.destination, finding.source);
    if (!destination.present && source.present)
        finding.recovery = JournalRecovery::NothingHappened;
    else
        finding.sameContent = compare(destination, source) == Relation::Equal;
}

} // namespace

JournalFinding CJournalReconciler::settle(const JournalEntry &entry, IMover &mover)
{
    JournalFinding finding { entry.id, JournalRecovery::NothingHappened, entry.source, entry.destination, {} };
    mover.removeLeftovers(QFileInfo(entry.destination).absolutePath());
    const Item source = look(entry.source, entry.destination);
    const Item destination = look(entry.destination, entry.source);
    const Item aside = findAside(entry);
    if (aside.present)
        finding.recovery = settleAside(entry, aside, source, destination, finding, mover);
    else if (source.present && destination.present)
        finding.recovery = settleBoth(entry, source, destination);
    else if (destination.present)
        finding.recovery = isTheMovedItem(destination, entry) ? JournalRecovery::Finished : JournalRecovery::Missing;
    else if (!source.present)
        finding.recovery = JournalRecovery::Missing;
    describeAsLeft(finding);
    return finding;
}
