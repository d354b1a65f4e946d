// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileManager.h"

#include "core/Logging.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace
{
const QString kService = u"org.freedesktop.FileManager1"_s;

bool askFileManager(const QString &path)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    // A file manager that is installed but not running is started by the bus on the first call.
    const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
    if (!bus.interface()->isServiceRegistered(kService).value() && !activatable.value().contains(kService))
        return false;
    QDBusMessage call
        = QDBusMessage::createMethodCall(kService, u"/org/freedesktop/FileManager1"_s, kService, u"ShowItems"_s);
    call << QStringList { QUrl::fromLocalFile(path).toString() } << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        qCInfo(lcFileOps) << "the file manager did not show" << path << reply.errorMessage();
        return false;
    }
    return true;
}
} // namespace

bool CFileManager::showItem(const QString &path)
{
    if (askFileManager(path))
        return true;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}
