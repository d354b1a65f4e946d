// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QPointer>

class CPreviewLoader;
class QLabel;
struct CPreview;

/// Page 1 of the loaded item as large as the screen allows, drawn by the same preview helper as the pane, so that
/// its body text can be read. Esc, Space or F4 closes it, and the focus goes back where it was.
class CPageWindow : public QDialog
{
    Q_OBJECT
public:
    CPageWindow(QWidget *parent, CPreviewLoader *loader);

    /// Shows page 1 of `path`, window-modal; the widget that has the focus now gets it back on closing.
    void showPage(const QString &path);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showPreview(const CPreview &preview);
    void restoreFocus();
    [[nodiscard]] QSize pictureBox() const;

    CPreviewLoader *m_loader = nullptr;
    QLabel *m_picture = nullptr;
    QLabel *m_reason = nullptr;
    QString m_path;
    QSize m_box;
    QPointer<QWidget> m_focus;
};
