// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HelperLimits.h"

#include <QStringList>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <vector>

#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>

using namespace Qt::Literals::StringLiterals;

namespace
{
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

#if defined(__x86_64__)
constexpr quint32 kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr quint32 kArch = AUDIT_ARCH_AARCH64;
#else
constexpr quint32 kArch = 0;
#endif

constexpr quint32 kDeny = SECCOMP_RET_ERRNO | (EACCES & SECCOMP_RET_DATA);
constexpr quint32 kAllow = SECCOMP_RET_ALLOW;
constexpr quint32 kWriting = O_WRONLY | O_RDWR | O_CREAT | O_TRUNC | O_APPEND;

/// What a reader of documents never needs: the network (and any socket), and changing the file system. A deny-list
/// rather than an allow-list: the C library, Qt's image plugins, Qt PDF and the sanitizers need a wide and changing
/// set of calls, and none of them needs these.
constexpr auto kDenied = std::to_array<long>(
    { SYS_socket, SYS_socketpair, SYS_connect, SYS_bind, SYS_listen, SYS_accept, SYS_accept4,
#ifdef SYS_creat
      SYS_creat,
#endif
#ifdef SYS_rename
      SYS_rename, SYS_unlink, SYS_rmdir, SYS_mkdir, SYS_link, SYS_symlink, SYS_chmod, SYS_chown, SYS_lchown, SYS_mknod,
      SYS_utime, SYS_utimes,
#endif
      SYS_renameat, SYS_renameat2, SYS_unlinkat, SYS_mkdirat, SYS_linkat, SYS_symlinkat, SYS_mknodat, SYS_truncate,
      SYS_fchmod, SYS_fchmodat, SYS_fchown, SYS_fchownat, SYS_utimensat, SYS_setxattr, SYS_lsetxattr, SYS_fsetxattr,
      SYS_removexattr, SYS_lremovexattr, SYS_fremovexattr, SYS_open_by_handle_at, SYS_io_uring_setup,
      // Its flags lie in a structure the filter cannot read; the C library falls back to openat.
      SYS_openat2 });

sock_filter statement(quint16 code, quint32 k)
{
    return BPF_STMT(code, k);
}

sock_filter jump(quint16 code, quint32 k, quint8 yes, quint8 no)
{
    return BPF_JUMP(code, k, yes, no);
}

/// An open of `call` whose flags (argument `argument`) ask for anything but reading is refused.
void refuseWritingOpen(std::vector<sock_filter> &filter, long call, int argument)
{
    const auto flags = quint32(offsetof(seccomp_data, args) + 8 * argument); // the low half, on little-endian CPUs
    filter.push_back(jump(BPF_JMP | BPF_JEQ | BPF_K, quint32(call), 0, 5));
    filter.push_back(statement(BPF_LD | BPF_W | BPF_ABS, flags));
    filter.push_back(statement(BPF_ALU | BPF_AND | BPF_K, kWriting));
    filter.push_back(jump(BPF_JMP | BPF_JEQ | BPF_K, 0, 0, 1));
    filter.push_back(statement(BPF_RET | BPF_K, kAllow));
    filter.push_back(statement(BPF_RET | BPF_K, kDeny));
}

std::vector<sock_filter> program()
{
    std::vector<sock_filter> filter;
    filter.push_back(statement(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)));
    filter.push_back(jump(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0));
    filter.push_back(statement(BPF_RET | BPF_K, kDeny));
    filter.push_back(statement(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)));
#ifdef __x86_64__
    // The x32 numbers would name the same calls by other numbers.
    filter.push_back(jump(BPF_JMP | BPF_JGE | BPF_K, 0x40000000, 0, 1));
    filter.push_back(statement(BPF_RET | BPF_K, kDeny));
#endif
    for (const long call : kDenied) {
        filter.push_back(jump(BPF_JMP | BPF_JEQ | BPF_K, quint32(call), 0, 1));
        filter.push_back(statement(BPF_RET | BPF_K, kDeny));
    }
#ifdef SYS_open
    refuseWritingOpen(filter, SYS_open, 1);
#endif
    refuseWritingOpen(filter, SYS_openat, 2);
    filter.push_back(statement(BPF_RET | BPF_K, kAllow));
    return filter;
}

bool filterCalls()
{
    if (kArch == 0 || ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return false;
    std::vector<sock_filter> filter = program();
    const sock_fprog prog { static_cast<unsigned short>(filter.size()), filter.data() };
    return ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &prog) == 0;
}

bool limit(int resource, rlim_t soft, rlim_t hard)
{
    const rlimit value { soft, hard };
    return ::setrlimit(resource, &value) == 0;
}
} // namespace

CHelperLimits::CHelperLimits() = default;

CHelperLimits::~CHelperLimits() = default;

QString CHelperLimits::confineSelf()
{
    QStringList missing;
    // The helper ends with the window, whatever way the window ends.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0);
    limit(RLIMIT_CORE, 0, 0);
    if (!limit(RLIMIT_CPU, kCpuSeconds, kCpuSeconds + 1))
        missing << u"CPU time"_s;
    // AddressSanitizer reserves terabytes of address space for its shadow memory; its own RSS limit stands in.
    if (!kAddressSanitizer && !limit(RLIMIT_AS, rlim_t(kAddressSpaceBytes), rlim_t(kAddressSpaceBytes)))
        missing << u"address space"_s;
    if (!filterCalls())
        missing << u"system-call filter"_s;
    return missing.join(u", "_s);
}

void CHelperLimits::adopt(qint64 processId)
{
    Q_UNUSED(processId)
}
