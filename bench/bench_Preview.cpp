// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/BenchSupport.h"
#include "controls/MyListBox.h"
#include "dialog/PlindorDlg.h"
#include "dialog/PreviewPane.h"
#include "helpers/PreviewFiles.h"
#include "platform/PreviewLoader.h"
#include "settings/PlindorSettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#ifdef PLINDOR_HAVE_QTPDF
#include <QPdfDocument>
#endif

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

using namespace Qt::Literals::StringLiterals;

// How long page 1 of a typical one-page scan (A4 at 200 dpi) takes from the key that loads it to the preview painted,
// against the least work that shows the same page: Qt PDF opening the file and drawing page 1 at the same size on
// the window's thread, and a bare label painting it, in the same run.
namespace
{
constexpr int kScans = 15;

struct Timing {
    std::vector<double> plindorMs, cachedMs, bareMs;
};

void pressDown(QWidget *list)
{
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(list, &down);
    QApplication::sendEvent(list, &up);
}

/// From the key that loads `row` to the pane painted with its page; -1 when no page came within ten seconds. The
/// page's size goes to `shown`.
double keyToPaintedPage(CPlindorDlg &dlg, CPreviewPane *pane, int row, QSize &shown)
{
    auto *list = qobject_cast<CMyListBox *>(dlg.item(IDC_FILE_LIST));
    const QString path = list->pathAt(row);
    // The window's loop sleeps while it waits, as it does for a user: a loop that spun would take a core from the
    // reading thread.
    QEventLoop loop;
    bool arrived = false;
    const QMetaObject::Connection watch
        = QObject::connect(pane->loader(), &CPreviewLoader::ready, &loop, [&](const CPreview &preview) {
              arrived = preview.path == path && !preview.image.isNull();
              shown = preview.image.size();
              if (arrived)
                  loop.quit();
          });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    pressDown(list);
    if (!arrived)
        loop.exec();
    // The pane gets the picture in the same turn of the loop; painting it is the last step.
    QApplication::processEvents();
    pane->repaint();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    QObject::disconnect(watch);
    return arrived ? ms : -1;
}

#ifdef PLINDOR_HAVE_QTPDF
double barePage(const QString &path, QSize box, QLabel &label)
{
    QElapsedTimer clock;
    clock.start();
    QPdfDocument document;
    if (document.load(path) != QPdfDocument::Error::None)
        return -1;
    const QImage page = document.render(0, box);
    label.setPixmap(QPixmap::fromImage(page));
    label.repaint();
    return double(clock.nsecsElapsed()) / 1e6;
}
#endif

/// The window's resident memory, in MiB.
double residentMiB()
{
    QFile statm(u"/proc/self/statm"_s);
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toDouble() * 4096 / (1024 * 1024) : -1;
}

/// From loading `path` to the first answer for it, image or not; -1 when none came within ten seconds.
double loadToAnswer(CPreviewPane *pane, const QString &path, bool &drawn)
{
    QEventLoop loop;
    bool arrived = false;
    const QMetaObject::Connection watch
        = QObject::connect(pane->loader(), &CPreviewLoader::ready, &loop, [&](const CPreview &preview) {
              arrived = preview.path == path;
              drawn = !preview.image.isNull();
              if (arrived)
                  loop.quit();
          });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    pane->showItem(path);
    if (!arrived)
        loop.exec();
    QObject::disconnect(watch);
    return arrived ? double(clock.nsecsElapsed()) / 1e6 : -1;
}

/// Hostile documents in turn, each followed by an ordinary PDF: the window's memory and how soon the next page shows.
bool measureHostile(const QTemporaryDir &dir, CPreviewPane *pane)
{
    const QList<std::pair<const char *, QByteArray>> hostile {
        { "forms 16 wide, 12 deep", PreviewFiles::fannedOutPdf(16, 12) },
        { "page tree listing itself", PreviewFiles::selfListingPdf() },
    };
    const QString ordinary = dir.filePath(u"ordinary.pdf"_s);
    QFile file(ordinary);
    if (!file.open(QIODevice::WriteOnly) || file.write(PreviewFiles::pdf(1, Qt::white)) < 0)
        return false;
    file.close();
    const double before = residentMiB();
    std::printf("hostile PDFs, window RSS before: %.1f MiB\n", before);
    int round = 0;
    for (int repeat = 0; repeat < 3; ++repeat) {
        for (const auto &[name, bytes] : hostile) {
            const QString path = dir.filePath(u"hostile%1.pdf"_s.arg(round++));
            QFile out(path);
            if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
                return false;
            out.close();
            bool drawn = false;
            const double hostileMs = loadToAnswer(pane, path, drawn);
            const double nextMs = loadToAnswer(pane, ordinary, drawn);
            std::printf("  %-26s answered in %6.0f ms; next PDF %s in %5.0f ms (%.0f ms after the hostile one "
                        "loaded); RSS %.1f MiB\n",
                        name, hostileMs, drawn ? "shown" : "NOT shown", nextMs, hostileMs + nextMs, residentMiB());
            if (!drawn || nextMs < 0 || hostileMs < 0)
                return false;
        }
    }
    std::printf("  RSS grew by %.1f MiB over %d hostile documents\n", residentMiB() - before, round);
    return true;
}

bool writeScans(const QTemporaryDir &dir, QStringList &paths)
{
    const QByteArray scan = PreviewFiles::scanPdf(300);
    std::printf("one-page scan: %.0f KiB\n", double(scan.size()) / 1024);
    // Each its own file, so that none comes from the preview's cache, with names that queue in this order.
    for (int i = 0; i <= kScans; ++i) {
        const QString path = dir.filePath(u"scan%1.pdf"_s.arg(i, 4, 10, QChar(u'0')));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(scan) != scan.size())
            return false;
        paths << path;
    }
    return true;
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#ifndef PLINDOR_HAVE_QTPDF
    std::printf("built without Qt PDF: nothing to measure\n");
    return 0;
#else
    QTemporaryDir dir;
    QStringList paths;
    if (!writeScans(dir, paths))
        return 1;
    QTemporaryDir profileDir;
    QSettings store(profileDir.filePath(u"plindor.ini"_s), QSettings::IniFormat);
    CPlindorSettings settings(store);
    CPlindorDlg dlg(settings, std::make_unique<CSilentPrompter>());
    // A 1366 × 768 laptop at 100 %: the pane fits beside the window.
    dlg.fitToScreen(QRect(0, 27, 1366, 741));
    dlg.show();
    auto *pane = dlg.findChild<CPreviewPane *>(u"PlindorPreview"_s);
    // The first item of the session starts the helper: its cost is counted once, here, on its own.
    QElapsedTimer firstClock;
    firstClock.start();
    bool firstDrawn = false;
    QEventLoop first;
    const QMetaObject::Connection firstWatch
        = QObject::connect(pane->loader(), &CPreviewLoader::ready, &first, [&](const CPreview &preview) {
              firstDrawn = !preview.image.isNull();
              first.quit();
          });
    QTimer::singleShot(10000, &first, &QEventLoop::quit);
    dlg.queuePaths(paths);
    first.exec();
    const double firstMs = double(firstClock.nsecsElapsed()) / 1e6;
    QObject::disconnect(firstWatch);
    QLabel bare;
    bare.resize(pane->size());
    bare.show();
    QSize box;

    Timing timing;
    // The first item was loaded by queueing; each key loads the next. Turns alternate with the bare page, so a
    // slower spell of a shared machine hits both alike.
    for (int row = 1; row <= kScans; ++row) {
        timing.plindorMs.push_back(keyToPaintedPage(dlg, pane, row, box));
        timing.bareMs.push_back(barePage(paths.at(row), box, bare));
    }
    auto *list = qobject_cast<CMyListBox *>(dlg.item(IDC_FILE_LIST));
    list->setCurrentRow(0);
    for (int row = 1; row <= kScans; ++row)
        timing.cachedMs.push_back(keyToPaintedPage(dlg, pane, row, box));
    for (const double ms : timing.plindorMs) {
        if (ms < 0) {
            std::printf("a page did not come\n");
            return 1;
        }
    }
    std::printf("first item of the session, helper started for it: %.1f ms%s\n", firstMs,
                firstDrawn ? "" : " (no page)");
    const double plindor = median(timing.plindorMs);
    const double barePage = median(timing.bareMs);
    std::printf("page 1 of an A4 300-dpi scan, %d files, medians (ms), page drawn at %dx%d:\n", kScans, box.width(),
                box.height());
    std::printf("  key -> preview painted:          %7.1f  (range %.1f-%.1f)\n", plindor,
                *std::min_element(timing.plindorMs.begin(), timing.plindorMs.end()),
                *std::max_element(timing.plindorMs.begin(), timing.plindorMs.end()));
    std::printf("  bare Qt PDF load+render+paint:   %7.1f\n", barePage);
    std::printf("  ratio:                           %7.2f\n", plindor / barePage);
    std::printf("  again, from the preview's cache: %7.1f\n", median(timing.cachedMs));
    return measureHostile(dir, pane) ? 0 : 1;
#endif
}
