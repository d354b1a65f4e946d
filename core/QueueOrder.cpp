// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/QueueOrder.h"

#include <QThread>
#include <QtConcurrent>

#include <sys/mman.h>
#include <unicode/ucol.h>

#include <algorithm>
#include <cstring>
#include <iterator>

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

/// A collator configured as QCollator configures its own for the same locale and settings, so that its keys
/// order paths exactly as QCollator::compare() does.
UCollator *openCollator(const QLocale &locale)
{
    UErrorCode status = U_ZERO_ERROR;
    UCollator *collator = ucol_open(locale.bcp47Name().replace(u'-', u'_').toLatin1().constData(), &status);
    if (U_FAILURE(status))
        qFatal("no collator for the locale %s", qPrintable(locale.bcp47Name()));
    ucol_setAttribute(collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
    ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    ucol_setAttribute(collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    if (U_FAILURE(status))
        qFatal("the collator refused its settings: %d", status);
    return collator;
}

/// Asks for huge pages under a large block about to be filled: first touching a million paths' worth of
/// memory a 4 KiB page at a time cost more than keying them did on the build machine.
void preferHugePages(const void *data, qsizetype bytes)
{
    constexpr quintptr huge = 2 * 1024 * 1024;
    if (bytes < qsizetype(huge))
        return;
    const auto start = (reinterpret_cast<quintptr>(data) + huge - 1) & ~(huge - 1);
    const auto end = (reinterpret_cast<quintptr>(data) + static_cast<quintptr>(bytes)) & ~(huge - 1);
    if (end > start)
        madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
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

void CQueueOrder::CollatorCloser::operator()(UCollator *collator) const
{
    ucol_close(collator);
}

CQueueOrder::CQueueOrder()
    : m_collator(collationLocale())
    , m_keyCollator(openCollator(m_collator.locale()))
    , m_keyBuffer(256)
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

QByteArray CQueueOrder::keyOf(const QString &path) const
{
    return keyInBuffer(path).toByteArray();
}

QByteArrayView CQueueOrder::keyInBuffer(const QString &path) const
{
    const auto *text = reinterpret_cast<const UChar *>(path.utf16());
    const auto length = static_cast<int32_t>(path.size());
    int32_t size = ucol_getSortKey(m_keyCollator.get(), text, length, m_keyBuffer.data(),
                                   static_cast<int32_t>(m_keyBuffer.size()));
    if (size > static_cast<int32_t>(m_keyBuffer.size())) {
        m_keyBuffer.resize(static_cast<size_t>(size));
        size = ucol_getSortKey(m_keyCollator.get(), text, length, m_keyBuffer.data(), size);
    }
    // The key's closing zero byte orders nothing: a key that is a prefix of another is shorter.
    return { m_keyBuffer.data(), std::max(0, size - 1) };
}

struct CQueueOrder::Run {
    qsizetype first = 0; ///< the slice's first path
    QByteArray keys;
    std::vector<qsizetype> keyEnds;
    std::vector<qsizetype> order; ///< the slice's rows, sorted

    [[nodiscard]] QByteArrayView key(qsizetype row) const
    {
        const qsizetype start = row == 0 ? 0 : keyEnds[static_cast<size_t>(row - 1)];
        return QByteArrayView(keys).sliced(start, keyEnds[static_cast<size_t>(row)] - start);
    }
};

struct CQueueOrder::Sortable {
    quint64 next8; ///< eight bytes of the row's key
    qsizetype row;
};

void CQueueOrder::sortRows(const Run &run, const QStringList &paths, Sortable *begin, Sortable *end, qsizetype offset)
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
                std::sort(group, groupEnd, [&run, &paths](const Sortable &a, const Sortable &b) {
                    return paths.at(run.first + a.row) < paths.at(run.first + b.row);
                });
            } else {
                std::for_each(group, groupEnd,
                              [&run, next](Sortable &s) { s.next8 = eightBytesOf(run.key(s.row), next); });
                sortRows(run, paths, group, groupEnd, next);
            }
        }
        group = groupEnd;
    }
}

CQueueOrder::Run CQueueOrder::keyedRun(const QStringList &paths, qsizetype first, qsizetype end) const
{
    Run run;
    run.first = first;
    const auto rows = static_cast<size_t>(end - first);
    run.keyEnds.reserve(rows);
    // Keys run about as long as their paths; space reserved but never written costs nothing.
    qsizetype units = 0;
    for (qsizetype i = first; i < end; ++i)
        units += paths.at(i).size();
    run.keys.reserve(2 * units + 16 * (end - first));
    preferHugePages(run.keys.data(), run.keys.capacity());
    for (qsizetype i = first; i < end; ++i) {
        run.keys.append(keyInBuffer(paths.at(i)));
        run.keyEnds.push_back(run.keys.size());
    }
    // Rows are sorted by eight key bytes at a time, held next to the row number, starting after the bytes every
    // key of the slice shares (the folder, when a drop comes from one): a comparison reads no key, and each key is
    // read once for every eight bytes that rows still share with it.
    qsizetype shared = rows > 0 ? run.key(0).size() : 0;
    for (size_t row = 1; row < rows && shared > 0; ++row) {
        const QByteArrayView a = run.key(0).first(shared);
        const QByteArrayView b = run.key(qsizetype(row));
        shared = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
    }
    std::vector<Sortable> sortable(rows);
    for (size_t row = 0; row < rows; ++row)
        sortable[row] = { eightBytesOf(run.key(qsizetype(row)), shared), qsizetype(row) };
    sortRows(run, paths, sortable.data(), sortable.data() + rows, shared);
    run.order.resize(rows);
    std::transform(sortable.cbegin(), sortable.cend(), run.order.begin(), [](const Sortable &s) { return s.row; });
    return run;
}

CQueueOrder::Entries CQueueOrder::withPaths(const Entries &queued, const QStringList &paths) const
{
    // Each slice gets a collator of its own, so no collator is shared between threads; each slice is sorted
    // where it was keyed. Only the final pass copies paths and keys, into blocks reserved once: fresh memory
    // costs a page fault per page.
    const qsizetype slices = paths.size() < kParallelFrom ? 1 : std::max(2, QThread::idealThreadCount());
    QList<std::pair<qsizetype, qsizetype>> ranges;
    for (qsizetype i = 0; i < slices; ++i)
        ranges.append({ paths.size() * i / slices, paths.size() * (i + 1) / slices });
    const QList<Run> runs = slices == 1
        ? QList<Run> { keyedRun(paths, 0, paths.size()) }
        : QtConcurrent::blockingMapped<QList<Run>>(ranges, [&paths](const std::pair<qsizetype, qsizetype> &range) {
              const CQueueOrder order;
              return order.keyedRun(paths, range.first, range.second);
          });
    qsizetype units = queued.text.size();
    qsizetype bytes = queued.keys.size();
    for (const QString &path : paths)
        units += path.size();
    for (const Run &run : runs)
        bytes += run.keys.size();
    Entries result;
    result.reserve(queued.size() + paths.size(), units, bytes);
    // Written in place and cut to length at the end: appending checked and terminated both blocks for every path.
    result.text.resize(units);
    result.keys.resize(bytes);
    Sources all { { 0, queued.size() }, {} };
    for (const Run &run : runs)
        all.runs.push_back({ 0, static_cast<qsizetype>(run.order.size()) });
    if (queued.size() + paths.size() < kParallelFrom)
        mergeSources(queued, paths, runs, all, result.text.data(), result.keys.data(), { 0, 0 }, result.ends);
    else
        mergeHalves(queued, paths, runs, all, result);
    const Entries::Ends written = result.ends.empty() ? Entries::Ends { 0, 0 } : result.ends.back();
    result.text.resize(written.path);
    result.keys.resize(written.key);
    return result;
}

void CQueueOrder::mergeHalves(const Entries &queued, const QStringList &paths, const QList<Run> &runs,
                              const Sources &all, Entries &result)
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
        const auto size = static_cast<qsizetype>(run.order.size());
        if (size > largest) {
            largest = size;
            const qsizetype row = run.order[static_cast<size_t>(size / 2)];
            pivotKey = run.key(row);
            pivotPath = paths.at(run.first + row);
        }
    }
    Sources lower = all;
    Sources upper = all;
    Entries::Ends base { 0, 0 };
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
    if (low > 0)
        base = queued.ends[static_cast<size_t>(low - 1)];
    for (qsizetype r = 0; r < runs.size(); ++r) {
        const Run &run = runs.at(r);
        const auto split = std::partition_point(run.order.cbegin(), run.order.cend(), [&](qsizetype row) {
            return lessThan(run.key(row), paths.at(run.first + row), pivotKey, pivotPath);
        });
        const auto at = static_cast<qsizetype>(split - run.order.cbegin());
        lower.runs[static_cast<size_t>(r)].second = upper.runs[static_cast<size_t>(r)].first = at;
        for (auto row = run.order.cbegin(); row != split; ++row)
            base = { base.path + paths.at(run.first + *row).size(), base.key + run.key(*row).size() };
    }
    QChar *const text = result.text.data();
    char *const keys = result.keys.data();
    std::vector<Entries::Ends> upperEnds;
    upperEnds.reserve(result.ends.capacity());
    QFuture<void> upperDone
        = QtConcurrent::run([&] { mergeSources(queued, paths, runs, upper, text, keys, base, upperEnds); });
    mergeSources(queued, paths, runs, lower, text, keys, { 0, 0 }, result.ends);
    upperDone.waitForFinished();
    const Entries::Ends end = result.ends.empty() ? Entries::Ends { 0, 0 } : result.ends.back();
    const Entries::Ends gap { base.path - end.path, base.key - end.key };
    if (!upperEnds.empty() && (gap.path > 0 || gap.key > 0)) {
        std::memmove(text + end.path, text + base.path,
                     static_cast<size_t>(upperEnds.back().path - base.path) * sizeof(QChar));
        std::memmove(keys + end.key, keys + base.key, static_cast<size_t>(upperEnds.back().key - base.key));
    }
    for (const Entries::Ends &upperEnd : upperEnds)
        result.ends.push_back({ upperEnd.path - gap.path, upperEnd.key - gap.key });
}

void CQueueOrder::mergeSources(const Entries &queued, const QStringList &paths, const QList<Run> &runs, Sources sources,
                               QChar *text, char *keys, Entries::Ends at, std::vector<Entries::Ends> &ends)
{
    QByteArrayView lastKey;
    QStringView lastPath;
    bool any = false;
    for (;;) {
        QByteArrayView key;
        QStringView path;
        qsizetype from = -1;
        bool found = sources.queued.first < sources.queued.second;
        if (found) {
            key = queued.key(sources.queued.first);
            path = queued.path(sources.queued.first);
        }
        for (qsizetype r = 0; r < runs.size(); ++r) {
            const std::pair<qsizetype, qsizetype> &range = sources.runs[static_cast<size_t>(r)];
            if (range.first == range.second)
                continue;
            const Run &run = runs.at(r);
            const qsizetype row = run.order[static_cast<size_t>(range.first)];
            const QStringView candidate = paths.at(run.first + row);
            if (!found || lessThan(run.key(row), candidate, key, path)) {
                key = run.key(row);
                path = candidate;
                from = r;
                found = true;
            }
        }
        if (!found)
            break;
        ++(from >= 0 ? sources.runs[static_cast<size_t>(from)].first : sources.queued.first);
        // The order is total, so a path given twice, or already queued, meets its twin here.
        if (any && lastKey == key && lastPath == path)
            continue;
        std::copy(path.begin(), path.end(), text + at.path);
        std::memcpy(keys + at.key, key.data(), static_cast<size_t>(key.size()));
        at = { at.path + path.size(), at.key + key.size() };
        ends.push_back(at);
        lastKey = key;
        lastPath = path;
        any = true;
    }
}

CQueueOrder::Entries CQueueOrder::sortedEntries(const QStringList &paths) const
{
    return withPaths(Entries(), paths);
}

qsizetype CQueueOrder::Entries::size() const
{
    return static_cast<qsizetype>(ends.size());
}

QStringView CQueueOrder::Entries::path(qsizetype row) const
{
    const qsizetype start = row == 0 ? 0 : ends[static_cast<size_t>(row - 1)].path;
    return QStringView(text).sliced(start, ends[static_cast<size_t>(row)].path - start);
}

QByteArrayView CQueueOrder::Entries::key(qsizetype row) const
{
    const qsizetype start = row == 0 ? 0 : ends[static_cast<size_t>(row - 1)].key;
    return QByteArrayView(keys).sliced(start, ends[static_cast<size_t>(row)].key - start);
}

QStringList CQueueOrder::Entries::paths() const
{
    QStringList result;
    result.reserve(size());
    for (qsizetype row = 0; row < size(); ++row)
        result << path(row).toString();
    return result;
}

void CQueueOrder::Entries::reserve(qsizetype rows, qsizetype textUnits, qsizetype keyBytes)
{
    text.reserve(textUnits);
    keys.reserve(keyBytes);
    ends.reserve(static_cast<size_t>(rows));
    preferHugePages(text.data(), text.capacity() * qsizetype(sizeof(QChar)));
    preferHugePages(keys.data(), keys.capacity());
    preferHugePages(ends.data(), static_cast<qsizetype>(ends.capacity() * sizeof(Ends)));
}

void CQueueOrder::Entries::erase(qsizetype row)
{
    const Ends start = row == 0 ? Ends { 0, 0 } : ends[static_cast<size_t>(row - 1)];
    const Ends length { ends[static_cast<size_t>(row)].path - start.path,
                        ends[static_cast<size_t>(row)].key - start.key };
    text.remove(start.path, length.path);
    keys.remove(start.key, length.key);
    const auto at = ends.erase(ends.begin() + row);
    std::for_each(at, ends.end(), [length](Ends &end) {
        end.path -= length.path;
        end.key -= length.key;
    });
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
