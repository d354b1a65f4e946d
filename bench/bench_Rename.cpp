// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyListBox.h"
#include "dialog/PlindorDlg.h"
#include "settings/PlindorSettings.h"

#include <QApplication>
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
    void message(QWidget *, const QString &, const QString &) override
    {
        ++shown;
    }
    QString chooseFolder(QWidget *, const QString &) override
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

QString scratchRoot()
{
    // Memory-backed, so the disk's speed does not drown out the window's share.
    const QFileInfo shm(u"/dev/shm"_s);
    return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
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

/// `kRenamed` renames through a shown window whose queue holds `queued` files, each one finished when the
/// next item is loaded and the queue has been painted.
Cost dialogRenames(const QString &root, int queued)
{
    QTemporaryDir dir(root + u"/bench_Rename-dialog-XXXXXX"_s);
    const QStringList paths = makeFiles(dir.path(), queued);
    QTemporaryDir profileDir;
    QSettings store(profileDir.filePath(u"plindor.ini"_s), QSettings::IniFormat);
    CPlindorSettings settings(store);
    auto prompter = std::make_unique<CCountingPrompter>();
    CCountingPrompter *messages = prompter.get();
    CPlindorDlg dlg(settings, std::move(prompter));
    dlg.show();
    dlg.queuePaths(paths);
    QApplication::processEvents();
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
    const bool allDone = messages->shown == 0 && list->count() == queued - renamed
        && QFile::exists(dir.filePath(u"renamed%1.txt"_s.arg(renamed - 1)))
        && (list->count() == 0 || name->text() == QFileInfo(list->pathAt(0)).completeBaseName());
    dlg.hide();
    return allDone ? perItem : Cost {};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString root = scratchRoot();
    const std::vector<int> queueLengths { 100, 100000 };
    std::vector<std::vector<Cost>> dialog(queueLengths.size());
    std::vector<std::vector<Cost>> bare(queueLengths.size());
    // The two queue lengths take turns, so a slower spell of a shared machine hits both alike.
    for (int round = 0; round < kRounds; ++round) {
        for (size_t k = 0; k < queueLengths.size(); ++k) {
            dialog[k].push_back(dialogRenames(root, queueLengths[k]));
            bare[k].push_back(bareRenames(root, queueLengths[k]));
            if (dialog[k].back().wallUs < 0 || bare[k].back().wallUs < 0) {
                std::printf("a rename failed with %d files queued\n", queueLengths[k]);
                return 1;
            }
        }
    }
    std::printf("%d renames through the shown window (set name, click, next item loaded, queue repainted) against\n"
                "rename(2) of every file of a folder as full as the queue; files on %s; medians of %d rounds\n\n",
                kRenamed, qPrintable(root), kRounds);
    std::printf("%8s | %21s | %21s | %13s\n", "", "window us/item", "rename(2) us/item", "window/rename");
    std::printf("%8s | %10s %10s | %10s %10s | %6s %6s\n", "queued", "wall", "cpu", "wall", "cpu", "wall", "cpu");
    std::vector<Cost> window;
    for (size_t k = 0; k < queueLengths.size(); ++k) {
        auto pick = [](const std::vector<Cost> &costs, double Cost::*field) {
            std::vector<double> values;
            for (const Cost &cost : costs)
                values.push_back(cost.*field);
            return median(values);
        };
        const Cost ours { pick(dialog[k], &Cost::wallUs), pick(dialog[k], &Cost::cpuUs) };
        const Cost base { pick(bare[k], &Cost::wallUs), pick(bare[k], &Cost::cpuUs) };
        window.push_back(ours);
        std::printf("%8d | %10.1f %10.1f | %10.2f %10.2f | %6.0f %6.0f\n", queueLengths[k], ours.wallUs, ours.cpuUs,
                    base.wallUs, base.cpuUs, ours.wallUs / base.wallUs, ours.cpuUs / base.cpuUs);
    }
    std::printf("\nwindow cost per item, 100,000 queued / 100 queued: wall %.2f, cpu %.2f\n",
                window.back().wallUs / window.front().wallUs, window.back().cpuUs / window.front().cpuUs);
    return 0;
}
