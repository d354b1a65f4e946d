// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/QueueSnapshot.h"

#include "core/System.h"

#include <QSet>
#include <QStringTokenizer>
#include <QtEndian>

#include <bit>

namespace
{
QStringView textOf(const QByteArray &bytes)
{
    return { reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2 };
}

constexpr char kMagic[8] = { 'P', 'L', 'Q', 'U', 'E', 'U', 'E', '1' };
/// The magic, the generation, the sizes of the identity, the text and the keys, and their check.
constexpr qsizetype kHeaderSize = 8 + 5 * 8;

qsizetype padded(qsizetype size)
{
    return (size + 7) / 8 * 8;
}

quint64 numberAt(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<quint64>(bytes.constData() + offset);
}

/// A check of `bytes` read eight bytes at a time in four lanes side by side: qHashBits() took 10 ms for the 12 MB of a
/// long queue at start, this a tenth of it. It tells damage, not a forged file.
quint64 checkOf(QByteArrayView bytes, quint64 check)
{
    constexpr quint64 multiplier = 0x9E3779B97F4A7C15;
    const auto step = [](quint64 lane, const char *word) {
        return std::rotl((lane ^ qFromLittleEndian<quint64>(word)) * multiplier, 29);
    };
    // Four variables rather than an array: the compiler keeps them in registers.
    quint64 first = 1;
    quint64 second = 2;
    quint64 third = 3;
    quint64 fourth = 4;
    const char *data = bytes.data();
    qsizetype at = 0;
    for (; at + 32 <= bytes.size(); at += 32) {
        first = step(first, data + at);
        second = step(second, data + at + 8);
        third = step(third, data + at + 16);
        fourth = step(fourth, data + at + 24);
    }
    check = (check ^ quint64(bytes.size())) * multiplier;
    for (const quint64 lane : { first, second, third, fourth })
        check = std::rotl((check ^ lane) * multiplier, 29);
    for (; at < bytes.size(); ++at)
        check = std::rotl((check ^ quint8(data[at])) * multiplier, 29);
    return check;
}

/// Keys that do not belong to their paths but are in order would put the paths out of the order every other path is
/// merged in, so they are used only when what was written is what is read; paths are checked by a look anyway.
quint64 checkOf(const CQueueSnapshot &snapshot)
{
    quint64 check = 0;
    for (const QByteArray *part : { &snapshot.identity, &snapshot.text, &snapshot.keys })
        check = checkOf(*part, check);
    return check;
}

void appendPath(QByteArray &text, QStringView path)
{
    text.append(reinterpret_cast<const char *>(path.utf16()), path.size() * 2);
    text.append(2, '\0');
}

/// Walks the paths and keys of a snapshot side by side.
class CSnapshotReader
{
public:
    explicit CSnapshotReader(const CQueueSnapshot &snapshot)
        : m_text(textOf(snapshot.text))
        , m_keys(snapshot.keys)
    {
    }
    /// The next path and its key (empty when the snapshot keeps no keys); false at the end, or at a path that is not
    /// closed.
    bool next(QStringView &path, QByteArrayView &key)
    {
        const qsizetype pathEnd = m_path < m_text.size() ? m_text.indexOf(u'\0', m_path) : -1;
        if (pathEnd < 0) {
            m_whole = m_whole && m_path == m_text.size();
            return false;
        }
        path = m_text.sliced(m_path, pathEnd - m_path);
        m_path = pathEnd + 1;
        const qsizetype keyEnd = m_key < m_keys.size() ? m_keys.indexOf('\0', m_key) : -1;
        key = keyEnd < 0 ? QByteArrayView() : m_keys.sliced(m_key, keyEnd - m_key);
        m_keysWhole = m_keysWhole && !key.isEmpty() && !path.isEmpty();
        m_key = keyEnd < 0 ? m_keys.size() : keyEnd + 1;
        return true;
    }
    /// Every path was closed, and each had a key of its own with none left over.
    [[nodiscard]] bool keysMatch() const
    {
        return m_whole && m_keysWhole && m_key == m_keys.size();
    }
    [[nodiscard]] qsizetype pathOffset(QStringView path) const
    {
        return path.data() - m_text.data();
    }
    [[nodiscard]] qsizetype keyOffset(QByteArrayView key) const
    {
        return key.data() - m_keys.data();
    }

private:
    QStringView m_text;
    QByteArrayView m_keys;
    qsizetype m_path = 0;
    qsizetype m_key = 0;
    bool m_whole = true;
    bool m_keysWhole = true;
};
} // namespace

CQueueSnapshot CQueueSnapshot::of(const CQueueOrder::Entries &entries, const QByteArray &identity)
{
    CQueueSnapshot snapshot;
    snapshot.identity = identity;
    qsizetype textSize = 0;
    qsizetype keysSize = 0;
    for (qsizetype row = 0; row < entries.size(); ++row) {
        textSize += 2 * (entries.path(row).size() + 1);
        keysSize += entries.key(row).size() + 1;
    }
    snapshot.text.reserve(textSize);
    snapshot.keys.reserve(keysSize);
    for (qsizetype row = 0; row < entries.size(); ++row) {
        appendPath(snapshot.text, entries.path(row));
        snapshot.keys.append(entries.key(row)).append('\0');
    }
    return snapshot;
}

CQueueSnapshot CQueueSnapshot::of(const QStringList &paths)
{
    CQueueSnapshot snapshot;
    for (const QString &path : paths)
        appendPath(snapshot.text, path);
    return snapshot;
}

QHash<QStringView, QList<QStringView>> CQueueSnapshot::byFolder(QStringView pathText,
                                                                const std::function<bool(QStringView)> &wanted)
{
    QHash<QStringView, QList<QStringView>> byFolder;
    // A queue comes in order, so a path is mostly in the folder of the one before it.
    QStringView lastFolder;
    QList<QStringView> *inLastFolder = nullptr;
    bool first = true;
    for (const QStringView path : QStringTokenizer(pathText, QChar(0), Qt::SkipEmptyParts)) {
        const QStringView folder = path.first(path.lastIndexOf(u'/') + 1);
        if (first || folder != lastFolder) {
            inLastFolder = !wanted || wanted(folder) ? &byFolder[folder] : nullptr;
            lastFolder = folder;
            first = false;
        }
        if (inLastFolder)
            *inLastFolder << path;
    }
    return byFolder;
}

QStringList CQueueSnapshot::crowdedFolders() const
{
    QStringList crowded;
    const QHash<QStringView, QList<QStringView>> folders = byFolder(pathText());
    for (auto folder = folders.cbegin(); folder != folders.cend(); ++folder) {
        if (folder.value().size() >= kListFrom)
            crowded << folder.key().toString();
    }
    return crowded;
}

QStringList CQueueSnapshot::paths() const
{
    QStringList all;
    for (const QStringView path : pathViews())
        all << path.toString();
    return all;
}

QStringView CQueueSnapshot::pathText() const
{
    return textOf(text);
}

QList<QStringView> CQueueSnapshot::pathViews() const
{
    QList<QStringView> views;
    CSnapshotReader reader(*this);
    QStringView path;
    QByteArrayView key;
    while (reader.next(path, key)) {
        if (!path.isEmpty())
            views << path;
    }
    return views;
}

CQueueOrder::Entries CQueueSnapshot::entries(const CQueueOrder &order, bool *keyedAgain) const
{
    if (!identity.isEmpty() && identity == order.keysIdentity()) {
        if (std::optional<CQueueOrder::Entries> kept = keptEntries())
            return *std::move(kept);
    }
    if (keyedAgain)
        *keyedAgain = !text.isEmpty();
    return order.sortedEntries(paths());
}

std::optional<CQueueOrder::Entries> CQueueSnapshot::keptEntries() const
{
    CQueueOrder::Entries entries;
    // One row a key: the rows are made once, in memory that asks for large pages.
    const auto rows = static_cast<size_t>(std::count(keys.cbegin(), keys.cend(), '\0'));
    entries.rows.reserve(rows);
    CSystem::preferHugePages(entries.rows.data(), qsizetype(rows * sizeof(CQueueOrder::Entries::Row)));
    CSnapshotReader reader(*this);
    QStringView path;
    QByteArrayView key;
    while (reader.next(path, key)) {
        entries.rows.push_back(
            { reader.pathOffset(path), reader.keyOffset(key), 0, quint32(path.size()), quint32(key.size()) });
    }
    if (!reader.keysMatch())
        return std::nullopt;
    auto block = std::make_shared<CQueueOrder::Entries::Block>();
    // The text is used where it was read, not copied: it is 200 bytes a path.
    block->storage = storage ? storage : std::make_shared<const QByteArray>(text);
    block->text = QString::fromRawData(reinterpret_cast<const QChar *>(text.constData()), text.size() / 2);
    block->keys = keys;
    block->paths = entries.size();
    entries.blocks.push_back(std::move(block));
    // The order every merge relies on, each path once: a snapshot that is not in it is keyed afresh.
    for (qsizetype row = 1; row < entries.size(); ++row) {
        if (!CQueueOrder::lessThan(entries.key(row - 1), entries.path(row - 1), entries.key(row), entries.path(row)))
            return std::nullopt;
    }
    return entries;
}

void CQueueSnapshot::remove(const QStringList &gone)
{
    if (gone.isEmpty())
        return;
    // Views of `gone`: a string made of each queued path to look it up cost more than the rest of a start.
    QSet<QStringView> goneSet;
    for (const QString &path : gone)
        goneSet.insert(path);
    QByteArray keptText;
    QByteArray keptKeys;
    keptText.reserve(text.size());
    keptKeys.reserve(keys.size());
    // Filled at once, and in fresh memory: 12 MB a small page at a time cost 40 ms.
    CSystem::preferHugePages(keptText.constData(), keptText.capacity());
    CSystem::preferHugePages(keptKeys.constData(), keptKeys.capacity());
    // The paths kept are copied a run at a time, from one taken off (or empty) to the next.
    qsizetype textFrom = 0;
    qsizetype keysFrom = 0;
    qsizetype textEnd = 0;
    CSnapshotReader reader(*this);
    QStringView path;
    QByteArrayView key;
    while (reader.next(path, key)) {
        const qsizetype pathAt = 2 * reader.pathOffset(path);
        textEnd = pathAt + 2 * (path.size() + 1);
        if (!path.isEmpty() && !goneSet.contains(path))
            continue;
        keptText.append(text.constData() + textFrom, pathAt - textFrom);
        textFrom = textEnd;
        if (!key.isNull()) {
            const qsizetype keyAt = reader.keyOffset(key);
            keptKeys.append(keys.constData() + keysFrom, keyAt - keysFrom);
            keysFrom = keyAt + key.size() + 1;
        }
    }
    // A path that is not closed at the end is not kept.
    keptText.append(text.constData() + textFrom, textEnd - textFrom);
    keptKeys.append(keys.constData() + keysFrom, keys.size() - keysFrom);
    text = keptText;
    // Keys that did not go with the paths one for one are not kept.
    keys = reader.keysMatch() ? keptKeys : QByteArray();
    storage.reset();
}

bool CQueueSnapshot::write(QIODevice &file, quint64 generation) const
{
    QByteArray header(kMagic, sizeof kMagic);
    for (const quint64 number :
         { generation, quint64(identity.size()), quint64(text.size()), quint64(keys.size()), checkOf(*this) }) {
        const quint64 little = qToLittleEndian(number);
        header.append(reinterpret_cast<const char *>(&little), sizeof little);
    }
    const auto withPadding = [&file](const QByteArray &part) {
        return file.write(part) == part.size() && file.write(QByteArray(padded(part.size()) - part.size(), '\0')) >= 0;
    };
    return withPadding(header) && withPadding(identity) && withPadding(text) && file.write(keys) == keys.size();
}

std::optional<CQueueSnapshot> CQueueSnapshot::read(const QByteArray &bytes, quint64 &generation)
{
    if (bytes.size() < kHeaderSize || !bytes.startsWith(QByteArrayView(kMagic, sizeof kMagic)))
        return std::nullopt;
    const quint64 identitySize = numberAt(bytes, 16);
    const quint64 textSize = numberAt(bytes, 24);
    const quint64 keysSize = numberAt(bytes, 32);
    // Sizes are compared one at a time, so that no sum of damaged ones can wrap around.
    quint64 left = quint64(bytes.size() - kHeaderSize);
    for (const quint64 size : { identitySize, textSize }) {
        if (size > left || padded(qsizetype(size)) > qsizetype(left))
            return std::nullopt;
        left -= quint64(padded(qsizetype(size)));
    }
    if (keysSize != left || textSize % 2 != 0)
        return std::nullopt;
    generation = numberAt(bytes, 8);
    const qsizetype textAt = kHeaderSize + padded(qsizetype(identitySize));
    const qsizetype keysAt = textAt + padded(qsizetype(textSize));
    CQueueSnapshot snapshot;
    snapshot.storage = std::make_shared<const QByteArray>(bytes);
    snapshot.identity = bytes.mid(kHeaderSize, qsizetype(identitySize));
    snapshot.text = QByteArray::fromRawData(bytes.constData() + textAt, qsizetype(textSize));
    snapshot.keys = QByteArray::fromRawData(bytes.constData() + keysAt, qsizetype(keysSize));
    if (checkOf(snapshot) != numberAt(bytes, 40))
        snapshot.keys.clear();
    return snapshot;
}
