// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

/// Takes the journal's table from under the journal at `path` while it is open, as a disk that fails would take
/// it. Returns false when it could not: callers check with QVERIFY.
[[nodiscard]] inline bool breakJournal(const QString &path)
{
    const QString connection = QStringLiteral("breaker");
    bool dropped = false;
    {
        QSqlDatabase breaker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        breaker.setDatabaseName(path);
        dropped = breaker.open() && QSqlQuery(breaker).exec(QStringLiteral("DROP TABLE operations"));
        breaker.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return dropped;
}
