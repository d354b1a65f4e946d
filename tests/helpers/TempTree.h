// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTemporaryDir>

/// Real files and folders for one test, under a folder removed with it.
class CTempTree
{
public:
    ~CTempTree();

    [[nodiscard]] QString path() const;
    [[nodiscard]] QString filePath(const QString &relative) const;
    /// Creates an empty file and the folders above it; returns its path.
    QString file(const QString &relative) const;
    /// Creates a file in an existing folder under a name given as bytes (which need not be UTF-8), holding
    /// `content`; returns its full path as bytes.
    QByteArray rawFile(const QByteArray &relative, const QByteArray &content) const;
    /// Creates a folder and the folders above it; returns its path.
    QString folder(const QString &relative) const;

    /// Removes a folder and everything below it by the names' bytes: QDir cannot remove a name it cannot decode.
    static void removeTree(const QString &root);

private:
    QTemporaryDir m_dir;
};
