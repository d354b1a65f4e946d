// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/EffectiveUser.h"

#include <QtGlobal>

#include <unistd.h>

CEffectiveUser::CEffectiveUser(uid_t uid)
    : m_switched(::geteuid() == 0 && ::seteuid(uid) == 0)
{
}

CEffectiveUser::~CEffectiveUser()
{
    if (m_switched && ::seteuid(0) != 0)
        qFatal("could not become root again");
}
