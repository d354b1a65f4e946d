// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/StateFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

QString CStateFolder::path()
{
#ifdef Q_OS_WIN
    // %LOCALAPPDATA%: the journal and the queue name this machine's files, so they must not roam to another one.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Plindor"_L1;
#else
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // The XDG base directory rules say a relative path is to be ignored.
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + "/.local/state"_L1;
    return state + "/Plindor"_L1;
#endif
}

// The main file and SQLite's companions go together: a new database must never meet an old write-ahead log.
QString CStateFolder::keepAside(const QString &file)
{
    const QString aside = file + ".corrupt-"_L1 + QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
    if (!QFile::rename(file, aside))
        return {};
    for (const auto companion : { "-wal"_L1, "-shm"_L1 }) {
        if (QFile::exists(file + companion) && !QFile::rename(file + companion, aside + companion))
            QFile::remove(file + companion);
    }
    return aside;
}
