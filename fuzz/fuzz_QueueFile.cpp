// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// A saved queue's file, whatever a damaged disk leaves of it: see CFuzzChecks::queueFile().
#include "fuzz/FuzzChecks.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return CFuzzChecks::abortOn(CFuzzChecks::queueFile(QByteArrayView(data, static_cast<qsizetype>(size))));
}
