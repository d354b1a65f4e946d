// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

/// A file's bytes; "<unreadable>" where it cannot be read, so that a comparison fails and shows why.
inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

/// Writes `bytes` to `path`, replacing what is there, or only as a new file with `QIODevice::NewOnly`. Returns
/// false when it could not: callers check with QVERIFY, which a helper's own check could not end the test for.
[[nodiscard]] inline bool writeBytes(const QString &path, const QByteArray &bytes,
                                     QIODevice::OpenMode mode = QIODevice::Truncate)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | mode) && file.write(bytes) == bytes.size();
}
