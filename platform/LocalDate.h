// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>

/// Today's date on the user's clock and time zone.
class CLocalDate
{
public:
    [[nodiscard]] static QDate today();
};
