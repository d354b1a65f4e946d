// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/QueueSnapshot.h"

#include <QSet>

namespace
{
QStringView textOf(const QByteArray &bytes)
{
    return { reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2 };
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

QStringList CQueueSnapshot::paths() const
{
    QStringList all;
    for (const QStringView path : pathViews())
        all << path.toString();
    return all;
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
    block->textBytes = text;
    block->text = QString::fromRawData(reinterpret_cast<const QChar *>(block->textBytes.constData()),
                                       block->textBytes.size() / 2);
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
    const QSet<QString> goneSet(gone.begin(), gone.end());
    QByteArray keptText;
    QByteArray keptKeys;
    keptText.reserve(text.size());
    keptKeys.reserve(keys.size());
    CSnapshotReader reader(*this);
    QStringView path;
    QByteArrayView key;
    while (reader.next(path, key)) {
        if (path.isEmpty() || goneSet.contains(path.toString()))
            continue;
        appendPath(keptText, path);
        keptKeys.append(key).append('\0');
    }
    text = keptText;
    // Keys that did not go with the paths one for one are not kept.
    keys = reader.keysMatch() ? keptKeys : QByteArray();
}
