// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/BenchSupport.h"
#include "platform/FileMover.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include <cerrno>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace
{

constexpr qint64 kMiB = 1 << 20;
constexpr qint64 kFileSize = 1024 * kMiB;
constexpr int kRounds = 7;

/// Answers every progress report like a dialog that is never cancelled.
class CSilentProgress : public IMoveProgress
{
public:
    bool copied(qint64, qint64) override
    {
        return true;
    }
};

bool mountTmpfs(const QString &point)
{
    if (!QDir().mkpath(point)
        || ::mount("tmpfs", QFile::encodeName(point).constData(), "tmpfs", 0, "size=1200m") != 0) {
        std::printf("mounting a tmpfs on %s failed: %s\n", qPrintable(point), std::strerror(errno));
        return false;
    }
    return true;
}

bool writeSource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk(kMiB, Qt::Uninitialized);
    for (qint64 i = 0; i < kFileSize / kMiB; ++i) {
        std::fill(chunk.begin(), chunk.end(), char(i));
        if (file.write(chunk) != chunk.size())
            return false;
    }
    return true;
}

double timed(const std::function<bool()> &work, bool &ok)
{
    QElapsedTimer timer;
    timer.start();
    ok = work() && ok;
    return double(timer.nsecsElapsed()) / 1e6;
}

bool moveWithMv(const QString &from, const QString &to)
{
    return QProcess::execute(u"mv"_s, { u"-T"_s, from, to }) == 0;
}

/// Moves the source from `a` into a folder of `b` made for this move alone, then brings it back untimed.
double timedMove(const QString &a, const QString &b, const QString &folder, bool ours, bool &ok)
{
    const QString source = a + u"/big.bin"_s;
    const QString target = b + u'/' + folder;
    ok = QDir().mkdir(target) && ok;
    CSilentProgress progress;
    const double ms = timed(
        [&] {
            return ours ? CFileMover::move(source, target, u"big.bin"_s, &progress).ok()
                        : moveWithMv(source, target + u"/big.bin"_s);
        },
        ok);
    ok = moveWithMv(target + u"/big.bin"_s, source) && QDir(target).removeRecursively() && ok;
    return ms;
}

// Both movers copy between the same two mounts, into a fresh folder each time; the order alternates by round,
// so neither always runs on the state the other left.
int measure(const QString &a, const QString &b)
{
    std::vector<double> ours;
    std::vector<double> mv;
    std::vector<double> ratios;
    bool ok = writeSource(a + u"/big.bin"_s);
    for (int round = 0; round < kRounds && ok; ++round) {
        const bool oursFirst = round % 2 == 0;
        const QString tag = QString::number(round);
        double oursMs = 0;
        double mvMs = 0;
        for (const bool turnOurs : { oursFirst, !oursFirst }) {
            const double ms = timedMove(a, b, (turnOurs ? u"ours-"_s : u"mv-"_s) + tag, turnOurs, ok);
            (turnOurs ? oursMs : mvMs) = ms;
        }
        ours.push_back(oursMs);
        mv.push_back(mvMs);
        ratios.push_back(oursMs / mvMs);
        std::printf("round %d (%s first): CFileMover %.0f ms, mv %.0f ms, ours/mv %.2f\n", round + 1,
                    oursFirst ? "ours" : "mv", oursMs, mvMs, ratios.back());
    }
    if (!ok) {
        std::printf("a move failed\n");
        return 1;
    }
    const auto [lowest, highest] = std::minmax_element(ratios.cbegin(), ratios.cend());
    std::printf("1 GiB between two tmpfs mounts, %d rounds: median CFileMover %.0f ms, median mv %.0f ms; "
                "ours/mv median %.2f, spread %.2f-%.2f\n",
                kRounds, median(ours), median(mv), median(ratios), *lowest, *highest);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (::geteuid() != 0) {
        std::printf("bench_CrossFsMove needs root to mount two tmpfs file systems; skipped\n");
        return 0;
    }
    QTemporaryDir scratch(QDir::tempPath() + u"/bench_CrossFsMove-XXXXXX"_s);
    const QString a = scratch.filePath(u"a"_s);
    const QString b = scratch.filePath(u"b"_s);
    int result = 1;
    if (mountTmpfs(a)) {
        if (mountTmpfs(b)) {
            result = measure(a, b);
            ::umount2(QFile::encodeName(b).constData(), MNT_DETACH);
        }
        ::umount2(QFile::encodeName(a).constData(), MNT_DETACH);
    }
    return result;
}
