// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The path splits and joins of core/PathParts, on any strings: see CFuzzChecks::pathParts().
#include "fuzz/FuzzChecks.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return CFuzzChecks::abortOn(CFuzzChecks::pathParts(QByteArrayView(data, static_cast<qsizetype>(size))));
}
