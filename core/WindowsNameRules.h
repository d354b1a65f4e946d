// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChar>
#include <QString>

/// The rules names follow on the disks of Windows and of USB sticks (FAT, exFAT, NTFS), whatever driver mounts them.
class CWindowsNameRules
{
public:
    /// The first character such a disk cannot store (\ : * ? " < > | and control characters); a null QChar when there
    /// is none.
    [[nodiscard]] static QChar firstForbidden(const QString &name);
    /// True for a name ending in a dot or a space, which Windows drops and some drivers drop silently too.
    [[nodiscard]] static bool endsWithDotOrSpace(const QString &name);
    /// The device name ("CON", "com1"…) that `name` stands for with or without an extension; empty when it is none.
    [[nodiscard]] static QString reservedDevice(const QString &name);
};
