// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPushButton>

/// A push button that links itself to the folder dropped on it (or to the folder of a dropped file)
/// and shows that folder's name as its caption.
class CMyButton : public QPushButton
{
    Q_OBJECT
public:
    explicit CMyButton(const QString &text, QWidget *parent = nullptr);
    ~CMyButton() override;

    /// Shows `caption` exactly: an '&' in a folder's name is a letter, not a keyboard mnemonic.
    void setCaption(const QString &caption);
    /// The caption as shown and as the common-text buttons insert it.
    [[nodiscard]] QString caption() const;

    QString m_fileName; ///< name of the dropped file; kept when a folder is dropped
    QString m_filePath; ///< parent of the linked folder; empty means not linked
    QString m_filePathName; ///< the linked folder
    QString m_extend; ///< only ever restored from the profile
    QString m_itemText; ///< unused by the button
    QString m_Name; ///< the linked folder's own name
    int m_isFile = 0; ///< 1 when a file was dropped, 0 for a folder

Q_SIGNALS:
    /// A drop linked the button to a folder.
    void linked(CMyButton *button);
    /// The user pressed the right mouse button on the enabled button.
    void rightClicked(CMyButton *button);
    /// Dropped names that cannot be read were refused; the text is for showing only.
    void undecodableDropped(const QStringList &paths);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void link(const QString &path);
};
