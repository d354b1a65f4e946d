// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/WindowPlace.h"

#include <algorithm>

QRect CWindowPlace::keptOnScreen(const QRect &frame, const QRect &available)
{
    if (!available.isValid())
        return frame;
    // Past the right or bottom edge first, then back from the left or top: the top left corner wins.
    const int left = std::max(std::min(frame.left(), available.right() + 1 - frame.width()), available.left());
    const int top = std::max(std::min(frame.top(), available.bottom() + 1 - frame.height()), available.top());
    return { QPoint(left, top), frame.size() };
}
