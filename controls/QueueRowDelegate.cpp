// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/QueueRowDelegate.h"

#include <QApplication>
#include <QPainter>

namespace
{
/// More than any screen shows at once; beyond it the texts are laid out anew rather than kept for a whole queue.
constexpr qsizetype kKeptTexts = 1024;

QStyle *styleOf(const QStyleOptionViewItem &option)
{
    return option.widget ? option.widget->style() : QApplication::style();
}
} // namespace

void CQueueRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem row = option;
    initStyleOption(&row, index);
    QStyle *style = styleOf(row);
    // The colours the style's own row painting picks.
    QPalette::ColorGroup group = row.state.testFlag(QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !row.state.testFlag(QStyle::State_Active))
        group = QPalette::Inactive;
    painter->save();
    painter->setClipRect(row.rect);
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &row, painter, row.widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, row.widget) + 1;
    const QRect area = row.rect.adjusted(margin, 0, -margin, 0);
    const QTextLayout &text = laidOut(row, area.width());
    const QRect placed
        = QStyle::alignedRect(row.direction, row.displayAlignment, text.boundingRect().size().toSize(), area);
    painter->setPen(row.palette.color(
        group, row.state.testFlag(QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
    text.draw(painter, placed.topLeft());
    if (row.state.testFlag(QStyle::State_HasFocus))
        paintFocus(painter, row, group);
    painter->restore();
}

const QTextLayout &CQueueRowDelegate::laidOut(const QStyleOptionViewItem &option, int width) const
{
    if (width != m_width || option.font != m_font || option.textElideMode != m_elide || m_texts.size() >= kKeptTexts) {
        m_texts.clear();
        m_width = width;
        m_font = option.font;
        m_elide = option.textElideMode;
    }
    auto found = m_texts.find(option.text);
    if (found == m_texts.end()) {
        // One line, as the queue's rows are one line high.
        QString line = option.text;
        line.replace(u'\n', QChar::LineSeparator);
        auto text = std::make_shared<QTextLayout>(
            QFontMetrics(option.font).elidedText(line, option.textElideMode, width), option.font);
        text->setCacheEnabled(true);
        text->beginLayout();
        text->createLine();
        text->endLayout();
        found = m_texts.insert(option.text, std::move(text));
    }
    return **found;
}

void CQueueRowDelegate::paintFocus(QPainter *painter, const QStyleOptionViewItem &option, QPalette::ColorGroup group)
{
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(option);
    QStyle *style = styleOf(option);
    focus.rect = style->subElementRect(QStyle::SE_ItemViewItemFocusRect, &option, option.widget);
    focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
    focus.backgroundColor = option.palette.color(
        group, option.state.testFlag(QStyle::State_Selected) ? QPalette::Highlight : QPalette::Window);
    style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
}
