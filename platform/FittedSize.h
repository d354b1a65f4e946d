// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <QSizeF>

/// The largest size of `size`'s shape that fits in `box`, at least one pixel each way; empty for an empty `size`.
/// Inline, because the PDF module, which cannot call into the program, sizes its pages by the same rule as the
/// preview sizes its images.
[[nodiscard]] inline QSize fittedSize(QSizeF size, QSize box)
{
    if (size.isEmpty())
        return {};
    const QSize scaled = size.scaled(QSizeF(box), Qt::KeepAspectRatio).toSize();
    return scaled.expandedTo(QSize(1, 1)).boundedTo(box);
}
