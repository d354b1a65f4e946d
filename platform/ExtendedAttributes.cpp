// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ExtendedAttributes.h"

#include <QtEndian>

#include <cerrno>
#include <linux/posix_acl.h>
#include <linux/posix_acl_xattr.h>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace
{
constexpr char kAccessAcl[] = "system.posix_acl_access";

// listxattr and getxattr answer ERANGE when the list or value grew between asking for the size and reading it.
template <typename Read> QByteArray readGrowing(Read read)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = read(nullptr, 0);
        if (size <= 0)
            return {};
        QByteArray buffer(size, Qt::Uninitialized);
        const ssize_t got = read(buffer.data(), size_t(buffer.size()));
        if (got >= 0)
            return buffer.left(got);
        if (errno != ERANGE)
            return {};
    }
    return {};
}

QList<QByteArray> namesOf(int fd)
{
    const QByteArray list = readGrowing([fd](char *buffer, size_t size) { return ::flistxattr(fd, buffer, size); });
    QList<QByteArray> names = list.split('\0');
    names.removeAll(QByteArray());
    return names;
}

QByteArray valueOf(int fd, const QByteArray &name, bool *ok)
{
    // An attribute may be empty, so an empty answer alone does not tell a failure.
    errno = 0;
    const QByteArray value = readGrowing(
        [fd, &name](char *buffer, size_t size) { return ::fgetxattr(fd, name.constData(), buffer, size); });
    *ok = !value.isEmpty() || errno == 0;
    return value;
}
// The target has no room for such an attribute, or no such attributes at all: the copy is whole without it, as
// with mv. Anything else (an I/O error, a full disk) is a failed write.
bool cannotStore(int err)
{
    return err == EOPNOTSUPP || err == ENOTSUP || err == EPERM || err == EACCES || err == ERANGE || err == E2BIG
        || err == EINVAL || err == ENOSYS;
}
} // namespace

QList<QByteArray> CExtendedAttributes::copy(int from, int to, mode_t mode, int *failure)
{
    QList<QByteArray> refused;
    *failure = 0;
    for (const QByteArray &name : namesOf(from)) {
        bool ok = false;
        const QByteArray value = valueOf(from, name, &ok);
        if (ok && ::fsetxattr(to, name.constData(), value.constData(), size_t(value.size()), 0) == 0)
            continue;
        if (ok && !cannotStore(errno)) {
            *failure = errno;
            return refused;
        }
        refused.append(name);
        const int group = name == kAccessAcl ? owningGroupPermissions(value) : -1;
        if (group >= 0)
            ::fchmod(to, (mode & 07707) | mode_t(group << 3));
    }
    return refused;
}

int CExtendedAttributes::owningGroupPermissions(const QByteArray &acl)
{
    constexpr qsizetype header = sizeof(posix_acl_xattr_header);
    constexpr qsizetype entry = sizeof(posix_acl_xattr_entry);
    if (acl.size() < header || (acl.size() - header) % entry != 0
        || qFromLittleEndian<quint32>(acl.constData()) != POSIX_ACL_XATTR_VERSION)
        return -1;
    int group = -1;
    int mask = 07;
    for (qsizetype at = header; at < acl.size(); at += entry) {
        const char *raw = acl.constData() + at;
        const quint16 tag = qFromLittleEndian<quint16>(raw);
        if (tag == ACL_GROUP_OBJ)
            group = qFromLittleEndian<quint16>(raw + 2) & 07;
        else if (tag == ACL_MASK)
            mask = qFromLittleEndian<quint16>(raw + 2) & 07;
    }
    // With a mask, the owning group may do only what both its entry and the mask allow.
    return group < 0 ? -1 : group & mask;
}
