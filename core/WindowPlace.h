// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

/// Where a window goes back to: the place it was closed at, moved as little as needed to lie on the screen.
class CWindowPlace
{
public:
    /// `frame` moved inside `available`; a frame larger than the area keeps the area's top left corner, where the
    /// title bar stays within reach.
    [[nodiscard]] static QRect keptOnScreen(const QRect &frame, const QRect &available);
};
