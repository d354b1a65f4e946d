// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/PathBlock.h"
#include "core/System.h"

void CPathBlock::reserve(qsizetype paths, qsizetype units)
{
    m_text.reserve(units);
    m_ends.reserve(static_cast<size_t>(paths));
    CSystem::preferHugePages(m_text.constData(), m_text.capacity() * qsizetype(sizeof(QChar)));
    CSystem::preferHugePages(m_ends.data(), static_cast<qsizetype>(m_ends.capacity() * sizeof(qsizetype)));
}

void CPathBlock::append(QStringView path)
{
    m_text.append(path);
    m_ends.push_back(m_text.size());
}

qsizetype CPathBlock::size() const
{
    return static_cast<qsizetype>(m_ends.size());
}

QStringView CPathBlock::at(qsizetype index) const
{
    const qsizetype start = startOf(index);
    return QStringView(m_text).sliced(start, m_ends[static_cast<size_t>(index)] - start);
}

qsizetype CPathBlock::startOf(qsizetype index) const
{
    return index == 0 ? 0 : m_ends[static_cast<size_t>(index - 1)];
}

std::pair<QString, std::vector<qsizetype>> CPathBlock::take()
{
    return { std::exchange(m_text, {}), std::exchange(m_ends, {}) };
}
