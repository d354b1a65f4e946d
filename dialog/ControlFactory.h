// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialog/DialogTemplate.h"

#include <QFont>

class QColor;
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
};
