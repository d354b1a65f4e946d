// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QProcess;

/// The file systems a test mounts as root (tmpfs, FUSE exFAT, plindor_faultfs), undone newest first when it goes.
///
/// Declare it after the QTemporaryDir that holds the mount points, so the mounts go before their folders.
/// Every call returns the mount point, or an empty string with the reason in failure() for a QSKIP.
class CTestMounts
{
public:
    CTestMounts();
    ~CTestMounts();
    CTestMounts(const CTestMounts &) = delete;
    CTestMounts &operator=(const CTestMounts &) = delete;

    /// A tmpfs on `point` (made if missing) with mount `options` such as "size=16m,mode=0777".
    QString tmpfs(const QString &point, const char *options);
    /// A FUSE exFAT file system of `size` bytes on `point`, as a USB stick gets: no RENAME_NOREPLACE, no hard links,
    /// names without case. Its image is made in `imageFolder` and removed once mounted, so listings do not see it.
    QString exfat(const QString &point, const QString &imageFolder, qint64 size = 16 * 1024 * 1024);
    /// An ext4 file system of `size` bytes on `point`, on a loop device: a disk whose folder syncs take as long as a
    /// journal commit. Its lost+found is removed, so listings see only what the test makes.
    QString ext4(const QString &point, const QString &imageFolder, qint64 size = 32 * 1024 * 1024);
    /// plindor_faultfs passing `backing` through on `point` with the given `switches` ("--size-zero", "--no-links",
    /// "--delay-ms", "50", ...); the mount table then shows "fuse.<subtype>" when `subtype` is given.
    /// Call it from the test's own thread: the daemon ends with the thread that started it.
    QString faultfs(const QString &backing, const QString &point, const QStringList &switches,
                    const QString &subtype = {});
    /// `folder` bind-mounted on itself read-only: mode bits do not stop root, a read-only mount does.
    QString readOnly(const QString &folder);
    /// Undoes the mount on `point` before the end of the test; false when this object did not mount it.
    bool unmount(const QString &point);
    /// Why the last call returned an empty string: "needs root ...", "FUSE unavailable: ..." (not built, no /dev/fuse,
    /// no mount within 5 s), or the error met, such as "plindor_faultfs failed: <what it said>".
    [[nodiscard]] QString failure() const;

private:
    struct Mount;
    QString fail(const QString &reason);
    QString loopImage(const QString &point, const QString &imageFolder, qint64 size, QStringList format,
                      QStringList mountCommand);
    static void undo(Mount &mount);

    std::vector<std::unique_ptr<Mount>> m_mounts;
    QString m_failure;
};
