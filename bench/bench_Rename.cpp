// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/BenchSupport.h"
#include "controls/MyListBox.h"
#include "core/Journal.h"
#include "dialog/PlindorDlg.h"
#include "dialog/QueueKeeper.h"
#include "settings/PlindorSettings.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <ctime>

using namespace Qt::Literals::StringLiterals;

namespace
{

constexpr int kRounds = 3;
constexpr int kRenamed = 100;

/// Counts the messages a failed rename would show, so the benchmark never blocks on a modal box.
class CCountingPrompter : public IPrompter
{
public:
    void message(QWidget *, const QString &, const QString &, const QString &) override
    {
        ++shown;
    }
    QString chooseFolder(QWidget *, const QString &, const QString &) override
    {
        return {};
    }
    int shown = 0;
};

/// Per-item cost of one run: wall time, and the CPU time of this thread, which other work on a shared machine
/// disturbs far less.
struct Cost {
    double wallUs = -1;
    double cpuUs = -1;
};

/// Wall and thread CPU clocks started together.
class CStopwatch
{
public:
    CStopwatch()
    {
        m_wall.start();
        m_cpu = cpuNs();
    }
    [[nodiscard]] Cost perItem(int items) const
    {
        return { double(m_wall.nsecsElapsed()) / 1e3 / items, double(cpuNs() - m_cpu) / 1e3 / items };
    }

private:
    static qint64 cpuNs()
    {
        timespec now {};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
    }
    QElapsedTimer m_wall;
    qint64 m_cpu = 0;
};

// Memory-backed, so the disk's speed does not drown out the window's share; and the temporary folder, on a disk
// here, where the journal's syncs cost what they cost a user.
QStringList scratchRoots()
{
    QStringList roots;
    const QFileInfo shm(u"/dev/shm"_s);
    if (shm.isDir() && shm.isWritable())
        roots << shm.filePath();
    roots << QDir::tempPath();
    return roots;
}

QStringList makeFiles(const QString &folder, int count)
{
    QStringList paths;
    paths.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString path = folder + u"/file%1.txt"_s.arg(i, 6, 10, QChar(u'0'));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        paths << path;
    }
    return paths;
}

/// rename(2) over every file of a folder holding `queued` files.
Cost bareRenames(const QString &root, int queued)
{
    QTemporaryDir dir(root + u"/bench_Rename-bare-XXXXXX"_s);
    const QStringList paths = makeFiles(dir.path(), queued);
    if (paths.isEmpty())
        return {};
    std::vector<QByteArray> from;
    std::vector<QByteArray> to;
    for (const QString &path : paths) {
        from.push_back(QFile::encodeName(path));
        to.push_back(QFile::encodeName(path.chopped(4) + u"-renamed.txt"_s));
    }
    const CStopwatch watch;
    for (size_t i = 0; i < from.size(); ++i) {
        if (std::rename(from[i].constData(), to[i].constData()) != 0)
            return {};
    }
    return watch.perItem(queued);
}

/// What the window runs with besides itself.
enum class Variant {
    Window, ///< no journal, the queue not kept
    Journalled, ///< a journal on the same file system as the files
    Kept, ///< the journal, and the queue kept saved as the program keeps it by default
};

/// `kRenamed` renames through a shown window whose queue holds `queued` files, each one finished when the
/// next item is loaded and the queue has been painted.
Cost dialogRenames(const QString &root, int queued, Variant variant)
{
    const bool journalled = variant != Variant::Window;
    QTemporaryDir dir(root + u"/bench_Rename-dialog-XXXXXX"_s);
    const QStringList paths = makeFiles(dir.path(), queued);
    QTemporaryDir profileDir(root + u"/bench_Rename-profile-XXXXXX"_s);
    QSettings store(profileDir.filePath(u"plindor.ini"_s), QSettings::IniFormat);
    // PLINDOR_BENCH_PREVIEW=off measures the window with its preview pane hidden, as the user's F3 leaves it.
    if (qEnvironmentVariable("PLINDOR_BENCH_PREVIEW") == u"off"_s)
        store.setValue(u"preview/shown"_s, u"0"_s);
    CPlindorSettings settings(store);
    auto prompter = std::make_unique<CCountingPrompter>();
    CCountingPrompter *messages = prompter.get();
    CPlindorDlg dlg(settings, std::move(prompter));
    CJournal journal;
    if (journalled) {
        if (!journal.open(profileDir.filePath(u"journal.sqlite"_s)))
            return {};
        dlg.useJournal(&journal);
    }
    // A 1366 × 768 laptop at 100 %, where the preview pane fits beside the window.
    dlg.fitToScreen(QRect(0, 27, 1366, 741));
    bool restored = false;
    if (variant == Variant::Kept) {
        dlg.keepQueue(profileDir.filePath(u"queue.sqlite"_s));
        QObject::connect(dlg.findChild<CQueueKeeper *>(), &CQueueKeeper::restored, [&restored] { restored = true; });
    }
    dlg.show();
    dlg.queuePaths(paths);
    QApplication::processEvents();
    // The whole queue's first write is not a rename's: it is done before the clock starts.
    auto *keeper = dlg.findChild<CQueueKeeper *>();
    if (keeper) {
        for (const QDeadlineTimer deadline(10000); !restored && !deadline.hasExpired();)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        keeper->flush();
    }
    auto *list = qobject_cast<CMyListBox *>(dlg.item(IDC_FILE_LIST));
    auto *name = qobject_cast<QLineEdit *>(dlg.item(IDC_EDIT_NAME));
    auto *rename = qobject_cast<QPushButton *>(dlg.item(IDC_BTN_RENAME));
    const int renamed = std::min(kRenamed, queued);
    const CStopwatch watch;
    for (int i = 0; i < renamed; ++i) {
        name->setText(u"renamed%1"_s.arg(i));
        rename->click();
        QApplication::processEvents();
        list->viewport()->repaint();
    }
    const Cost perItem = watch.perItem(renamed);
    if (keeper)
        keeper->flush();
    const bool allDone = messages->shown == 0 && list->count() == queued - renamed
        && QFile::exists(dir.filePath(u"renamed%1.txt"_s.arg(renamed - 1)))
        && (list->count() == 0 || name->text() == QFileInfo(list->pathAt(0)).completeBaseName())
        && (!journalled || journal.history(renamed + 1).size() == renamed);
    dlg.hide();
    return allDone ? perItem : Cost {};
}

struct Figures {
    std::vector<Cost> plain, journalled, kept, bare;
};

Cost medianOf(const std::vector<Cost> &costs)
{
    auto pick = [&](double Cost::*field) {
        std::vector<double> values;
        for (const Cost &cost : costs)
            values.push_back(cost.*field);
        return median(values);
    };
    return { pick(&Cost::wallUs), pick(&Cost::cpuUs) };
}

void report(const QString &root, const std::vector<int> &queueLengths, const std::vector<Figures> &figures)
{
    std::printf("\nfiles and journal on %s; us per item, medians of %d rounds\n", qPrintable(root), kRounds);
    std::printf("%8s | %17s | %17s | %17s | %17s | %15s | %15s\n", "", "window", "window+journal", "+queue kept",
                "rename(2)", "journal/window", "kept/journal");
    std::printf("%8s | %8s %8s | %8s %8s | %8s %8s | %8s %8s | %7s %7s | %7s %7s\n", "queued", "wall", "cpu", "wall",
                "cpu", "wall", "cpu", "wall", "cpu", "wall", "cpu", "wall", "cpu");
    for (size_t k = 0; k < queueLengths.size(); ++k) {
        const Cost plain = medianOf(figures[k].plain);
        const Cost journalled = medianOf(figures[k].journalled);
        const Cost kept = medianOf(figures[k].kept);
        const Cost bare = medianOf(figures[k].bare);
        std::printf("%8d | %8.1f %8.1f | %8.1f %8.1f | %8.1f %8.1f | %8.2f %8.2f | %7.2f %7.2f | %7.2f %7.2f\n",
                    queueLengths[k], plain.wallUs, plain.cpuUs, journalled.wallUs, journalled.cpuUs, kept.wallUs,
                    kept.cpuUs, bare.wallUs, bare.cpuUs, journalled.wallUs / plain.wallUs,
                    journalled.cpuUs / plain.cpuUs, kept.wallUs / journalled.wallUs, kept.cpuUs / journalled.cpuUs);
    }
    const Cost small = medianOf(figures.front().journalled);
    const Cost large = medianOf(figures.back().journalled);
    std::printf("with the journal, per item at %d queued / at %d queued: wall %.2f, cpu %.2f\n", queueLengths.back(),
                queueLengths.front(), large.wallUs / small.wallUs, large.cpuUs / small.cpuUs);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::vector<int> queueLengths { 100, 100000 };
    std::printf("%d renames through the shown window (set name, click, next item loaded, queue repainted), without\n"
                "and with the journal, and with the queue kept saved too, against rename(2) of every file of a folder\n"
                "as full as the queue\n",
                kRenamed);
    for (const QString &root : scratchRoots()) {
        std::vector<Figures> figures(queueLengths.size());
        // The variants take turns, so a slower spell of a shared machine hits all alike.
        for (int round = 0; round < kRounds; ++round) {
            for (size_t k = 0; k < queueLengths.size(); ++k) {
                figures[k].plain.push_back(dialogRenames(root, queueLengths[k], Variant::Window));
                figures[k].journalled.push_back(dialogRenames(root, queueLengths[k], Variant::Journalled));
                figures[k].kept.push_back(dialogRenames(root, queueLengths[k], Variant::Kept));
                figures[k].bare.push_back(bareRenames(root, queueLengths[k]));
                for (const auto *costs :
                     { &figures[k].plain, &figures[k].journalled, &figures[k].kept, &figures[k].bare }) {
                    if (costs->back().wallUs < 0) {
                        std::printf("a rename failed with %d files queued on %s\n", queueLengths[k], qPrintable(root));
                        return 1;
                    }
                }
            }
        }
        report(root, queueLengths, figures);
    }
    return 0;
}
