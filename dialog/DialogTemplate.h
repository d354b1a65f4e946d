// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialog/ControlIds.h"

#include <QRect>
#include <QSize>
#include <QString>

#include <span>

class QFont;

/// The main window's layout as data: every control with its place in dialog units, in tab order.
class CDialogTemplate
{
public:
    enum class Kind { QueueList, DropEdit, DropCombo, DropButton, PushButton, GroupBox, Label, Picture };

    enum Style : unsigned {
        NoStyle = 0,
        Disabled = 1u << 0,
        ReadOnly = 1u << 1,
        AcceptsDrops = 1u << 2,
        Sorted = 1u << 3,
        Editable = 1u << 4,
        DefaultButton = 1u << 5,
        Hidden = 1u << 6,
    };

    struct Item {
        int id;
        const char *name; ///< the identifier's name, used as the widget's object name
        Kind kind;
        QString text;
        QRect dlu; ///< x, y, width, height in dialog units
        unsigned styles;
    };

    static constexpr QSize sizeInDlu { 462, 324 };

    [[nodiscard]] static std::span<const Item> items();
    [[nodiscard]] static const Item *find(int id);

    /// Horizontal and vertical dialog base units of a font, measured the way the Windows dialog manager does.
    [[nodiscard]] static QSize baseUnits(const QFont &font);
    [[nodiscard]] static QRect toPixels(const QRect &dlu, QSize baseUnits);
};
