// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/QueueOrder.h"

#include <algorithm>
#include <vector>

namespace
{
QLocale collationLocale()
{
    // The C locale collates by code unit and ignores numeric mode; English gives the usual file-manager order.
    const QLocale system;
    return system.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : system;
}
} // namespace

CQueueOrder::CQueueOrder()
    : m_collator(collationLocale())
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setNumericMode(true);
}

bool CQueueOrder::lessThan(const QString &a, const QString &b) const
{
    const int order = m_collator.compare(a, b);
    return order != 0 ? order < 0 : a < b;
}

QStringList CQueueOrder::sorted(QStringList paths) const
{
    // Sort keys make each comparison a byte compare instead of a full collation.
    struct Keyed {
        QCollatorSortKey key;
        qsizetype index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(static_cast<size_t>(paths.size()));
    for (qsizetype i = 0; i < paths.size(); ++i)
        keyed.push_back({ m_collator.sortKey(paths.at(i)), i });
    std::sort(keyed.begin(), keyed.end(), [&paths](const Keyed &a, const Keyed &b) {
        const int order = a.key.compare(b.key);
        return order != 0 ? order < 0 : paths.at(a.index) < paths.at(b.index);
    });
    QStringList result;
    result.reserve(paths.size());
    for (const Keyed &k : keyed)
        result << paths.at(k.index);
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
