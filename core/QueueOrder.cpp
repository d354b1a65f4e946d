// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/QueueOrder.h"
#include "core/SortKeys.h"
#include "core/System.h"

#include <QThread>
#include <QtConcurrent>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <numeric>
#include <tuple>

namespace
{
/// Below this many paths a drop is keyed on the calling thread: starting the pool would cost more.
constexpr qsizetype kParallelFrom = 4096;

QLocale collationLocale()
{
    // The C locale collates by code unit and ignores numeric mode; English gives the usual file-manager order.
    const QLocale system;
    return system.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : system;
}

/// The key's eight bytes from `offset` on as one number that orders as they do; missing bytes count as zero, below
/// every byte a key holds, as a shorter key sorts first.
quint64 eightBytesOf(QByteArrayView key, qsizetype offset)
{
    quint64 eight = 0;
    for (qsizetype i = offset; i < offset + 8; ++i)
        eight = eight << 8 | (i < key.size() ? quint8(key[i]) : 0u);
    return eight;
}

int compareKeys(QByteArrayView a, QByteArrayView b)
{
    const int order = std::memcmp(a.data(), b.data(), static_cast<size_t>(std::min(a.size(), b.size())));
    return order != 0 ? order : int(a.size() > b.size()) - int(a.size() < b.size());
}

} // namespace

CQueueOrder::CQueueOrder()
    : m_collator(collationLocale())
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setNumericMode(true);
}

CQueueOrder::~CQueueOrder() = default;

bool CQueueOrder::lessThan(const QString &a, const QString &b) const
{
    const int order = m_collator.compare(a, b);
    return order != 0 ? order < 0 : a < b;
}

bool CQueueOrder::lessThan(QByteArrayView keyA, QStringView a, QByteArrayView keyB, QStringView b)
{
    const int order = compareKeys(keyA, keyB);
    return order != 0 ? order < 0 : a < b;
}

QByteArray CQueueOrder::keyOf(QStringView path) const
{
    return keyInBuffer(path).toByteArray();
}

// The collation data is loaded with the first path, not with the window: an empty queue needs none.
QByteArray CQueueOrder::keysIdentity() const
{
    return CSortKeys::identity(m_collator.locale());
}

QByteArrayView CQueueOrder::keyInBuffer(QStringView path) const
{
    if (!m_keys)
        m_keys = std::make_unique<CSortKeys>(m_collator.locale());
    return m_keys->keyOf(path);
}

struct CQueueOrder::Run {
    std::shared_ptr<Entries::Block> block;
    std::vector<qsizetype> pathEnds; ///< where each row's path ends in the block
    std::vector<qsizetype> keyEnds; ///< where each row's key ends in the block
    std::vector<qsizetype> order; ///< the rows, sorted
    quint32 blockNumber = 0; ///< the block's place among the merged queue's blocks

    [[nodiscard]] QStringView path(qsizetype row) const
    {
        const qsizetype start = row == 0 ? 0 : pathEnds[static_cast<size_t>(row - 1)];
        return QStringView(block->text).sliced(start, pathEnds[static_cast<size_t>(row)] - start);
    }
    [[nodiscard]] QByteArrayView key(qsizetype row) const
    {
        const qsizetype start = row == 0 ? 0 : keyEnds[static_cast<size_t>(row - 1)];
        return QByteArrayView(block->keys).sliced(start, keyEnds[static_cast<size_t>(row)] - start);
    }
    [[nodiscard]] Entries::Row entry(qsizetype row) const
    {
        const qsizetype pathStart = row == 0 ? 0 : pathEnds[static_cast<size_t>(row - 1)];
        const qsizetype keyStart = row == 0 ? 0 : keyEnds[static_cast<size_t>(row - 1)];
        return { pathStart, keyStart, blockNumber, static_cast<quint32>(pathEnds[static_cast<size_t>(row)] - pathStart),
                 static_cast<quint32>(keyEnds[static_cast<size_t>(row)] - keyStart) };
    }
    [[nodiscard]] qsizetype size() const
    {
        return static_cast<qsizetype>(order.size());
    }
};

struct CQueueOrder::Sortable {
    quint64 next8; ///< eight bytes of the row's key
    qsizetype row;
};

void CQueueOrder::sortRows(const Run &run, Sortable *begin, Sortable *end, qsizetype offset)
{
    std::sort(begin, end, [](const Sortable &a, const Sortable &b) { return a.next8 < b.next8; });
    // Rows whose eight bytes are the same are sorted by the eight after them. A key never holds a zero byte, so
    // one that ends within the eight ends exactly where every other key with the same eight does: those keys are
    // equal, and their paths decide.
    for (Sortable *group = begin; group != end;) {
        Sortable *const groupEnd
            = std::find_if(group + 1, end, [group](const Sortable &s) { return s.next8 != group->next8; });
        if (groupEnd - group > 1) {
            const qsizetype next = offset + 8;
            if (run.key(group->row).size() <= next) {
                std::sort(group, groupEnd,
                          [&run](const Sortable &a, const Sortable &b) { return run.path(a.row) < run.path(b.row); });
            } else {
                std::for_each(group, groupEnd,
                              [&run, next](Sortable &s) { s.next8 = eightBytesOf(run.key(s.row), next); });
                sortRows(run, group, groupEnd, next);
            }
        }
        group = groupEnd;
    }
}

CQueueOrder::Run CQueueOrder::keyedRun(CPathBlock paths) const
{
    Run run;
    run.block = std::make_shared<Entries::Block>();
    std::tie(run.block->text, run.pathEnds) = paths.take();
    const auto rows = static_cast<qsizetype>(run.pathEnds.size());
    run.block->paths = rows;
    // Keys run about as long as their paths; space reserved but never written costs nothing.
    QByteArray &keys = run.block->keys;
    keys.reserve(2 * run.block->text.size() + 16 * rows);
    CSystem::preferHugePages(keys.constData(), keys.capacity());
    run.keyEnds.reserve(static_cast<size_t>(rows));
    CSystem::preferHugePages(run.keyEnds.data(), rows * qsizetype(sizeof(qsizetype)));
    for (qsizetype row = 0; row < rows; ++row) {
        keys.append(keyInBuffer(run.path(row)));
        run.keyEnds.push_back(keys.size());
    }
    // Rows are sorted by eight key bytes at a time, held next to the row number, starting after the bytes every
    // key of the block shares (the folder, when a drop comes from one): a comparison reads no key, and each key is
    // read once for every eight bytes that rows still share with it.
    qsizetype shared = rows > 0 ? run.key(0).size() : 0;
    for (qsizetype row = 1; row < rows && shared > 0; ++row) {
        const QByteArrayView a = run.key(0).first(shared);
        const QByteArrayView b = run.key(row);
        shared = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
    }
    std::vector<Sortable> sortable(static_cast<size_t>(rows));
    for (qsizetype row = 0; row < rows; ++row)
        sortable[static_cast<size_t>(row)] = { eightBytesOf(run.key(row), shared), row };
    sortRows(run, sortable.data(), sortable.data() + rows, shared);
    run.order.resize(static_cast<size_t>(rows));
    std::transform(sortable.cbegin(), sortable.cend(), run.order.begin(), [](const Sortable &s) { return s.row; });
    return run;
}

CQueueOrder::Entries CQueueOrder::withPaths(const Entries &queued, const QStringList &paths) const
{
    const qsizetype slices = paths.size() < kParallelFrom ? 1 : std::max(2, QThread::idealThreadCount());
    std::vector<CPathBlock> blocks(static_cast<size_t>(slices));
    for (qsizetype slice = 0; slice < slices; ++slice) {
        const qsizetype first = paths.size() * slice / slices;
        const qsizetype end = paths.size() * (slice + 1) / slices;
        CPathBlock &block = blocks[static_cast<size_t>(slice)];
        qsizetype units = 0;
        for (qsizetype i = first; i < end; ++i)
            units += paths.at(i).size();
        block.reserve(end - first, units);
        for (qsizetype i = first; i < end; ++i)
            block.append(paths.at(i));
    }
    return withBlocks(queued, std::move(blocks));
}

CQueueOrder::Entries CQueueOrder::withBlocks(const Entries &queued, std::vector<CPathBlock> blocks) const
{
    // Each block is keyed and sorted where it was keyed, with a collator of its own, so no collator is shared
    // between threads.
    std::vector<Run> runs(blocks.size());
    if (blocks.size() == 1) {
        runs.front() = keyedRun(std::move(blocks.front()));
    } else {
        QList<qsizetype> indices(static_cast<qsizetype>(blocks.size()));
        std::iota(indices.begin(), indices.end(), 0);
        QtConcurrent::blockingMap(indices, [&blocks, &runs](qsizetype index) {
            const CQueueOrder order;
            runs[static_cast<size_t>(index)] = order.keyedRun(std::move(blocks[static_cast<size_t>(index)]));
        });
    }
    Entries result;
    result.blocks = queued.blocks;
    Sources all { { 0, queued.size() }, {} };
    qsizetype rows = queued.size();
    for (Run &run : runs) {
        run.blockNumber = static_cast<quint32>(result.blocks.size());
        result.blocks.push_back(run.block);
        all.runs.push_back({ 0, run.size() });
        rows += run.size();
    }
    result.rows.reserve(static_cast<size_t>(rows));
    CSystem::preferHugePages(result.rows.data(), rows * qsizetype(sizeof(Entries::Row)));
    result.rows.resize(static_cast<size_t>(rows));
    const qsizetype written = rows < kParallelFrom ? mergeSources(queued, runs, all, result.rows.data())
                                                   : mergeHalves(queued, runs, all, result.rows.data());
    result.rows.resize(static_cast<size_t>(written));
    result.compactBlocks();
    return result;
}

qsizetype CQueueOrder::mergeHalves(const Entries &queued, const std::vector<Run> &runs, const Sources &all,
                                   Entries::Row *out)
{
    // The largest source's middle row splits every source in two; a path and its twins all fall on the same
    // side. The upper half is written on another core where the lower half would end without duplicates, and
    // moved down by what duplicates in the lower half saved.
    QByteArrayView pivotKey;
    QStringView pivotPath;
    qsizetype largest = queued.size();
    if (largest > 0) {
        pivotKey = queued.key(largest / 2);
        pivotPath = queued.path(largest / 2);
    }
    for (const Run &run : runs) {
        if (run.size() > largest) {
            largest = run.size();
            const qsizetype row = run.order[static_cast<size_t>(largest / 2)];
            pivotKey = run.key(row);
            pivotPath = run.path(row);
        }
    }
    Sources lower = all;
    Sources upper = all;
    qsizetype low = 0;
    qsizetype high = queued.size();
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        if (lessThan(queued.key(middle), queued.path(middle), pivotKey, pivotPath))
            low = middle + 1;
        else
            high = middle;
    }
    lower.queued.second = upper.queued.first = low;
    qsizetype lowerRows = low;
    for (size_t r = 0; r < runs.size(); ++r) {
        const Run &run = runs[r];
        const auto split = std::partition_point(run.order.cbegin(), run.order.cend(), [&](qsizetype row) {
            return lessThan(run.key(row), run.path(row), pivotKey, pivotPath);
        });
        const auto at = static_cast<qsizetype>(split - run.order.cbegin());
        lower.runs[r].second = upper.runs[r].first = at;
        lowerRows += at;
    }
    qsizetype upperWritten = 0;
    QFuture<void> upperDone
        = QtConcurrent::run([&] { upperWritten = mergeSources(queued, runs, upper, out + lowerRows); });
    const qsizetype lowerWritten = mergeSources(queued, runs, lower, out);
    upperDone.waitForFinished();
    if (lowerWritten < lowerRows)
        std::memmove(out + lowerWritten, out + lowerRows, static_cast<size_t>(upperWritten) * sizeof(Entries::Row));
    return lowerWritten + upperWritten;
}

qsizetype CQueueOrder::mergeSources(const Entries &queued, const std::vector<Run> &runs, Sources sources,
                                    Entries::Row *out)
{
    QByteArrayView lastKey;
    QStringView lastPath;
    qsizetype written = 0;
    for (;;) {
        QByteArrayView key;
        QStringView path;
        bool found = sources.queued.first < sources.queued.second;
        if (found) {
            key = queued.key(sources.queued.first);
            path = queued.path(sources.queued.first);
        }
        qsizetype from = -1;
        qsizetype fromRow = sources.queued.first;
        for (size_t r = 0; r < runs.size(); ++r) {
            const std::pair<qsizetype, qsizetype> &range = sources.runs[r];
            if (range.first == range.second)
                continue;
            const Run &run = runs[r];
            const qsizetype candidate = run.order[static_cast<size_t>(range.first)];
            if (!found || lessThan(run.key(candidate), run.path(candidate), key, path)) {
                key = run.key(candidate);
                path = run.path(candidate);
                found = true;
                from = static_cast<qsizetype>(r);
                fromRow = candidate;
            }
        }
        if (!found)
            break;
        ++(from >= 0 ? sources.runs[static_cast<size_t>(from)].first : sources.queued.first);
        // The order is total, so a path given twice, or already queued, meets its twin here.
        if (written > 0 && lastKey == key && lastPath == path)
            continue;
        out[written++] = from >= 0 ? runs[static_cast<size_t>(from)].entry(fromRow) : queued.row(fromRow);
        lastKey = key;
        lastPath = path;
    }
    return written;
}

CQueueOrder::Entries CQueueOrder::sortedEntries(const QStringList &paths) const
{
    return withPaths(Entries(), paths);
}

qsizetype CQueueOrder::Entries::size() const
{
    return static_cast<qsizetype>(rows.size() - front);
}

const CQueueOrder::Entries::Row &CQueueOrder::Entries::row(qsizetype at) const
{
    return rows[front + static_cast<size_t>(at)];
}

QStringView CQueueOrder::Entries::path(qsizetype row) const
{
    const Row &at = this->row(row);
    return QStringView(blocks[at.block]->text).sliced(at.pathStart, at.pathLength);
}

QByteArrayView CQueueOrder::Entries::key(qsizetype row) const
{
    const Row &at = this->row(row);
    return QByteArrayView(blocks[at.block]->keys).sliced(at.keyStart, at.keyLength);
}

QStringList CQueueOrder::Entries::paths() const
{
    QStringList result;
    result.reserve(size());
    for (qsizetype row = 0; row < size(); ++row)
        result << path(row).toString();
    return result;
}

// The item filed is usually the first: its row goes at the cost of the rows before it, whatever the queue's length.
void CQueueOrder::Entries::erase(qsizetype row)
{
    const auto at = rows.begin() + static_cast<std::ptrdiff_t>(front) + row;
    if (row < size() / 2) {
        std::move_backward(rows.begin() + static_cast<std::ptrdiff_t>(front), at, at + 1);
        ++front;
    } else {
        rows.erase(at);
    }
}

void CQueueOrder::Entries::eraseIf(const std::function<bool(qsizetype row)> &drop)
{
    size_t kept = front;
    for (size_t at = front; at < rows.size(); ++at) {
        if (!drop(static_cast<qsizetype>(at - front)))
            rows[kept++] = rows[at];
    }
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(kept), rows.end());
}

void CQueueOrder::Entries::compactBlocks()
{
    rows.erase(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(front));
    front = 0;
    std::vector<qsizetype> used(blocks.size(), 0);
    for (const Row &row : rows)
        ++used[row.block];
    const auto sparse = [&](size_t block) { return 2 * used[block] < blocks[block]->paths; };
    bool anySparse = false;
    for (size_t block = 0; block < blocks.size(); ++block)
        anySparse = anySparse || sparse(block);
    if (!anySparse)
        return;
    std::vector<std::shared_ptr<const Block>> kept;
    std::vector<quint32> renumbered(blocks.size(), 0);
    std::vector<std::shared_ptr<Block>> copies(blocks.size());
    for (size_t block = 0; block < blocks.size(); ++block) {
        if (used[block] == 0)
            continue;
        renumbered[block] = static_cast<quint32>(kept.size());
        if (sparse(block)) {
            copies[block] = std::make_shared<Block>();
            copies[block]->paths = used[block];
            kept.push_back(copies[block]);
        } else {
            kept.push_back(blocks[block]);
        }
    }
    for (Row &row : rows) {
        if (const std::shared_ptr<Block> &copy = copies[row.block]) {
            const Block &old = *blocks[row.block];
            const qsizetype pathStart = copy->text.size();
            const qsizetype keyStart = copy->keys.size();
            copy->text.append(QStringView(old.text).sliced(row.pathStart, row.pathLength));
            copy->keys.append(QByteArrayView(old.keys).sliced(row.keyStart, row.keyLength));
            row.pathStart = pathStart;
            row.keyStart = keyStart;
        }
        row.block = renumbered[row.block];
    }
    blocks = std::move(kept);
}

qsizetype CQueueOrder::Entries::indexOf(QStringView wantedPath, QByteArrayView wantedKey) const
{
    qsizetype low = 0;
    qsizetype high = size();
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        if (lessThan(key(middle), path(middle), wantedKey, wantedPath))
            low = middle + 1;
        else
            high = middle;
    }
    return low < size() && path(low) == wantedPath ? low : -1;
}

QStringList CQueueOrder::sorted(const QStringList &paths) const
{
    return sortedEntries(paths).paths();
}

QStringList CQueueOrder::merged(const QStringList &a, const QStringList &b) const
{
    QStringList result;
    result.reserve(a.size() + b.size());
    std::merge(a.cbegin(), a.cend(), b.cbegin(), b.cend(), std::back_inserter(result),
               [this](const QString &x, const QString &y) { return lessThan(x, y); });
    return result;
}
