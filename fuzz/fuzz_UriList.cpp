// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Reading a drag's text/uri-list without QUrl, against reading it with QUrl: see CFuzzChecks::uriList().
#include "fuzz/FuzzChecks.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return CFuzzChecks::abortOn(CFuzzChecks::uriList(QByteArrayView(data, static_cast<qsizetype>(size))));
}
