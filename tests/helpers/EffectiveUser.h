// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

/// Acts as another user for a scope, so that mode bits and ownership hold for a test run as root.
class CEffectiveUser
{
public:
    /// The unprivileged user tests switch to.
    static constexpr uid_t nobody = 65534;

    /// Does nothing when not run as root.
    explicit CEffectiveUser(uid_t uid);
    ~CEffectiveUser();
    CEffectiveUser(const CEffectiveUser &) = delete;
    CEffectiveUser &operator=(const CEffectiveUser &) = delete;

private:
    bool m_switched;
};
