// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog/WarningTexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>

using namespace Qt::Literals::StringLiterals;

namespace
{
using Reason = COperationCheck::Reason;

QString size(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeIecFormat);
}

// A control character cannot be seen, so it is named by its code.
QString shownCharacter(const QString &character)
{
    if (character.size() == 1 && character.at(0).unicode() < 0x20)
        return QCoreApplication::translate("CWarningTexts", "控制字符 U+%1")
            .arg(uint(character.at(0).unicode()), 4, 16, QChar(u'0'))
            .toUpper();
    return u"“"_s + character + u"”"_s;
}

QString nameRuleText(const COperationCheck::Warning &w)
{
    if (w.detail == QString(QChar(0)))
        return QCoreApplication::translate("CWarningTexts", "文件名不能含有空字符");
    if (w.detail == "/"_L1)
        return QCoreApplication::translate("CWarningTexts", "文件名不能含有“/”");
    return QCoreApplication::translate("CWarningTexts", "文件名不能是“%1”").arg(w.detail);
}

// Linux limits names and paths in bytes; Windows counts UTF-16 units, which a user reads as characters.
QString lengthText(const COperationCheck::Warning &w, [[maybe_unused]] const QString &inBytes,
                   [[maybe_unused]] const QString &inUnits)
{
#ifdef Q_OS_WIN
    return inUnits.arg(w.amount).arg(w.limit);
#else
    return inBytes.arg(w.amount).arg(w.limit);
#endif
}

QString nameText(const COperationCheck::Warning &w)
{
    switch (w.reason) {
    case Reason::NameMissing:
        return QCoreApplication::translate("CWarningTexts", "未填写文件名");
    case Reason::NameNotAllowed:
        return nameRuleText(w);
    case Reason::PathTooLong:
        return lengthText(w, QCoreApplication::translate("CWarningTexts", "完整路径过长：%1 字节，最多 %2 字节"),
                          QCoreApplication::translate("CWarningTexts", "完整路径过长：%1 个字符，最多 %2 个字符"));
    case Reason::NameTooLong:
        return lengthText(w, QCoreApplication::translate("CWarningTexts", "文件名过长：%1 字节，此磁盘最多 %2 字节"),
                          QCoreApplication::translate("CWarningTexts", "文件名过长：%1 个字符，此磁盘最多 %2 个字符"));
    case Reason::ForbiddenCharacter:
        return QCoreApplication::translate("CWarningTexts", "此磁盘的文件名不能含有%1").arg(shownCharacter(w.detail));
    case Reason::EndsWithDotOrSpace:
        return w.detail == "."_L1 ? QCoreApplication::translate("CWarningTexts", "此磁盘的文件名不能以“.”结尾")
                                  : QCoreApplication::translate("CWarningTexts", "此磁盘的文件名不能以空格结尾");
    case Reason::ReservedName:
        return QCoreApplication::translate("CWarningTexts", "“%1”是此磁盘保留的设备名，不能用作文件名").arg(w.detail);
    case Reason::SameName:
        return QCoreApplication::translate("CWarningTexts", "新文件名与原文件名相同");
    case Reason::NameTaken:
        return QCoreApplication::translate("CWarningTexts", "目标文件夹中已有“%1”").arg(w.detail);
    case Reason::NameNumbered:
        return QCoreApplication::translate("CWarningTexts", "名称已存在，将使用“%1”").arg(w.detail);
    default:
        return {};
    }
}

QString placeText(const COperationCheck::Warning &w)
{
    const QString folder = QDir::toNativeSeparators(w.detail);
    switch (w.reason) {
    case Reason::NoFolderChosen:
        return QCoreApplication::translate("CWarningTexts", "请先选择目标文件夹");
    case Reason::ButtonNotLinked:
        return QCoreApplication::translate("CWarningTexts", "此按钮尚未链接文件夹，请拖入目标文件夹");
    case Reason::FolderNotAbsolute:
        return QCoreApplication::translate("CWarningTexts", "目标文件夹不是完整路径：%1").arg(folder);
    case Reason::SourceGone:
        return QCoreApplication::translate("CWarningTexts", "原文件已不存在");
    case Reason::FolderMissing:
        return QCoreApplication::translate("CWarningTexts", "目标文件夹不存在：%1").arg(folder);
    case Reason::NotAFolder:
        return QCoreApplication::translate("CWarningTexts", "目标不是文件夹：%1").arg(folder);
    case Reason::FolderNotWritable:
        return QCoreApplication::translate("CWarningTexts", "目标文件夹不可写入：%1").arg(folder);
    case Reason::FolderReadOnlyDisk:
        return QCoreApplication::translate("CWarningTexts", "目标文件夹所在磁盘只读：%1").arg(folder);
    case Reason::IntoItself:
        return QCoreApplication::translate("CWarningTexts", "不能把文件夹移入它自己");
    case Reason::FolderAcrossDisks:
        return QCoreApplication::translate("CWarningTexts", "文件夹不能移到另一个磁盘");
    case Reason::SourceFolderNotWritable:
        return QCoreApplication::translate("CWarningTexts", "原文件所在文件夹不可写入，无法移走原文件");
    case Reason::FileTooLarge:
        return QCoreApplication::translate("CWarningTexts", "文件过大：%1，此磁盘单个文件最大 %2")
            .arg(size(w.amount), size(w.limit));
    case Reason::NotEnoughSpace:
        return QCoreApplication::translate("CWarningTexts", "磁盘空间不足：需要 %1，剩余 %2")
            .arg(size(w.amount), size(w.limit));
    default:
        return {};
    }
}
} // namespace

QString CWarningTexts::text(const COperationCheck::Warning &warning)
{
    if (warning.ok())
        return {};
    const QString name = nameText(warning);
    return name.isEmpty() ? placeText(warning) : name;
}

QString CWarningTexts::toolTip(const COperationCheck::Warning &warning)
{
    return warning.ok() ? QString() : u"⚠ "_s + text(warning);
}
