// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/QueueOrder.h"

#include <QThread>
#include <QtConcurrent>

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

CQueueOrder::Entries mergedRuns(const CQueueOrder::Entries &a, const CQueueOrder::Entries &b)
{
    CQueueOrder::Entries result;
    result.reserve(a.size() + b.size());
    std::merge(a.cbegin(), a.cend(), b.cbegin(), b.cend(), std::back_inserter(result),
               [](const CQueueOrder::Entry &x, const CQueueOrder::Entry &y) { return CQueueOrder::lessThan(x, y); });
    return result;
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

int compareKeys(const QByteArray &a, const QByteArray &b)
{
    const int order = std::memcmp(a.constData(), b.constData(), static_cast<size_t>(std::min(a.size(), b.size())));
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

bool CQueueOrder::lessThan(const Entry &a, const Entry &b)
{
    const int order = compareKeys(a.key, b.key);
    return order != 0 ? order < 0 : a.path < b.path;
}

CQueueOrder::Entry CQueueOrder::entryOf(const QString &path) const
{
    return { path, keyOf(path) };
}

QByteArray CQueueOrder::keyOf(const QString &path) const
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
    return QByteArray(reinterpret_cast<const char *>(m_keyBuffer.data()), std::max(0, size - 1));
}

CQueueOrder::Entries CQueueOrder::sortedEntries(const QStringList &paths) const
{
    // Each slice gets a collator of its own, so no collator is shared between threads; each slice is sorted
    // where it was keyed, and the sorted slices are merged pairwise.
    const qsizetype slices = paths.size() < kParallelFrom ? 1 : std::max<qsizetype>(2, 2 * QThread::idealThreadCount());
    QList<std::pair<qsizetype, qsizetype>> ranges;
    for (qsizetype i = 0; i < slices; ++i)
        ranges.append({ paths.size() * i / slices, paths.size() * (i + 1) / slices });
    const auto keyAndSort = [&paths](const std::pair<qsizetype, qsizetype> &range) {
        const CQueueOrder order;
        Entries entries;
        entries.reserve(static_cast<size_t>(range.second - range.first));
        for (qsizetype i = range.first; i < range.second; ++i)
            entries.push_back(order.entryOf(paths.at(i)));
        std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) { return lessThan(a, b); });
        return entries;
    };
    QList<Entries> runs = slices == 1 ? QList<Entries> { keyAndSort(ranges.constFirst()) }
                                      : QtConcurrent::blockingMapped<QList<Entries>>(ranges, keyAndSort);
    while (runs.size() > 1) {
        QList<Entries> next;
        for (qsizetype i = 0; i + 1 < runs.size(); i += 2)
            next.append(mergedRuns(runs.at(i), runs.at(i + 1)));
        if (runs.size() % 2 != 0)
            next.append(std::move(runs.last()));
        runs = std::move(next);
    }
    Entries result = runs.isEmpty() ? Entries() : std::move(runs.first());
    // Equal paths have equal keys, so a path given twice ends up next to itself.
    result.erase(
        std::unique(result.begin(), result.end(), [](const Entry &a, const Entry &b) { return a.path == b.path; }),
        result.end());
    return result;
}

CQueueOrder::Entries CQueueOrder::merged(const Entries &queued, Entries fresh, std::vector<qsizetype> &addedRows)
{
    Entries result;
    result.reserve(queued.size() + fresh.size());
    addedRows.clear();
    auto next = queued.cbegin();
    for (Entry &entry : fresh) {
        while (next != queued.cend() && lessThan(*next, entry))
            result.push_back(*next++);
        // The order is total, so a path already queued meets its twin here.
        if (next != queued.cend() && next->path == entry.path)
            continue;
        addedRows.push_back(static_cast<qsizetype>(result.size()));
        result.push_back(std::move(entry));
    }
    result.insert(result.end(), next, queued.cend());
    return result;
}

QStringList CQueueOrder::sorted(const QStringList &paths) const
{
    QStringList result;
    result.reserve(paths.size());
    for (const Entry &entry : sortedEntries(paths))
        result << entry.path;
    return result;
}

QStringList CQueueOrder::merged(const QStringList &a, const QStringList &b) const
{
    QStringList result;
    result.reserve(a.size() + b.size());
    std::merge(a.cbegin(), a.cend(), b.cbegin(), b.cend(), std::back_inserter(result),
               [this](const QString &x, const QString &y) { return lessThan(x, y); });
    return result;
}
