// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog/DialogTemplate.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace
{
using T = CDialogTemplate;
constexpr unsigned comboStyles = T::Disabled | T::Sorted | T::Editable;

/// A caption for lupdate to collect; the table keeps it as written, Item::caption() translates it for showing.
QString translatable(const char *source)
{
    return QString::fromUtf8(source);
}

const std::vector<T::Item> &table()
{
    // The six common words stay unmarked: they are data that ends up in Chinese file names, in every language.
    static const std::vector<T::Item> items {
        { IDC_FILE_LIST, "IDC_FILE_LIST", T::Kind::QueueList, {}, { 14, 16, 425, 79 }, T::AcceptsDrops },
        { IDC_EDIT_PREFIX, "IDC_EDIT_PREFIX", T::Kind::DropEdit, {}, { 13, 100, 66, 13 }, T::ReadOnly },
        { IDC_EDIT_NAME, "IDC_EDIT_NAME", T::Kind::DropEdit, {}, { 88, 100, 308, 13 }, T::ReadOnly },
        { IDC_EDIT_SUFFIX, "IDC_EDIT_SUFFIX", T::Kind::DropEdit, {}, { 404, 100, 35, 13 }, T::ReadOnly },
        { IDC_COMBO_TERM_A,
          "IDC_COMBO_TERM_A",
          T::Kind::DropCombo,
          {},
          { 13, 134, 88, 67 },
          comboStyles | T::AcceptsDrops },
        { IDC_COMBO_TERM_B, "IDC_COMBO_TERM_B", T::Kind::DropCombo, {}, { 13, 152, 88, 67 }, comboStyles },
        { IDC_COMBO_DATE, "IDC_COMBO_DATE", T::Kind::DropCombo, {}, { 13, 170, 88, 67 }, comboStyles },
        { IDC_COMBO_SUFFIX, "IDC_COMBO_SUFFIX", T::Kind::DropCombo, {}, { 13, 188, 88, 67 }, comboStyles },
        { IDC_COMBO_TARGET_DIR,
          "IDC_COMBO_TARGET_DIR",
          T::Kind::DropCombo,
          {},
          { 13, 213, 275, 67 },
          T::Disabled | T::Editable | T::AcceptsDrops },
        { IDC_BTN_ADD_TERM_A,
          "IDC_BTN_ADD_TERM_A",
          T::Kind::DropButton,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "添加上期")),
          { 107, 134, 42, 16 },
          T::Disabled },
        { IDC_BTN_ADD_DATE,
          "IDC_BTN_ADD_DATE",
          T::Kind::DropButton,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "添加日期")),
          { 107, 168, 42, 16 },
          T::Disabled },
        { IDC_BTN_ADD_TERM_B,
          "IDC_BTN_ADD_TERM_B",
          T::Kind::DropButton,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "添加下期")),
          { 107, 151, 42, 16 },
          T::Disabled },
        { IDC_BTN_ADD_SUFFIX,
          "IDC_BTN_ADD_SUFFIX",
          T::Kind::DropButton,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "添加后缀")),
          { 107, 185, 42, 16 },
          T::Disabled },
        { IDC_BTN_TEXT1,
          "IDC_BTN_TEXT1",
          T::Kind::DropButton,
          u"示例学校"_s,
          { 262, 181, 76, 19 },
          T::Disabled | T::AcceptsDrops },
        { IDC_BTN_TEXT2,
          "IDC_BTN_TEXT2",
          T::Kind::DropButton,
          u"物理备课组"_s,
          { 262, 157, 76, 19 },
          T::Disabled | T::AcceptsDrops },
        { IDC_BTN_TEXT3,
          "IDC_BTN_TEXT3",
          T::Kind::DropButton,
          u"278班"_s,
          { 262, 133, 76, 19 },
          T::Disabled | T::AcceptsDrops },
        { IDC_BTN_TEXT4,
          "IDC_BTN_TEXT4",
          T::Kind::DropButton,
          u"高一"_s,
          { 178, 133, 76, 19 },
          T::Disabled | T::AcceptsDrops },
        { IDC_BTN_TEXT5,
          "IDC_BTN_TEXT5",
          T::Kind::DropButton,
          u"高二"_s,
          { 178, 157, 76, 19 },
          T::Disabled | T::AcceptsDrops },
        { IDC_BTN_TEXT6,
          "IDC_BTN_TEXT6",
          T::Kind::DropButton,
          u"高三"_s,
          { 178, 181, 76, 19 },
          T::Disabled | T::AcceptsDrops },
        { IDC_BTN_RENAME,
          "IDC_BTN_RENAME",
          T::Kind::PushButton,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "重命名")),
          { 359, 172, 72, 23 },
          T::Disabled | T::DefaultButton },
        { IDCANCEL,
          "IDCANCEL",
          T::Kind::PushButton,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "退出程序")),
          { 360, 293, 72, 23 },
          T::NoStyle },
        { IDC_STATIC,
          "IDC_STATIC",
          T::Kind::GroupBox,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "文件名:")),
          { 7, 7, 448, 113 },
          T::NoStyle },
        { IDC_STATIC,
          "IDC_STATIC",
          T::Kind::GroupBox,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "基本前后缀")),
          { 7, 123, 149, 85 },
          T::NoStyle },
        { IDC_STATIC,
          "IDC_STATIC",
          T::Kind::GroupBox,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "插入常用文本")),
          { 184, 123, 271, 81 },
          T::NoStyle },
        { IDC_BTN_CLEAR,
          "IDC_BTN_CLEAR",
          T::Kind::PushButton,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "清除添加内容")),
          { 359, 137, 72, 23 },
          T::Disabled },
        { IDC_STATIC, "IDC_STATIC", T::Kind::Label, u"+"_s, { 80, 102, 8, 8 }, T::NoStyle },
        { IDC_STATIC, "IDC_STATIC", T::Kind::Label, u"+"_s, { 396, 102, 8, 8 }, T::NoStyle },
        { IDC_BTN_DIR1,
          "IDC_BTN_DIR1",
          T::Kind::DropButton,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "拖入目标文件夹1")),
          { 7, 255, 81, 28 },
          T::Disabled | T::AcceptsDrops },
        { IDC_BTN_DIR2,
          "IDC_BTN_DIR2",
          T::Kind::DropButton,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "拖入目标文件夹2")),
          { 93, 255, 81, 28 },
          T::Disabled | T::AcceptsDrops },
        { IDC_BTN_DIR3,
          "IDC_BTN_DIR3",
          T::Kind::DropButton,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "拖入目标文件夹3")),
          { 179, 255, 81, 28 },
          T::Disabled | T::AcceptsDrops },
        { IDC_BTN_DIR4,
          "IDC_BTN_DIR4",
          T::Kind::DropButton,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "拖入目标文件夹4")),
          { 265, 255, 81, 28 },
          T::Disabled | T::AcceptsDrops },
        { IDC_BTN_DIR5,
          "IDC_BTN_DIR5",
          T::Kind::DropButton,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "拖入目标文件夹5")),
          { 351, 255, 81, 28 },
          T::Disabled | T::AcceptsDrops },
        { IDC_BTN_MOVE,
          "IDC_BTN_MOVE",
          T::Kind::PushButton,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "移动文件")),
          { 359, 210, 72, 23 },
          T::Disabled },
        { IDC_BTN_ADD_DIR,
          "IDC_BTN_ADD_DIR",
          T::Kind::PushButton,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "添加目录")),
          { 299, 207, 46, 14 },
          T::Disabled },
        { IDC_STATIC,
          "IDC_STATIC",
          T::Kind::GroupBox,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "快速移动到指定目录")),
          { 7, 237, 448, 57 },
          T::NoStyle },
        { IDC_BTN_DEL_DIR,
          "IDC_BTN_DEL_DIR",
          T::Kind::PushButton,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "删除目录")),
          { 299, 224, 46, 14 },
          T::Disabled },
        { IDC_BTN_VIEW_DIR,
          "IDC_BTN_VIEW_DIR",
          T::Kind::PushButton,
          translatable(QT_TRANSLATE_NOOP("CDialogTemplate", "查看指定目录")),
          { 446, 293, 9, 22 },
          T::Disabled | T::Hidden },
        { IDC_PICTURE, "IDC_PICTURE", T::Kind::Picture, {}, { 104, 298, 177, 15 }, T::NoStyle },
    };
    return items;
}
} // namespace

QString CDialogTemplate::Item::caption() const
{
    return QCoreApplication::translate("CDialogTemplate", text.toUtf8().constData());
}

std::span<const CDialogTemplate::Item> CDialogTemplate::items()
{
    return table();
}

const CDialogTemplate::Item *CDialogTemplate::find(int id)
{
    for (const Item &item : items()) {
        if (item.id == id)
            return &item;
    }
    return nullptr;
}

QSize CDialogTemplate::baseUnits(const QFont &font)
{
    // Windows averages the width of the 52 Latin letters and rounds half up; the height is the font's full height.
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"_s);
    const int x = (static_cast<int>(std::lround(width)) / 26 + 1) / 2;
    const int y = static_cast<int>(std::ceil(metrics.ascent()) + std::ceil(metrics.descent()));
    return { x, y };
}

QRect CDialogTemplate::toPixels(const QRect &dlu, QSize base)
{
    auto scale = [](int value, int unit, int divisor) { return (value * unit + divisor / 2) / divisor; };
    const int left = scale(dlu.x(), base.width(), 4);
    const int top = scale(dlu.y(), base.height(), 8);
    const int right = scale(dlu.x() + dlu.width(), base.width(), 4);
    const int bottom = scale(dlu.y() + dlu.height(), base.height(), 8);
    return { left, top, right - left, bottom - top };
}

QFont CDialogTemplate::templateFont()
{
    // The template names "MS Shell Dlg", which Windows maps to Tahoma or Microsoft Sans Serif; DejaVu Sans and
    // Liberation Sans are the installed faces closest to them in width and line height.
    QFont font;
    font.setFamilies({ u"MS Shell Dlg 2"_s, u"Tahoma"_s, u"Microsoft Sans Serif"_s, u"DejaVu Sans"_s,
                       u"Liberation Sans"_s, u"Arial"_s });
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(9);
    return font;
}

QSize CDialogTemplate::templateUnits()
{
    // The Windows dialog faces are about 1.21 em from the top of their accents to the bottom of their descenders;
    // a substitute with a taller line, such as a CJK face, would stretch every vertical distance of the table.
    constexpr qreal dialogFaceLine = 1.21;
    const QFont font = templateFont();
    QSize units = baseUnits(font);
    const int faceLine = static_cast<int>(std::ceil(QFontInfo(font).pixelSize() * dialogFaceLine));
    units.setHeight(std::min(units.height(), faceLine));
    return units;
}

QSize CDialogTemplate::smallestUnits(const QFontMetrics &captions, int chrome)
{
    // Checks one direction at a time: widths depend only on the horizontal unit, heights on the vertical one.
    auto holds = [&](QSize units, bool across) {
        for (const Item &item : items()) {
            const QRect box = toPixels(item.dlu, units);
            const bool button = item.kind == Kind::PushButton || item.kind == Kind::DropButton;
            if (button && !item.text.isEmpty() && (item.styles & Hidden) == 0) {
                if (across ? box.width() < captions.horizontalAdvance(item.caption()) + 2 * chrome
                           : box.height() < captions.height() + 2 * chrome)
                    return false;
            }
            if (item.kind != Kind::GroupBox || across)
                continue;
            // A group's caption hangs below the frame's top edge; the controls inside must start below it.
            for (const Item &inner : items()) {
                if (inner.kind != Kind::GroupBox && item.dlu.contains(inner.dlu.topLeft())
                    && toPixels(inner.dlu, units).top() - box.top() < captions.ascent() + 1)
                    return false;
            }
        }
        return true;
    };
    QSize smallest(1, 1);
    while (!holds(smallest, true))
        smallest.rwidth() += 1;
    while (!holds(smallest, false))
        smallest.rheight() += 1;
    return smallest;
}

QSize CDialogTemplate::fittedUnits(QSize units, QSize smallest, QSize room)
{
    QSize fitted = units;
    auto window = [](QSize base) { return toPixels(QRect(QPoint(0, 0), sizeInDlu), base).size(); };
    while (fitted.width() > smallest.width() && window(fitted).width() > room.width())
        fitted.rwidth() -= 1;
    while (fitted.height() > smallest.height() && window(fitted).height() > room.height())
        fitted.rheight() -= 1;
    return fitted;
}
