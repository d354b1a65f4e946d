// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog/AccessibleTexts.h"

#include "dialog/ControlIds.h"

#include <QCoreApplication>
#include <QHash>

namespace
{
struct Texts {
    const char *name;
    const char *description;
};

const QHash<int, Texts> &table()
{
    static const QHash<int, Texts> texts {
        { IDC_FILE_LIST,
          { QT_TRANSLATE_NOOP("CAccessibleTexts", "待改名文件队列"),
            QT_TRANSLATE_NOOP(
                "CAccessibleTexts",
                "把文件或文件夹拖到这里排队；第一项载入下方编辑框。Delete 键从队列移除所选项，不删除文件") } },
        { IDC_EDIT_PREFIX,
          { QT_TRANSLATE_NOOP("CAccessibleTexts", "前缀"),
            QT_TRANSLATE_NOOP("CAccessibleTexts", "加在新文件名前面的文字") } },
        { IDC_EDIT_NAME,
          { QT_TRANSLATE_NOOP("CAccessibleTexts", "文件名"),
            QT_TRANSLATE_NOOP("CAccessibleTexts", "新文件名的主体，不含扩展名") } },
        { IDC_EDIT_SUFFIX,
          { QT_TRANSLATE_NOOP("CAccessibleTexts", "后缀"),
            QT_TRANSLATE_NOOP("CAccessibleTexts", "加在新文件名后面、扩展名前面的文字") } },
        { IDC_COMBO_TERM_A,
          { QT_TRANSLATE_NOOP("CAccessibleTexts", "学期列表一"),
            QT_TRANSLATE_NOOP("CAccessibleTexts", "选中的学期立即作为前缀") } },
        { IDC_COMBO_TERM_B,
          { QT_TRANSLATE_NOOP("CAccessibleTexts", "学期列表二"),
            QT_TRANSLATE_NOOP("CAccessibleTexts", "选中的学期立即作为前缀") } },
        { IDC_COMBO_DATE,
          { QT_TRANSLATE_NOOP("CAccessibleTexts", "日期列表"),
            QT_TRANSLATE_NOOP("CAccessibleTexts", "选中的日期立即作为前缀") } },
        { IDC_COMBO_SUFFIX,
          { QT_TRANSLATE_NOOP("CAccessibleTexts", "编号后缀列表"),
            QT_TRANSLATE_NOOP("CAccessibleTexts", "选中的编号立即作为后缀") } },
        { IDC_COMBO_TARGET_DIR,
          { QT_TRANSLATE_NOOP("CAccessibleTexts", "目标文件夹"),
            QT_TRANSLATE_NOOP("CAccessibleTexts", "“移动文件”把文件移入这里显示的文件夹") } },
        { IDC_BTN_ADD_TERM_A, { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "把学期列表一中的学期作为前缀") } },
        { IDC_BTN_ADD_TERM_B, { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "把学期列表二中的学期作为前缀") } },
        { IDC_BTN_ADD_DATE, { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "把日期列表中的日期作为前缀") } },
        { IDC_BTN_ADD_SUFFIX, { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "把编号后缀列表中的编号作为后缀") } },
        { IDC_BTN_TEXT1,
          { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "把按钮上的文字加到文件名前面；拖入文件夹可改变这段文字") } },
        { IDC_BTN_TEXT2,
          { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "把按钮上的文字加到文件名前面；拖入文件夹可改变这段文字") } },
        { IDC_BTN_TEXT3,
          { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "把按钮上的文字加到文件名前面；拖入文件夹可改变这段文字") } },
        { IDC_BTN_TEXT4,
          { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "把按钮上的文字加到文件名前面；拖入文件夹可改变这段文字") } },
        { IDC_BTN_TEXT5,
          { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "把按钮上的文字加到文件名前面；拖入文件夹可改变这段文字") } },
        { IDC_BTN_TEXT6,
          { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "把按钮上的文字加到文件名前面；拖入文件夹可改变这段文字") } },
        { IDC_BTN_CLEAR, { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "清空前缀和后缀，恢复原文件名") } },
        { IDC_BTN_DIR1,
          { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "改名并移入此按钮链接的文件夹；拖入文件夹可设置链接") } },
        { IDC_BTN_DIR2,
          { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "改名并移入此按钮链接的文件夹；拖入文件夹可设置链接") } },
        { IDC_BTN_DIR3,
          { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "改名并移入此按钮链接的文件夹；拖入文件夹可设置链接") } },
        { IDC_BTN_DIR4,
          { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "改名并移入此按钮链接的文件夹；拖入文件夹可设置链接") } },
        { IDC_BTN_DIR5,
          { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "改名并移入此按钮链接的文件夹；拖入文件夹可设置链接") } },
        { IDC_BTN_RENAME, { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "在原文件夹中按新名字重命名，不覆盖已有文件") } },
        { IDC_BTN_MOVE, { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "改名并移入目标文件夹，不覆盖已有文件") } },
        { IDC_BTN_ADD_DIR, { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "选择一个文件夹加入目标文件夹列表") } },
        { IDC_BTN_DEL_DIR, { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "从目标文件夹列表中删除所选文件夹") } },
        { IDC_PICTURE, { QT_TRANSLATE_NOOP("CAccessibleTexts", "拖入文件 · 改好名字 · 归入文件夹"), "" } },
        { IDCANCEL, { "", QT_TRANSLATE_NOOP("CAccessibleTexts", "保存设置并退出") } },
    };
    return texts;
}
} // namespace

QString CAccessibleTexts::name(int id)
{
    return QCoreApplication::translate("CAccessibleTexts", table().value(id).name);
}

QString CAccessibleTexts::description(int id)
{
    return QCoreApplication::translate("CAccessibleTexts", table().value(id).description);
}
