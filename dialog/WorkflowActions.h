// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/PlindorSettings.h"

#include <QKeySequence>
#include <QList>
#include <QObject>

#include <array>

class CMyButton;
class QAction;
class QPushButton;
class QWidget;

/// The switches the queue's context menu offers, kept in the profile the moment they flip, and the keys that click
/// the operation buttons: Ctrl+1 … Ctrl+5 the quick-move buttons, Ctrl+Enter "移动文件" (Enter, the default
/// button, renames: its tooltip and description name that key).
class CWorkflowActions : public QObject
{
    Q_OBJECT
public:
    using QuickMoves = std::array<CMyButton *, 5>;

    /// The keys belong to `window`; the buttons are clicked as by the mouse, so a key runs exactly what a click runs.
    /// `rename` keeps its Enter key, which only its tooltip and description name.
    CWorkflowActions(CPlindorSettings &settings, QWidget *window, const QuickMoves &quickMoves, QPushButton *move,
                     QPushButton *rename);
    ~CWorkflowActions() override;

    [[nodiscard]] const CWorkflowOptions &options() const;
    /// The switches and "清空队列", for the queue's context menu.
    [[nodiscard]] QList<QAction *> menuActions() const;
    /// Names each button's key in its tooltip and accessible description, and a linked quick-move button's folder.
    void describeButtons();

    [[nodiscard]] static QKeySequence quickMoveKey(int index);
    [[nodiscard]] static QKeySequence moveKey();

Q_SIGNALS:
    void clearQueueRequested();
    void restoreQueueToggled(bool on);
    void numberOnClashToggled(bool on);

private:
    QAction *addSwitch(const char *name, const QString &text, bool CWorkflowOptions::*member);
    void addKeys(QWidget *window);
    void describe(QPushButton *button, int id, const QKeySequence &key, const QString &linkedFolder);

    CPlindorSettings &m_settings;
    CWorkflowOptions m_options;
    QuickMoves m_quickMoves;
    QPushButton *m_move;
    QPushButton *m_rename;
    QList<QAction *> m_actions;
};
