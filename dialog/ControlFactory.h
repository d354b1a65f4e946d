// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialog/DialogTemplate.h"

#include <QFont>

#include <QList>

#include <initializer_list>

class QColor;
class QLineEdit;
class QWidget;

/// Makes the window's controls from its template, and the faces and colours they are drawn in.
class CControlFactory
{
public:
    /// The control the template describes, with its object name, accessible texts, styles and tab stop.
    [[nodiscard]] static QWidget *create(const CDialogTemplate::Item &control, QWidget *parent);
    [[nodiscard]] static QFont dialogFont();
    /// A bold face whose full line height is `cellHeight` pixels, as the Windows font mapper sizes a positive
    /// height.
    [[nodiscard]] static QFont boldFont(int cellHeight);
    static void setTextColour(QWidget *widget, const QColor &colour);
    /// Places the template's controls, `controls` in template order, at `units`; answers the window's size.
    [[nodiscard]] static QSize place(const QList<QWidget *> &controls, QSize units);
    /// The largest bold face up to `cellHeight` pixels whose line fits inside the edits' frames.
    static void fitEditFont(std::initializer_list<QLineEdit *> edits, int cellHeight);
};
