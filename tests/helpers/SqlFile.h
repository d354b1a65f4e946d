// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

/// Runs `statements` in turn on the SQLite file at `path` over a connection of its own, closed again before it
/// returns, as another program or an older version would. False at the first that fails: callers check with QVERIFY.
[[nodiscard]] inline bool execOnFile(const QString &path, const QStringList &statements)
{
    const QString connection = QStringLiteral("another program");
    bool done = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        done = db.open();
        for (const QString &statement : statements)
            done = done && QSqlQuery(db).exec(statement);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return done;
}

/// Takes the journal's table from under the journal at `path` while it is open, as a disk that fails would take it.
[[nodiscard]] inline bool breakJournal(const QString &path)
{
    return execOnFile(path, { QStringLiteral("DROP TABLE operations") });
}
