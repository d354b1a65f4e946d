// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LocalDate.h"

QDate CLocalDate::today()
{
    return QDate::currentDate();
}
