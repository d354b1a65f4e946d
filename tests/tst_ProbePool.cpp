// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ProbePool.h"

#include <QSemaphore>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

/// Questions to the file system come back in time or not at all, and a folder that hangs is not asked again.
class tst_ProbePool : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void aDeadFolderCostsOneWait();
};

namespace
{
using Answers = QList<std::optional<QString>>;
constexpr std::chrono::milliseconds kPatience { 200 };
} // namespace

void tst_ProbePool::cleanup()
{
    CProbePool::setStallForTesting({});
}

void tst_ProbePool::aDeadFolderCostsOneWait()
{
    // Records every path a pool thread asks about; those under /dead/ hang until the gate opens.
    struct Disk {
        QSemaphore gate;
        QMutex mutex;
        QStringList asked;
    };
    auto disk = std::make_shared<Disk>();
    CProbePool::setStallForTesting([disk](const QString &path) {
        {
            const QMutexLocker lock(&disk->mutex);
            disk->asked << path;
        }
        if (path.startsWith(u"/dead/"_s))
            disk->gate.tryAcquire(1, 10000);
    });
    const auto question = [](const QString &path) { return path.toUpper(); };
    const auto asked = [disk] {
        const QMutexLocker lock(&disk->mutex);
        return disk->asked;
    };

    // The round stops at the question that hangs; what comes after it in the same round is not answered either.
    QCOMPARE(CProbePool::ask<QString>({ u"/live/a"_s, u"/dead/b"_s, u"/live/c"_s }, question, kPatience),
             (Answers { u"/LIVE/A"_s, std::nullopt, std::nullopt }));
    // The dead folder and what lies below it get no second question while the first hangs; other folders do.
    QCOMPARE(CProbePool::ask<QString>({ u"/dead/other"_s, u"/dead/sub/x"_s, u"/deadline/y"_s }, question, kPatience),
             (Answers { std::nullopt, std::nullopt, u"/DEADLINE/Y"_s }));
    QCOMPARE(asked(), (QStringList { u"/live/a"_s, u"/dead/b"_s, u"/deadline/y"_s }));

    disk->gate.release(100);
    // Once the hanging question comes back, the folder is asked again.
    QTRY_COMPARE(CProbePool::ask<QString>({ u"/dead/b"_s }, question, kPatience), (Answers { u"/DEAD/B"_s }));
}

QTEST_GUILESS_MAIN(tst_ProbePool)
#include "tst_ProbePool.moc"
