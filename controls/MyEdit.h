// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

/// A name-editor field that can take a path dropped on it, when drops are enabled for it.
class CMyEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit CMyEdit(QWidget *parent = nullptr);
    ~CMyEdit() override;

    QString m_fileName; ///< file name with extension; set for a file only
    QString m_filePath; ///< directory part; a folder's parent
    QString m_filePathName; ///< the dropped path
    QString m_extend; ///< extension with its dot; empty for a folder
    QString m_itemText; ///< unused by the edit
    QString m_Name; ///< base name, or the folder's own name
    int m_isFile = 0; ///< 1 for a file, 0 for a folder

Q_SIGNALS:
    /// `path` was dropped and split into the members above.
    void pathDropped(const QString &path);
    /// Dropped names that cannot be read were refused; the text is for showing only.
    void undecodableDropped(const QStringList &paths);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};
