// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The queue's sort order, merge and comparison, on any strings: see CFuzzChecks::queueOrder().
#include "fuzz/FuzzChecks.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return CFuzzChecks::abortOn(CFuzzChecks::queueOrder(QByteArrayView(data, static_cast<qsizetype>(size))));
}
