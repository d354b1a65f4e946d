// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// The limits the preview helper runs under, so that no document it reads can cost the window more than the helper.
/// On Linux the helper sets them on itself before it opens anything: an address-space and a CPU-time limit, and a
/// system-call filter that refuses sockets and any open for writing, creating, renaming or removing files. On
/// Windows the window puts the helper in a Job object with a memory and a CPU-time limit that ends it with the window.
class CHelperLimits
{
public:
    static constexpr qint64 kAddressSpaceBytes = qint64(1) << 30;
    static constexpr int kCpuSeconds = 60;

    CHelperLimits();
    ~CHelperLimits();
    CHelperLimits(const CHelperLimits &) = delete;
    CHelperLimits &operator=(const CHelperLimits &) = delete;

    /// In the helper, first thing: what could not be given up, empty when all was.
    [[nodiscard]] static QString confineSelf();
    /// In the window, once the helper started: puts it under the limits the window holds for it.
    void adopt(qint64 processId);

private:
    [[maybe_unused]] void *m_job = nullptr; ///< the Job object, on Windows; Linux holds none
};
