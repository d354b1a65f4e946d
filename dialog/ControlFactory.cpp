// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog/ControlFactory.h"

#include "controls/MyButton.h"
#include "controls/MyComboBox.h"
#include "controls/MyEdit.h"
#include "controls/MyListBox.h"
#include "dialog/AccessibleTexts.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include <QFontMetrics>
#include <QStyle>

#include <algorithm>
#include <span>

using namespace Qt::Literals::StringLiterals;

namespace
{
QWidget *createControl(const CDialogTemplate::Item &control, QWidget *parent)
{
    using Kind = CDialogTemplate::Kind;
    switch (control.kind) {
    case Kind::QueueList:
        return new CMyListBox(parent);
    case Kind::DropEdit:
        return new CMyEdit(parent);
    case Kind::DropCombo: {
        auto *combo = new CMyComboBox(parent);
        combo->setEditable((control.styles & CDialogTemplate::Editable) != 0);
        // A typed text must be used as typed: completion would turn "12" into a listed "12月", "/data/a" into a
        // listed "/data/ab", and leaving the field would swap "/data/Docs" for a listed "/data/docs".
        combo->setCompleter(nullptr);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setSorted((control.styles & CDialogTemplate::Sorted) != 0);
        combo->lineEdit()->setAcceptDrops(false);
        return combo;
    }
    case Kind::DropButton:
        return new CMyButton(control.caption(), parent);
    case Kind::PushButton:
        return new QPushButton(control.caption(), parent);
    case Kind::GroupBox: {
        // The template puts a group's first controls half a caption line below the frame's top, as Windows
        // draws the frame through the middle of its caption; frames drawn below the caption would cut them.
        auto *group = new QGroupBox(control.caption(), parent);
        group->setStyleSheet(u"QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 0.5em; }"
                             "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"_s);
        return group;
    }
    case Kind::Label:
        return new QLabel(control.caption(), parent);
    case Kind::Picture: {
        auto *picture = new QLabel(parent);
        //: The banner drawn in the interface's language (scripts/make-icons.sh draws them)
        picture->setPixmap(QPixmap(QCoreApplication::translate("CPlindorDlg", ":/banner.png")));
        picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return picture;
    }
    }
    return nullptr;
}

void applyStyles(QWidget *widget, const CDialogTemplate::Item &control)
{
    widget->setObjectName(QString::fromLatin1(control.name));
    const QString name = CAccessibleTexts::name(control.id);
    widget->setAccessibleName(name.isEmpty() ? control.caption() : name);
    widget->setAccessibleDescription(CAccessibleTexts::description(control.id));
    widget->setEnabled((control.styles & CDialogTemplate::Disabled) == 0);
    widget->setVisible((control.styles & CDialogTemplate::Hidden) == 0);
    widget->setAcceptDrops((control.styles & CDialogTemplate::AcceptsDrops) != 0);
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        edit->setReadOnly((control.styles & CDialogTemplate::ReadOnly) != 0);
    if (auto *button = qobject_cast<QPushButton *>(widget))
        button->setDefault((control.styles & CDialogTemplate::DefaultButton) != 0);
    const bool tabStop = control.kind != CDialogTemplate::Kind::GroupBox && control.kind != CDialogTemplate::Kind::Label
        && control.kind != CDialogTemplate::Kind::Picture;
    widget->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::NoFocus);
}
} // namespace

QWidget *CControlFactory::create(const CDialogTemplate::Item &control, QWidget *parent)
{
    QWidget *widget = createControl(control, parent);
    applyStyles(widget, control);
    return widget;
}

QFont CControlFactory::dialogFont()
{
    QFont font;
    font.setFamilies({ u"微软雅黑"_s, u"Microsoft YaHei"_s, u"Noto Sans CJK SC"_s, u"Noto Sans SC"_s,
                       u"Source Han Sans SC"_s, u"WenQuanYi Micro Hei"_s });
    font.setPointSize(9);
    return font;
}

// A bold face whose full line height is `cellHeight` pixels, as the Windows font mapper sizes a positive height.
QFont CControlFactory::boldFont(int cellHeight)
{
    QFont font = dialogFont();
    font.setWeight(QFont::Bold);
    font.setPixelSize(cellHeight);
    const QFontMetrics metrics(font);
    const int fullHeight = metrics.ascent() + metrics.descent();
    if (fullHeight > 0)
        font.setPixelSize(std::max(1, cellHeight * cellHeight / fullHeight));
    return font;
}

void CControlFactory::setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    for (QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled })
        palette.setColor(group, QPalette::Text, colour);
    widget->setPalette(palette);
}

QSize CControlFactory::place(const QList<QWidget *> &controls, QSize units)
{
    const std::span<const CDialogTemplate::Item> items = CDialogTemplate::items();
    for (std::size_t k = 0; k < items.size(); ++k) {
        const CDialogTemplate::Item &control = items[k];
        QWidget *widget = controls.at(qsizetype(k));
        QRect place = CDialogTemplate::toPixels(control.dlu, units);
        // A drop-down list's template height includes its opened list; closed, it is as tall as its font needs.
        if (control.kind == CDialogTemplate::Kind::DropCombo)
            place.setHeight(widget->sizeHint().height());
        // A picture control takes the size of its bitmap.
        if (control.kind == CDialogTemplate::Kind::Picture)
            place.setSize(widget->sizeHint());
        widget->setGeometry(place);
    }
    return CDialogTemplate::toPixels(QRect(QPoint(0, 0), CDialogTemplate::sizeInDlu), units).size();
}

// The template's edits are 13 units high, a little less than the 23-pixel font needs with a frame around it: the
// font gives up the difference, never so much that the name becomes hard to read.
void CControlFactory::fitEditFont(std::initializer_list<QLineEdit *> edits, int cellHeight)
{
    constexpr int smallestCell = 14;
    QLineEdit *first = *edits.begin();
    const int room = first->height() - 2 * first->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, first);
    int cell = cellHeight;
    QFont font = boldFont(cell);
    while (cell > smallestCell && QFontMetrics(font).height() > room)
        font = boldFont(--cell);
    for (QLineEdit *edit : edits)
        edit->setFont(font);
}
