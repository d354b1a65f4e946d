// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/BenchSupport.h"

#include <algorithm>

void CSilentPrompter::message(QWidget *, const QString &, const QString &, const QString &)
{
}

QString CSilentPrompter::chooseFolder(QWidget *, const QString &, const QString &)
{
    return {};
}

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
