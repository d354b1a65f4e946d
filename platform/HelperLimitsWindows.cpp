// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HelperLimits.h"

#include <windows.h>

CHelperLimits::CHelperLimits()
{
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job)
        return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_PROCESS_MEMORY | JOB_OBJECT_LIMIT_PROCESS_TIME
        | JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
    limits.BasicLimitInformation.PerProcessUserTimeLimit.QuadPart = LONGLONG(kCpuSeconds) * 10'000'000;
    limits.ProcessMemoryLimit = SIZE_T(kAddressSpaceBytes);
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        return;
    }
    m_job = job;
}

// The last handle to the job closes with the window: the helper in it ends too.
CHelperLimits::~CHelperLimits()
{
    if (m_job)
        CloseHandle(static_cast<HANDLE>(m_job));
}

QString CHelperLimits::confineSelf()
{
    // No error dialog of the system's for a helper that crashes: the window says why.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    return {};
}

// The helper runs for a moment before it is in the job; it reads its first question only after that, as the window
// writes the question once this returned.
void CHelperLimits::adopt(qint64 processId)
{
    if (!m_job)
        return;
    HANDLE process = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(processId));
    if (!process)
        return;
    AssignProcessToJobObject(static_cast<HANDLE>(m_job), process);
    CloseHandle(process);
}
