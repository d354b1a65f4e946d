// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog/OutcomeTexts.h"

#include "core/Journal.h"
#include "core/PathParts.h"
#include "dialog/WarningTexts.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>

namespace
{
// The item is the one the user just asked about; the list of what waits was given when settling became slow.
QString settlingRefusal()
{
    return QCoreApplication::translate("CPlindorDlg", "这个文件与上次运行时未完成的操作有关，正在收拾，请稍后再试。");
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString findingLine(const JournalFinding &finding)
{
    const QString source = native(finding.source);
    switch (finding.recovery) {
    case JournalRecovery::LeftHidden:
        return QCoreApplication::translate("CPlindorDlg", "%1\n    现在位于：%2").arg(source, native(finding.leftAt));
    case JournalRecovery::LeftTwice:
        if (!finding.sameContent)
            return QCoreApplication::translate("CPlindorDlg",
                                               "%1\n    仍在原处；目标位置另有一个文件，未能确认它是副本：%2")
                .arg(source, native(finding.destination));
        return QCoreApplication::translate("CPlindorDlg", "%1\n    另有一份完整的副本在：%2")
            .arg(source, native(finding.destination));
    case JournalRecovery::Missing:
        return QCoreApplication::translate("CPlindorDlg", "%1\n    已找不到（原本要移到：%2）")
            .arg(source, native(finding.destination));
    default:
        return {};
    }
}
COperationCheck::Warning warning(COperationCheck::Reason reason, const QString &detail = {})
{
    return { reason, detail, 0, 0 };
}

// The failures a warning before the click also names, as that warning.
COperationCheck::Warning warningFor(MoveError error, const QString &destination)
{
    using Reason = COperationCheck::Reason;
    const QString folder = CPathParts::directoryOf(destination);
    const QString name = CPathParts::lastComponentOf(destination);
    switch (error) {
    case MoveError::SameFile:
        return warning(Reason::SameName);
    case MoveError::InvalidName:
        return warning(Reason::NameNotAllowed, name);
    case MoveError::SourceMissing:
        return warning(Reason::SourceGone);
    case MoveError::DestinationExists:
        return warning(Reason::NameTaken, name);
    case MoveError::TargetFolderMissing:
        return warning(Reason::FolderMissing, folder);
    case MoveError::TargetNotFolder:
        return warning(Reason::NotAFolder, folder);
    case MoveError::IntoItself:
        return warning(Reason::IntoItself);
    case MoveError::FolderAcrossFilesystems:
        return warning(Reason::FolderAcrossDisks);
    case MoveError::ReadOnlyFilesystem:
        return warning(Reason::FolderReadOnlyDisk, folder);
    default:
        return {};
    }
}

// The failures only the move itself meets.
QString moveOnlyText(MoveError error)
{
    switch (error) {
    case MoveError::NameTooLong:
        return QCoreApplication::translate("CPlindorDlg", "文件名过长");
    case MoveError::PermissionDenied:
        return QCoreApplication::translate("CPlindorDlg", "没有权限（文件可能正被使用，或文件夹不可写入）");
    case MoveError::NoSpace:
        return QCoreApplication::translate("CPlindorDlg", "磁盘空间不足");
    case MoveError::SourceChanged:
        return QCoreApplication::translate("CPlindorDlg", "复制期间原文件被修改，原文件未动");
    case MoveError::Cancelled:
        return QCoreApplication::translate("CPlindorDlg", "已取消，原文件未动");
    case MoveError::IoError:
        return QCoreApplication::translate("CPlindorDlg", "读写磁盘时出错");
    case MoveError::UnsupportedName:
        return QCoreApplication::translate("CPlindorDlg", "目标磁盘不能保存这个文件名");
    case MoveError::PathTooLong:
        return QCoreApplication::translate("CPlindorDlg", "完整路径过长");
    case MoveError::FileTooLarge:
        return QCoreApplication::translate("CPlindorDlg", "文件过大，目标磁盘存不下");
    case MoveError::SourceNotRemoved:
        return QCoreApplication::translate("CPlindorDlg", "已完整复制到目标位置，但原文件无法删除：两处都有这个文件");
    default:
        return {};
    }
}
} // namespace

QString COutcomeTexts::failureReason(MoveError error, const QString &destination)
{
    const COperationCheck::Warning known = warningFor(error, destination);
    return known.ok() ? moveOnlyText(error) : CWarningTexts::text(known);
}

QString COutcomeTexts::failureReason(const COperationRunner::Outcome &outcome)
{
    if (outcome.plan.refusal == COperationPlanner::Refusal::RelativePath)
        return CWarningTexts::text(warning(COperationCheck::Reason::FolderNotAbsolute, outcome.plan.folder));
    if (outcome.kind == COperationRunner::Kind::NotJournalled)
        return QCoreApplication::translate(
                   "CPlindorDlg", "操作记录无法写入：这次操作要分几步完成，中途出错时无从收拾，所以没有执行。\n%1")
            .arg(outcome.journalProblem);
    if (outcome.kind == COperationRunner::Kind::Settling)
        return settlingRefusal();
    if (outcome.kind != COperationRunner::Kind::Failed)
        return {};
    return failureReason(outcome.result.error,
                         outcome.result.destination.isEmpty() ? outcome.plan.destination : outcome.result.destination);
}

QString COutcomeTexts::pathSummary(const QStringList &paths)
{
    constexpr qsizetype shownPaths = 20;
    constexpr qsizetype shownChars = 260;
    QStringList lines;
    for (const QString &path : paths.first(std::min(paths.size(), shownPaths)))
        lines << native(path.size() > shownChars ? path.first(shownChars) + u'…' : path);
    if (paths.size() > shownPaths)
        lines << QCoreApplication::translate("CPlindorDlg", "…等共 %1 个路径").arg(paths.size());
    return lines.join(u'\n');
}

// One message for everything start-up found, so a crash is explained once and not in a row of boxes.
QString COutcomeTexts::notQueued(const QStringList &missing, const QStringList &tooLong)
{
    QStringList problems;
    if (!missing.isEmpty())
        problems
            << QCoreApplication::translate("CPlindorDlg", "以下路径不存在，未加入队列：\n%1").arg(pathSummary(missing));
    if (!tooLong.isEmpty())
        problems << QCoreApplication::translate("CPlindorDlg", "路径过长，未加入队列：\n%1").arg(pathSummary(tooLong));
    return problems.join(u"\n\n");
}

QString COutcomeTexts::journalNotes(const CJournal &journal)
{
    QStringList notes;
    if (!journal.keptAsidePath().isEmpty())
        notes << QCoreApplication::translate("CPlindorDlg", "操作记录已损坏，已另存为：\n%1\n并已新建操作记录。")
                     .arg(native(journal.keptAsidePath()));
    if (!journal.isAvailable())
        notes << journalUnavailable(journal);
    return notes.join(QStringLiteral("\n\n"));
}

// One message for everything settling found, so a crash is explained once and not in a row of boxes.
QString COutcomeTexts::settlingFindings(const QList<JournalFinding> &findings)
{
    QStringList items;
    for (const JournalFinding &finding : findings) {
        if (const QString line = findingLine(finding); !line.isEmpty())
            items << line;
    }
    if (items.isEmpty())
        return {};
    return QCoreApplication::translate("CPlindorDlg", "上次运行时有操作未能完成，以下文件不在预期的位置：\n%1")
        .arg(items.join(u'\n'));
}

// Slow is all that is known: a large copy being compared, or a disk that does not answer.
QString COutcomeTexts::stillSettling(const QStringList &waiting)
{
    return QCoreApplication::translate("CPlindorDlg",
                                       "上次运行时未完成的操作仍在收拾中。收拾完之前，以下文件不能重命名、移动或撤销；"
                                       "如果它们所在的磁盘没有响应，下次启动时会再收拾：\n%1")
        .arg(pathSummary(waiting));
}

QString COutcomeTexts::journalUnavailable(const CJournal &journal)
{
    return QCoreApplication::translate("CPlindorDlg", "操作记录无法使用，本次运行中的操作将不能撤销。\n%1")
        .arg(journal.unavailableReason());
}

QString COutcomeTexts::undoRefusal(const CUndoPlanner::Step &step)
{
    switch (step.refusal) {
    case CUndoPlanner::Refusal::Gone:
        return QCoreApplication::translate("CPlindorDlg", "文件已不在操作后的位置，无法撤销：\n%1")
            .arg(native(step.from));
    case CUndoPlanner::Refusal::Changed:
        return QCoreApplication::translate("CPlindorDlg", "文件在操作之后被修改或替换过，无法撤销：\n%1")
            .arg(native(step.from));
    case CUndoPlanner::Refusal::NameTaken:
        return QCoreApplication::translate("CPlindorDlg", "原位置已有同名的文件或文件夹，无法撤销：\n%1")
            .arg(native(step.to));
    case CUndoPlanner::Refusal::FolderGone:
        return QCoreApplication::translate("CPlindorDlg", "原文件夹已不存在，无法撤销：\n%1").arg(native(step.folder));
    case CUndoPlanner::Refusal::None:
        break;
    }
    return {};
}

QString COutcomeTexts::redoRefusal(const CUndoPlanner::Step &step)
{
    switch (step.refusal) {
    case CUndoPlanner::Refusal::Gone:
        return QCoreApplication::translate("CPlindorDlg", "文件已不在撤销后的位置，无法重做：\n%1")
            .arg(native(step.from));
    case CUndoPlanner::Refusal::Changed:
        return QCoreApplication::translate("CPlindorDlg", "文件在撤销之后被修改或替换过，无法重做：\n%1")
            .arg(native(step.from));
    case CUndoPlanner::Refusal::NameTaken:
        return QCoreApplication::translate("CPlindorDlg", "目标位置已有同名的文件或文件夹，无法重做：\n%1")
            .arg(native(step.to));
    case CUndoPlanner::Refusal::FolderGone:
        return QCoreApplication::translate("CPlindorDlg", "目标文件夹已不存在，无法重做：\n%1")
            .arg(native(step.folder));
    case CUndoPlanner::Refusal::None:
        break;
    }
    return {};
}

// Another program took the old name while the item was under a temporary one: the user must learn where it is.
QString COutcomeTexts::itemLeftAside(const QString &leftAt)
{
    return QCoreApplication::translate("CPlindorDlg", "另一个程序占用了原文件名，文件未能改回原名，现在位于：\n%1")
        .arg(native(leftAt));
}

QString COutcomeTexts::undoFailed(const QString &from)
{
    return QCoreApplication::translate("CPlindorDlg", "撤销失败，文件仍在：\n%1").arg(native(from));
}

QString COutcomeTexts::redoFailed(const QString &from)
{
    return QCoreApplication::translate("CPlindorDlg", "重做失败，文件仍在：\n%1").arg(native(from));
}

COutcomeTexts::Message COutcomeTexts::undoOrRedo(const COperationRunner::Outcome &outcome, bool redo, bool askedByKey)
{
    switch (outcome.kind) {
    case COperationRunner::Kind::JournalUnavailable:
        return { QCoreApplication::translate("CPlindorDlg", "操作记录无法使用，不能撤销或重做。"),
                 QCoreApplication::translate("CPlindorDlg", "操作记录") };
    case COperationRunner::Kind::Nothing:
        if (redo)
            return { QCoreApplication::translate("CPlindorDlg", "没有可以重做的操作。"),
                     QCoreApplication::translate("CPlindorDlg", "重做") };
        return askedByKey ? Message { QCoreApplication::translate("CPlindorDlg", "没有可以撤销的操作。"),
                                      QCoreApplication::translate("CPlindorDlg", "撤销") }
                          : Message {};
    case COperationRunner::Kind::Settling:
        return { settlingRefusal(),
                 redo ? QCoreApplication::translate("CPlindorDlg", "无法重做")
                      : QCoreApplication::translate("CPlindorDlg", "无法撤销") };
    case COperationRunner::Kind::Refused:
        return redo ? Message { redoRefusal(outcome.step), QCoreApplication::translate("CPlindorDlg", "无法重做") }
                    : Message { undoRefusal(outcome.step), QCoreApplication::translate("CPlindorDlg", "无法撤销") };
    case COperationRunner::Kind::Failed:
        return { redo ? redoFailed(outcome.step.from) : undoFailed(outcome.step.from),
                 QCoreApplication::translate("CPlindorDlg", "错误提示") };
    default:
        return {};
    }
}
