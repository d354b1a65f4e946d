// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MoveProgress.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace
{
constexpr int kSteps = 1000;
}

CMoveProgress::CMoveProgress(QWidget *parent, int showAfterMs)
    : m_parent(parent)
    , m_showAfterMs(showAfterMs)
{
    m_elapsed.start();
}

CMoveProgress::~CMoveProgress()
{
    delete m_dialog.data();
}

bool CMoveProgress::copied(qint64 done, qint64 total)
{
    if (m_cancelled)
        return false;
    if (!m_dialog && m_elapsed.elapsed() >= m_showAfterMs)
        showDialog();
    if (m_dialog) {
        m_dialog->setValue(total > 0 ? int(done * kSteps / total) : kSteps);
        // The dialog is application modal, so clicks cannot start a second move while this one runs.
        QCoreApplication::processEvents();
        m_cancelled = !m_dialog || m_dialog->wasCanceled();
    } else {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    return !m_cancelled;
}

QProgressDialog *CMoveProgress::dialog() const
{
    return m_dialog.data();
}

void CMoveProgress::showDialog()
{
    m_dialog = new QProgressDialog(QCoreApplication::translate("CMoveProgress", "正在复制…"),
                                   QCoreApplication::translate("CMoveProgress", "取消"), 0, kSteps, m_parent);
    m_dialog->setWindowTitle(QCoreApplication::translate("CMoveProgress", "移动文件"));
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setMinimumDuration(0);
    m_dialog->show();
}
