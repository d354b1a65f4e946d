// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/DropSimulator.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

bool CDropSimulator::dropPaths(QWidget *target, const QStringList &paths)
{
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    return dropUrls(target, urls);
}

QUrl CDropSimulator::urlOfBytes(const QByteArray &path)
{
    return QUrl::fromEncoded("file://" + path.toPercentEncoding("/"), QUrl::StrictMode);
}

QWidget *CDropSimulator::dropTargetOf(QWidget *widget)
{
    // Scroll areas take drag events on their viewport; events sent to the view itself are ignored.
    if (auto *area = qobject_cast<QAbstractScrollArea *>(widget))
        return area->viewport();
    return widget;
}

bool CDropSimulator::enterAccepted(QWidget *target, const QList<QUrl> &urls)
{
    QWidget *receiver = dropTargetOf(target);
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint centre = receiver->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &mime, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(receiver, &enter);
    return enter.isAccepted();
}

bool CDropSimulator::dropUrls(QWidget *target, const QList<QUrl> &urls)
{
    if (!enterAccepted(target, urls))
        return false;
    QWidget *receiver = dropTargetOf(target);
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint centre = receiver->rect().center();
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragMoveEvent move(centre, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(receiver, &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(QPointF(centre), actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(receiver, &drop);
    return drop.isAccepted();
}
