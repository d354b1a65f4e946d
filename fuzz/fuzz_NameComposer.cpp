// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// How core/NameComposer builds a name from the three edits, on any strings: see CFuzzChecks::nameComposer().
#include "fuzz/FuzzChecks.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return CFuzzChecks::abortOn(CFuzzChecks::nameComposer(QByteArrayView(data, static_cast<qsizetype>(size))));
}
