// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QHash>
#include <QTextLayout>

#include <QStyledItemDelegate>
#include <memory>

/// Paints a queue row as the style paints an item view's row (panel, text, focus frame), but keeps each row's text
/// laid out: shaping a long path costs more than all the rest of a row, and a rename moves every row in view
/// without changing what any of them says.
class CQueueRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    /// The row's text elided to `width`, laid out once for this font, width and elision.
    const QTextLayout &laidOut(const QStyleOptionViewItem &option, int width) const;
    static void paintFocus(QPainter *painter, const QStyleOptionViewItem &option, QPalette::ColorGroup group);

    mutable QHash<QString, std::shared_ptr<QTextLayout>> m_texts;
    mutable QFont m_font;
    mutable int m_width = -1;
    mutable Qt::TextElideMode m_elide = Qt::ElideNone;
};
