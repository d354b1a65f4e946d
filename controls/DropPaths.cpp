// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/DropPaths.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

QByteArray CDropPaths::uriList(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls())
        return {};
    // A file manager's drag arrives as these bytes; reading them as QUrls first costs a noticeable time for a
    // large drag, and would be done again for every drop target the pointer crosses.
    QByteArray list = mime->data(u"text/uri-list"_s);
    if (list.isEmpty()) {
        // A platform that hands over URLs only: they are written out as a drag would carry them.
        const QList<QUrl> urls = mime->urls();
        for (const QUrl &url : urls)
            list += url.toEncoded() + "\r\n";
    }
    return list;
}

CPathIntake::Batch CDropPaths::intake(const QMimeData *mime)
{
    return CPathIntake::fromUriList(uriList(mime));
}

std::optional<CPathIntake::Batch> CDropPaths::acceptDrop(QDropEvent *event)
{
    CPathIntake::Batch batch = intake(event->mimeData());
    if ((batch.paths.isEmpty() && batch.undecodable.isEmpty()) || !acceptWithoutMove(event)) {
        event->ignore();
        return std::nullopt;
    }
    return batch;
}

std::optional<QString> CDropPaths::acceptFirstPath(QDropEvent *event,
                                                   const std::function<void(const QStringList &)> &refused)
{
    const std::optional<CPathIntake::Batch> batch = acceptDrop(event);
    if (!batch)
        return std::nullopt;
    // Refused names are reported only when no path can be read: one readable path is all the target wants.
    if (batch->paths.isEmpty()) {
        refused(batch->undecodable);
        return std::nullopt;
    }
    return batch->paths.constFirst();
}

QStringList CDropPaths::localPaths(const QMimeData *mime)
{
    return intake(mime).paths;
}

bool CDropPaths::hasLocalPaths(const QMimeData *mime)
{
    return CPathIntake::hasFileUrl(uriList(mime));
}

QString CDropPaths::firstLocalPath(const QMimeData *mime)
{
    const QStringList paths = localPaths(mime);
    return paths.isEmpty() ? QString() : paths.constFirst();
}

void CDropPaths::acceptIfLocal(QDropEvent *event)
{
    if (!hasLocalPaths(event->mimeData()) || !acceptWithoutMove(event))
        event->ignore();
}

bool CDropPaths::acceptWithoutMove(QDropEvent *event)
{
    // The drop targets only read the paths. Answering "moved" would let the file manager delete the originals.
    Qt::DropAction action = event->proposedAction();
    if (action != Qt::CopyAction && action != Qt::LinkAction) {
        const Qt::DropActions offered = event->possibleActions();
        action = offered.testFlag(Qt::CopyAction) ? Qt::CopyAction
            : offered.testFlag(Qt::LinkAction)    ? Qt::LinkAction
                                                  : Qt::IgnoreAction;
    }
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return false;
    }
    event->setDropAction(action);
    event->accept();
    return true;
}
