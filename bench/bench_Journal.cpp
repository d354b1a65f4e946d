// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Whether recording an operation costs the same with 100 operations in the journal as with 100,000.
// Run: bench_Journal [folder for the journals, default the temporary folder]
#include "core/Journal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace
{

constexpr int kRecords = 300;

// Fills the journal in one transaction: through CJournal each row would wait for its own sync.
bool fill(const QString &path, int rows)
{
    {
        CJournal created;
        if (!created.open(path))
            return false;
    }
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"fill"_s);
        db.setDatabaseName(path);
        QSqlQuery query(db);
        ok = db.open() && db.transaction()
            && query.prepare(u"INSERT INTO operations (time, kind, state, source, destination, composed_name)"
                             " VALUES (?, 1, 1, ?, ?, ?)"_s);
        for (int i = 0; ok && i < rows; ++i) {
            const QString name = u"Term %1 report.pdf"_s.arg(i);
            query.addBindValue(QDateTime::currentMSecsSinceEpoch());
            query.addBindValue(QString(u"/home/user/Downloads/"_s + name));
            query.addBindValue(QString(u"/home/user/School/2026/"_s + name));
            query.addBindValue(name);
            ok = query.exec();
        }
        ok = ok && db.commit();
    }
    QSqlDatabase::removeDatabase(u"fill"_s);
    return ok;
}

// Microseconds for one operation as the window records it: the intent, then its outcome.
double perRecord(const QString &path, qint64 retention)
{
    CJournal journal(retention);
    if (!journal.open(path))
        return -1;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kRecords; ++i) {
        JournalEntry entry;
        entry.source = u"/home/user/Downloads/new %1.pdf"_s.arg(i);
        entry.destination = u"/home/user/School/new %1.pdf"_s.arg(i);
        entry.composedName = u"new %1.pdf"_s.arg(i);
        entry.before = { 1000, 1, quint64(i + 1) };
        journal.markDone(journal.recordIntent(entry), entry.before);
        (void)journal.latestUndoable();
    }
    return double(timer.nsecsElapsed()) / 1000.0 / kRecords;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) + "/bench-journal-XXXXXX"_L1 : QString());
    double baseline = 0;
    for (const int rows : { 100, 100000 }) {
        const QString path = dir.filePath(u"journal-%1.sqlite"_s.arg(rows));
        if (!fill(path, rows)) {
            std::printf("could not fill %s\n", qPrintable(path));
            return 1;
        }
        // A retention above the row count keeps all of them, so the records meet the full table.
        const double micros = perRecord(path, rows * 2);
        if (baseline == 0)
            baseline = micros;
        std::printf("%6d operations in the journal: %8.1f us per recorded operation (%.2fx)\n", rows, micros,
                    micros / baseline);
    }
    return 0;
}
