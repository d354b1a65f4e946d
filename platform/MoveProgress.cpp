// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MoveProgress.h"

#include <QApplication>
#include <QProgressDialog>
#include <QWindow>

namespace
{
constexpr int kSteps = 1000;

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}
} // namespace

CMoveProgress::CMoveProgress(QWidget *parent, int showAfterMs)
    : m_parent(parent)
    , m_showAfterMs(showAfterMs)
{
    m_elapsed.start();
    qApp->installEventFilter(this);
}

CMoveProgress::~CMoveProgress()
{
    // What the user pressed while the copy ended is dropped with the rest, before the window takes input again.
    if (m_reported)
        QCoreApplication::processEvents();
    qApp->removeEventFilter(this);
    delete m_dialog.data();
}

bool CMoveProgress::eventFilter(QObject *watched, QEvent *event)
{
    return isUserInput(event->type()) && !isForOpenBox(watched);
}

// The progress dialog answers the user, and so does a box opened during the copy: a second launch's paths may be
// refused meanwhile. Both are modal; the window that started the copy is not.
bool CMoveProgress::isForOpenBox(QObject *watched) const
{
    const QWidget *modal = QApplication::activeModalWidget();
    if (!modal || (m_parent && modal == m_parent->window()))
        return false;
    if (const auto *widget = qobject_cast<const QWidget *>(watched))
        return widget->window() == modal;
    return watched == modal->windowHandle();
}

bool CMoveProgress::copied(qint64 done, qint64 total)
{
    m_reported = true;
    if (m_cancelled)
        return false;
    if (!m_dialog && m_elapsed.elapsed() >= m_showAfterMs)
        showDialog();
    if (m_dialog) {
        m_dialog->setValue(total > 0 ? int(done * kSteps / total) : kSteps);
        QCoreApplication::processEvents();
        m_cancelled = !m_dialog || m_dialog->wasCanceled();
    } else {
        // Taken now and dropped by the filter: left waiting, a press would reach the window once the copy is done.
        QCoreApplication::processEvents();
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
