// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/DropPaths.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

CPathIntake::Batch CDropPaths::intake(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls())
        return {};
    return CPathIntake::fromUrls(mime->urls());
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

QStringList CDropPaths::localPaths(const QMimeData *mime)
{
    return intake(mime).paths;
}

bool CDropPaths::hasLocalPaths(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls())
        return false;
    const QList<QUrl> urls = mime->urls();
    return std::any_of(urls.cbegin(), urls.cend(), [](const QUrl &url) { return url.isLocalFile(); });
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
