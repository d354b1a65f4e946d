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

#include <cstdlib>

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

struct Sample {
    double dialogUs = 0; ///< per rename through the window
    double bareUs = 0; ///< per rename(2) in a folder of the same size
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

double usSince(const QElapsedTimer &timer, int items)
{
    return double(timer.nsecsElapsed()) / 1e3 / items;
}

/// rename(2) over every file of a folder holding `queued` files.
double bareRenames(const QString &root, int queued)
{
    QTemporaryDir dir(root + u"/bench_Rename-bare-XXXXXX"_s);
    const QStringList paths = makeFiles(dir.path(), queued);
    if (paths.isEmpty())
        return -1;
    std::vector<QByteArray> from;
    std::vector<QByteArray> to;
    for (const QString &path : paths) {
        from.push_back(QFile::encodeName(path));
        to.push_back(QFile::encodeName(path.chopped(4) + u"-renamed.txt"_s));
    }
    QElapsedTimer timer;
    timer.start();
    for (size_t i = 0; i < from.size(); ++i) {
        if (std::rename(from[i].constData(), to[i].constData()) != 0)
            return -1;
    }
    return usSince(timer, queued);
}

/// `kRenamed` renames through a shown window whose queue holds `queued` files, each one finished when the
/// next item is loaded and the queue has been painted.
double dialogRenames(const QString &root, int queued)
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
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < renamed; ++i) {
        name->setText(u"renamed%1"_s.arg(i));
        rename->click();
        QApplication::processEvents();
        list->viewport()->repaint();
    }
    const double perItem = usSince(timer, renamed);
    const bool allDone = messages->shown == 0 && list->count() == queued - renamed
        && QFile::exists(dir.filePath(u"renamed%1.txt"_s.arg(renamed - 1)))
        && (list->count() == 0 || name->text() == QFileInfo(list->pathAt(0)).completeBaseName());
    dlg.hide();
    return allDone ? perItem : -1;
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
    std::printf("renames through the window vs rename(2), files on %s, median of %d rounds\n", qPrintable(root),
                kRounds);
    std::printf("%10s %10s %14s %14s %8s\n", "queued", "renamed", "window us/item", "rename2 us/item", "ratio");
    std::vector<double> perQueue;
    for (int queued : { 100, 100000 }) {
        std::vector<double> dialog;
        std::vector<double> bare;
        for (int round = 0; round < kRounds; ++round) {
            dialog.push_back(dialogRenames(root, queued));
            bare.push_back(bareRenames(root, queued));
            if (dialog.back() < 0 || bare.back() < 0) {
                std::printf("a rename failed with %d files queued\n", queued);
                return 1;
            }
        }
        const Sample sample { median(dialog), median(bare) };
        perQueue.push_back(sample.dialogUs);
        std::printf("%10d %10d %14.1f %15.2f %8.1f\n", queued, std::min(kRenamed, queued), sample.dialogUs,
                    sample.bareUs, sample.dialogUs / sample.bareUs);
    }
    std::printf("window cost per item, 100,000 queued / 100 queued: %.2f\n", perQueue.back() / perQueue.front());
    return 0;
}
