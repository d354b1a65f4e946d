// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog/WorkflowActions.h"

#include "controls/MyButton.h"
#include "dialog/AccessibleTexts.h"
#include "dialog/ControlIds.h"

#include <QAction>
#include <QDir>
#include <QShortcut>

using namespace Qt::Literals::StringLiterals;

CWorkflowActions::CWorkflowActions(CPlindorSettings &settings, QWidget *window, const QuickMoves &quickMoves,
                                   QPushButton *move, QPushButton *rename)
    : QObject(window)
    , m_settings(settings)
    , m_options(settings.load().options)
    , m_quickMoves(quickMoves)
    , m_move(move)
    , m_rename(rename)
{
    addSwitch("actionKeepPieces", tr("保留前缀和后缀"), &CWorkflowOptions::keepPieces);
    QAction *number = addSwitch("actionNumberOnClash", tr("名称已存在时自动编号"), &CWorkflowOptions::numberOnClash);
    connect(number, &QAction::toggled, this, &CWorkflowActions::numberOnClashToggled);
    addSwitch("actionQuietQuickMove", tr("快捷移动后不再提示"), &CWorkflowOptions::quietQuickMove);
    QAction *restore = addSwitch("actionRestoreQueue", tr("下次启动时恢复队列"), &CWorkflowOptions::restoreQueue);
    connect(restore, &QAction::toggled, this, &CWorkflowActions::restoreQueueToggled);
    auto *clear = new QAction(tr("清空队列"), this);
    clear->setObjectName(u"actionClearQueue"_s);
    connect(clear, &QAction::triggered, this, &CWorkflowActions::clearQueueRequested);
    m_actions << clear;
    addKeys(window);
    for (CMyButton *button : m_quickMoves)
        connect(button, &CMyButton::linked, this, &CWorkflowActions::describeButtons);
}

CWorkflowActions::~CWorkflowActions() = default;

const CWorkflowOptions &CWorkflowActions::options() const
{
    return m_options;
}

QList<QAction *> CWorkflowActions::menuActions() const
{
    return m_actions;
}

QKeySequence CWorkflowActions::quickMoveKey(int index)
{
    return QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + index));
}

QKeySequence CWorkflowActions::moveKey()
{
    return QKeySequence(Qt::CTRL | Qt::Key_Return);
}

// Written at once: a switch must outlive a session that is killed rather than closed.
QAction *CWorkflowActions::addSwitch(const char *name, const QString &text, bool CWorkflowOptions::*member)
{
    auto *action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setCheckable(true);
    action->setChecked(m_options.*member);
    connect(action, &QAction::toggled, this, [this, member](bool on) {
        m_options.*member = on;
        m_settings.saveOptions(m_options);
    });
    m_actions << action;
    return action;
}

// The window's keys reach it from the edits and the queue alike; a disabled button ignores its key as its click.
// A key held down files one item, not one for every repeat the keyboard sends while it is held.
void CWorkflowActions::addKeys(QWidget *window)
{
    for (std::size_t k = 0; k < m_quickMoves.size(); ++k) {
        auto *key = new QShortcut(quickMoveKey(int(k)), window);
        key->setAutoRepeat(false);
        connect(key, &QShortcut::activated, m_quickMoves.at(k), &QAbstractButton::click);
    }
    auto *move = new QShortcut(window);
    move->setAutoRepeat(false);
    // Return is the main keyboard's key, Enter the keypad's.
    move->setKeys({ moveKey(), QKeySequence(Qt::CTRL | Qt::Key_Enter) });
    connect(move, &QShortcut::activated, m_move, &QAbstractButton::click);
}

void CWorkflowActions::describeButtons()
{
    for (std::size_t k = 0; k < m_quickMoves.size(); ++k) {
        CMyButton *button = m_quickMoves.at(k);
        const QString folder = button->m_filePath.isEmpty() ? QString() : button->m_filePathName;
        describe(button, int(IDC_BTN_DIR1 + k), quickMoveKey(int(k)), folder);
    }
    describe(m_move, IDC_BTN_MOVE, moveKey(), {});
    describe(m_rename, IDC_BTN_RENAME, QKeySequence(Qt::Key_Enter), {});
}

// Two classes' folders of the same name look alike on their captions; the full path tells them apart. A button
// that shows a warning keeps it: the warning names the key too, and gives this text back once it is gone.
void CWorkflowActions::describe(QPushButton *button, int id, const QKeySequence &key, const QString &linkedFolder)
{
    if (button->toolTip().startsWith(u'⚠'))
        return;
    const QString keyText = tr("快捷键：%1").arg(key.toString(QKeySequence::NativeText));
    const QString folderLine = linkedFolder.isEmpty() ? QString() : QDir::toNativeSeparators(linkedFolder) + u'\n';
    button->setToolTip(folderLine + keyText);
    button->setAccessibleDescription(tr("%1；%2").arg(CAccessibleTexts::description(id), keyText));
}
