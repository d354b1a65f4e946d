// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTemporaryDir>

/// Real files and folders for one test, under a folder removed with it.
class CTempTree
{
public:
    [[nodiscard]] QString path() const;
    [[nodiscard]] QString filePath(const QString &relative) const;
    /// Creates an empty file and the folders above it; returns its path.
    QString file(const QString &relative) const;
    /// Creates a folder and the folders above it; returns its path.
    QString folder(const QString &relative) const;

private:
    QTemporaryDir m_dir;
};
