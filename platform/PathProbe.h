// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

/// Questions about a path that the file system answers. They are asked on CProbePool's threads, and the caller
/// waits at most CProbePool::kWindowWait for each: a hanging mount must not stop the window.
class CPathProbe
{
public:
    /// True for an existing folder, or a link to one. False also when the disk did not answer in time: a folder on
    /// a hanging mount is then split as a file would be, which keeps every character of its name.
    [[nodiscard]] static bool isDirectory(const QString &path);
    /// True for a path longer than the system opens (PATH_MAX bytes with the terminating NUL), which then
    /// looks as if it did not exist.
    [[nodiscard]] static bool isTooLong(const QString &path);

    enum class Presence { Exists, Missing, TooLong, Unknown };
    struct Checked {
        QString path;
        Presence presence = Presence::Unknown;
    };
    /// Each path resolved as CPathIntake::resolved() does it, and whether it exists (a dangling link does). A path
    /// the disk did not answer for in time comes back as given, made absolute, and Unknown.
    [[nodiscard]] static QList<Checked> presenceOf(const QStringList &paths);

    /// presenceOf()'s answers in three lists. A path the disk did not answer for counts as existing: a drop or a
    /// launch found it a moment ago, and the user asked for it.
    struct Sorted {
        QStringList existing;
        QStringList missing;
        QStringList tooLong;
    };
    [[nodiscard]] static Sorted sortByPresence(const QStringList &paths);
};
