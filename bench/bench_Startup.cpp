// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Start-up time and resident memory of the real program against a bare QDialog with the same controls,
// both launched the same way in the same run. Prints medians and ratios.
#include "bench/BenchSupport.h"
#include "core/QueueStore.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace
{
QProcessEnvironment environmentIn(const QTemporaryDir &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    environment.insert(u"XDG_RUNTIME_DIR"_s, home.filePath(u"run"_s));
    environment.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u"config"_s));
    environment.insert(u"XDG_STATE_HOME"_s, home.filePath(u"state"_s));
    return environment;
}

double launchToPaintMs(const QString &program, const QTemporaryDir &home)
{
    QProcess process;
    process.setProcessEnvironment(environmentIn(home));
    QElapsedTimer timer;
    timer.start();
    process.start(program, { u"--self-test"_s });
    process.waitForFinished(60000);
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

long residentKb(qint64 pid)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

/// Resident memory once it has stopped changing.
long settledResidentKb(qint64 pid)
{
    long previous = -2;
    long current = residentKb(pid);
    for (int i = 0; i < 100 && current != previous; ++i) {
        QThread::msleep(300);
        previous = current;
        current = residentKb(pid);
    }
    return current;
}

struct Memory {
    long idleKb;
    long queuedKb;
};

Memory plindorMemory(const QTemporaryDir &home, const QStringList &paths)
{
    QProcess process;
    process.setProcessEnvironment(environmentIn(home));
    process.start(QStringLiteral(PLINDOR_BINARY), {});
    process.waitForStarted();
    CSingleInstance client(home.filePath(u"run"_s));
    while (!QFile::exists(client.socketPath()))
        QThread::msleep(20);
    Memory memory { settledResidentKb(process.processId()), 0 };
    // One hand-over carries a limited number of paths, so a long list goes over in several.
    for (qsizetype sent = 0; sent < paths.size();) {
        const QStringList rest = paths.mid(sent);
        client.sendToPrimary(rest, 60000);
        sent += CSingleInstance::fittingPaths(rest);
    }
    memory.queuedKb = settledResidentKb(process.processId());
    process.kill();
    process.waitForFinished();
    return memory;
}

Memory bareMemory(qsizetype items)
{
    Memory memory {};
    for (qsizetype count : { qsizetype(0), items }) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(PLINDOR_BARE_BINARY), { u"--items"_s, QString::number(count) });
        process.waitForStarted();
        QThread::msleep(300);
        (count == 0 ? memory.idleKb : memory.queuedKb) = settledResidentKb(process.processId());
        process.kill();
        process.waitForFinished();
    }
    return memory;
}

QStringList makeFiles(const QTemporaryDir &home, int count)
{
    QDir().mkpath(home.filePath(u"queue"_s));
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        paths << home.filePath(u"queue/file-%1.txt"_s.arg(i));
        QFile(paths.last()).open(QIODevice::WriteOnly);
    }
    return paths;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = 15;
    const int items = 100000;
    QTemporaryDir home;
    // Like a session's runtime folder: the window and its launches meet there only when it is private.
    QDir().mkdir(home.filePath(u"run"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    std::vector<double> ours;
    std::vector<double> bare;
    for (int i = 0; i < runs; ++i) {
        ours.push_back(launchToPaintMs(QStringLiteral(PLINDOR_BINARY), home));
        bare.push_back(launchToPaintMs(QStringLiteral(PLINDOR_BARE_BINARY), home));
    }
    const double oursMs = median(ours);
    const double bareMs = median(bare);
    std::printf("launch to painted window (median of %d): plindor %.1f ms, bare dialog %.1f ms, ratio %.2f\n", runs,
                oursMs, bareMs, oursMs / bareMs);

    // The same start with a saved queue of `items` paths that all exist: the window paints first, the queue follows.
    const QStringList files = makeFiles(home, items);
    QTemporaryDir restoring;
    QDir().mkdir(restoring.filePath(u"run"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    {
        CQueueStore store;
        if (!store.open(restoring.filePath(u"state/Plindor/queue.sqlite"_s)) || !store.savePaths(files)
            || !store.saveEditor(files.at(items / 2), {}, u"half"_s, {}))
            return 1;
    }
    std::vector<double> empty;
    std::vector<double> restored;
    for (int i = 0; i < runs; ++i) {
        empty.push_back(launchToPaintMs(QStringLiteral(PLINDOR_BINARY), home));
        restored.push_back(launchToPaintMs(QStringLiteral(PLINDOR_BINARY), restoring));
    }
    std::printf("launch to painted window and exit (median of %d): empty queue %.1f ms, %d paths restored %.1f ms, "
                "ratio %.2f\n",
                runs, median(empty), items, median(restored), median(restored) / median(empty));

    const Memory plindor = plindorMemory(home, files);
    const Memory baseline = bareMemory(items);
    std::printf("resident memory idle: plindor %ld KiB, bare dialog %ld KiB, ratio %.2f\n", plindor.idleKb,
                baseline.idleKb, double(plindor.idleKb) / double(baseline.idleKb));
    std::printf("resident memory with %d items queued: plindor %ld KiB, bare dialog %ld KiB, ratio %.2f\n", items,
                plindor.queuedKb, baseline.queuedKb, double(plindor.queuedKb) / double(baseline.queuedKb));
    return 0;
}
