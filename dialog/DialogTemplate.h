// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialog/ControlIds.h"

#include <QRect>
#include <QSize>
#include <QString>

#include <span>

class QFont;
class QFontMetrics;

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
        QString text; ///< the caption as written, in Chinese: the profile compares stored labels with it
        QRect dlu; ///< x, y, width, height in dialog units
        unsigned styles;

        /// The caption as the window shows it, in the interface's language.
        [[nodiscard]] QString caption() const;
    };

    static constexpr QSize sizeInDlu { 462, 324 };

    [[nodiscard]] static std::span<const Item> items();
    [[nodiscard]] static const Item *find(int id);

    /// Horizontal and vertical dialog base units of a font, measured the way the Windows dialog manager does.
    [[nodiscard]] static QSize baseUnits(const QFont &font);
    /// The sans-serif face at 9 points the template was drawn in, or the closest installed one.
    [[nodiscard]] static QFont templateFont();
    /// Base units of the template's font: the units every distance in the table was chosen for.
    [[nodiscard]] static QSize templateUnits();
    /// The smallest units at which every shown button still holds its caption whole in `captions`, with
    /// `chrome` pixels of frame and margin around the text, and every group's caption clears its controls.
    [[nodiscard]] static QSize smallestUnits(const QFontMetrics &captions, int chrome);
    /// The largest units, at most `units` and at least `smallest`, that make the window fit `room`.
    /// Each direction shrinks only as far as it must.
    [[nodiscard]] static QSize fittedUnits(QSize units, QSize smallest, QSize room);
    [[nodiscard]] static QRect toPixels(const QRect &dlu, QSize baseUnits);
};
