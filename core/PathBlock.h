// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <utility>
#include <vector>

/// Paths end to end in one string, as a large drop arrives: no allocation and no string header per path.
class CPathBlock
{
public:
    /// Room for `paths` paths of `units` UTF-16 units in all.
    void reserve(qsizetype paths, qsizetype units);
    void append(QStringView path);
    [[nodiscard]] qsizetype size() const;
    [[nodiscard]] QStringView at(qsizetype index) const;
    /// Where the path `index` starts in the text.
    [[nodiscard]] qsizetype startOf(qsizetype index) const;
    /// Every path's text, end to end, and where each path ends in it; the block is left empty.
    [[nodiscard]] std::pair<QString, std::vector<qsizetype>> take();

private:
    QString m_text;
    std::vector<qsizetype> m_ends;
};
