// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>
#include <QHash>
#include <QPixmap>

class CPageWindow;
class CPlindorDlg;
class CPreviewLoader;
class QAction;
class QLabel;
class QTimer;
struct CPreview;

/// The preview of the loaded item beside the window's template: page 1 of a PDF, an image, a cached thumbnail or the
/// type's icon, and a line of facts under it. The window grows to the right by its width while it is shown.
class CPreviewPane : public QFrame
{
    Q_OBJECT
public:
    /// About 320 pixels at 100 % scale.
    static constexpr int kWidth = 320;

    /// Becomes the window's child, follows its loaded item, and adds its show-and-hide action (F3) to the window
    /// and to the queue's menu.
    explicit CPreviewPane(CPlindorDlg *window);
    ~CPreviewPane() override;

    /// Places the pane beside the window's controls, which have just been given the window's size. `room` is the
    /// free area for the window: on a screen too narrow for the pane, it starts hidden.
    void fitBeside(QSize room);
    /// The user's choice from the profile; the pane shows when it is chosen and there is room.
    void setChosen(bool chosen);
    [[nodiscard]] bool isChosen() const;
    /// Shows `path`, or nothing when it is empty.
    void showItem(const QString &path);
    [[nodiscard]] QAction *toggleAction() const;
    [[nodiscard]] CPreviewLoader *loader() const;
    /// Shows page 1 of the loaded item large, in a window of its own (Space in the queue, F4, a click on the page).
    void showPageLarge();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void addPageActions(CPlindorDlg *window);
    void toggle(bool shown);
    void apply(bool shown);
    void loadShownItem();
    void showPreview(const CPreview &preview);
    void showPending();
    [[nodiscard]] QSize pictureBox() const;
    [[nodiscard]] QPixmap iconFor(const CPreview &preview);

    CPreviewLoader *m_loader = nullptr;
    QAction *m_action = nullptr;
    CPageWindow *m_page = nullptr;
    QTimer *m_click = nullptr; ///< a click shows the page once it is plain that it is not half a double click
    QLabel *m_picture = nullptr;
    QLabel *m_reason = nullptr;
    QLabel *m_info = nullptr;
    QSize m_base; ///< the window without the pane
    bool m_doubleClicked = false;
    bool m_chosen = true;
    bool m_room = true;
    QString m_path;
    QString m_shownPath; ///< the path the picture was asked for; empty while hidden
    QHash<QString, QPixmap> m_icons; ///< by icon name: looking one up in the theme reads folders each time
};
