// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// How long a large drop on the queue takes until the window shows it, compared with sorting and
// de-duplicating the same strings in plain C++, and whether later operations slow down with the queue.
// Then a huge drop onto an empty queue: how long, the longest time without a paint, and its memory against a
// bare QListWidget holding the same strings.
// Then 100,000 onto 100,000 again for names of other shapes (see kShapes).
// Run offscreen: QT_QPA_PLATFORM=offscreen bench_QueueDrop [largest size [huge size, 0 for none]]
#include "bench/BenchSupport.h"
#include "controls/DropPaths.h"
#include "controls/MyListBox.h"
#include "dialog/ControlIds.h"
#include "dialog/PlindorDlg.h"
#include "platform/Prompter.h"
#include "settings/PlindorSettings.h"

#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace
{
constexpr int repeats = 3;

/// How the names of a drop look: `pathOf(group, i)` is its i-th path, `group` keeping the queued paths apart from
/// the dropped ones. Apart from "in order", the paths come shuffled, so the sort has real work to do.
struct Shape {
    const char *name;
    QString (*pathOf)(const QString &group, int i);
    bool shuffled = true;
};

QString asciiPath(const QString &group, int i)
{
    return u"/zz-bench/%1/dir%2/File%3.txt"_s.arg(group).arg(i % 97).arg(i);
}

const Shape kAscii { "ascii", asciiPath };

// Chinese names arrive percent-encoded as UTF-8; numbers inside them sort by value; names differing only in case
// have equal keys and are told apart by their code units.
const std::array kShapes {
    kAscii,
    Shape {
        "chinese",
        [](const QString &group, int i) { return u"/zz-bench/%1/目录%2/作业%3.txt"_s.arg(group).arg(i % 97).arg(i); } },
    Shape { "numbers-in-chinese",
            [](const QString &group, int i) {
                return u"/zz-bench/%1/第%2单元/第%3课 复习.txt"_s.arg(group).arg(i % 89).arg(i);
            } },
    Shape { "case-variants",
            [](const QString &group, int i) {
                static const std::array cases { u"Lesson"_s, u"lesson"_s, u"LESSON"_s };
                return u"/zz-bench/%1/dir%2/%3%4.txt"_s.arg(group).arg(i % 97).arg(cases.at(size_t(i % 3))).arg(i / 3);
            } },
    Shape { "many-folders",
            [](const QString &group, int i) {
                return u"/zz-bench/%1/班级%2/学生%3.txt"_s.arg(group).arg(i / 10).arg(i % 10);
            } },
    Shape { "one-deep-folder",
            [](const QString &group, int i) {
                return u"/zz-bench/%1/学校/2026年下期/七年级/三班/语文/作业/扫描件/scan_%2.pdf"_s.arg(group).arg(i);
            } },
    Shape { "dates-versions",
            [](const QString &group, int i) {
                return u"/zz-bench/%1/d%2/2026-%3-%4 报告 v1.%5.%6.docx"_s.arg(group)
                    .arg(i % 89)
                    .arg(i % 12 + 1)
                    .arg(i % 28 + 1)
                    .arg(i % 20)
                    .arg(i);
            } },
    Shape { "mixture",
            [](const QString &group, int i) {
                return u"/zz-bench/%1/第%2课/%3%4 第%5节.txt"_s.arg(group)
                    .arg(i % 89)
                    .arg(i % 2 ? u"Lesson"_s : u"lesson"_s)
                    .arg(i / 2)
                    .arg(i % 12);
            } },
    Shape { "in-order", asciiPath, false },
};

QStringList fakePaths(int count, const QString &group, const Shape &shape, std::mt19937 &random)
{
    QStringList paths;
    paths.reserve(count);
    for (int i = 0; i < count; ++i)
        paths << shape.pathOf(group, i);
    if (shape.shuffled)
        std::shuffle(paths.begin(), paths.end(), random);
    return paths;
}

/// A drag's data as it arrives from another program: the bytes of a text/uri-list, which the platform's drop
/// data hands out as they came. (QMimeData::setData() would turn them into QUrls at once, as no drop from a
/// file manager does.)
class CFileManagerDrag : public QMimeData
{
public:
    explicit CFileManagerDrag(QByteArray uriList)
        : m_uriList(std::move(uriList))
    {
    }
    [[nodiscard]] QStringList formats() const override
    {
        return { u"text/uri-list"_s };
    }
    [[nodiscard]] bool hasFormat(const QString &mimeType) const override
    {
        return mimeType == u"text/uri-list"_s;
    }

protected:
    [[nodiscard]] QVariant retrieveData(const QString &mimeType, QMetaType) const override
    {
        return hasFormat(mimeType) ? QVariant(m_uriList) : QVariant();
    }

private:
    QByteArray m_uriList;
};

std::unique_ptr<QMimeData> mimeFor(const QStringList &paths)
{
    QByteArray list;
    for (const QString &path : paths)
        list += QUrl::fromLocalFile(path).toEncoded() + "\r\n";
    return std::make_unique<CFileManagerDrag>(std::move(list));
}

/// Enter, move and drop, as a file manager's drop arrives on the list's viewport.
bool drop(CMyListBox *list, const QMimeData &mime)
{
    QWidget *viewport = list->viewport();
    const QPoint at = viewport->rect().center();
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(at, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QDropEvent dropped(QPointF(at), actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &dropped);
    return enter.isAccepted() && move.isAccepted() && dropped.isAccepted();
}

void click(QWidget *widget, QPoint at)
{
    const QPointF global = widget->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

void clickCentre(QWidget *widget)
{
    click(widget, widget->rect().center());
}

/// Runs what the event loop has queued and paints the list now, layout included.
void settle(CMyListBox *list)
{
    QApplication::processEvents();
    list->viewport()->repaint();
}

double millisecondsOf(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double baselineMs(const QStringList &paths)
{
    std::vector<std::string> strings;
    strings.reserve(static_cast<size_t>(paths.size()));
    for (const QString &path : paths)
        strings.push_back(path.toStdString());
    return millisecondsOf([&strings] {
        std::sort(strings.begin(), strings.end());
        strings.erase(std::unique(strings.begin(), strings.end()), strings.end());
    });
}

struct Sample {
    double drop = 0;
    double intake = 0;
    double baseline = 0;
    double click = 0;
    double failedRename = 0;
    double removingRename = 0;
};

/// One window, one measured drop, then the later operations on the queue it left.
Sample measureOnce(int count, bool filled, const Shape &shape, std::mt19937 &random)
{
    QTemporaryDir tmp;
    QSettings store(tmp.filePath(u"bench.ini"_s), QSettings::IniFormat);
    CPlindorSettings settings(store);
    CPlindorDlg dlg(settings, std::make_unique<CSilentPrompter>());
    dlg.show();
    auto *list = qobject_cast<CMyListBox *>(dlg.item(IDC_FILE_LIST));
    settle(list);

    QStringList all;
    if (filled) {
        const QStringList others = fakePaths(count, u"other"_s, shape, random);
        if (!drop(list, *mimeFor(others)))
            qFatal("the filling drop was refused");
        settle(list);
        all = others;
    }
    // One real file sorts first ("/tmp" before "/zz-bench"), so a rename of item 0 succeeds and removes it.
    const QString real = tmp.filePath(u"a-real-file.txt"_s);
    QFile(real).open(QIODevice::WriteOnly);
    QStringList dropped = fakePaths(count, u"new"_s, shape, random);
    dropped.insert(dropped.size() / 2, real);
    all += dropped;
    const std::unique_ptr<QMimeData> mime = mimeFor(dropped);

    Sample sample;
    sample.drop = millisecondsOf([&] {
        if (!drop(list, *mime))
            qFatal("the drop was refused");
        settle(list);
    });
    if (list->count() != all.size() || list->pathAt(0) != real)
        qFatal("unexpected queue after the drop");
    sample.baseline = baselineMs(all);
    // The share of turning the drag's URLs into resolved paths, measured again on its own.
    sample.intake = millisecondsOf([&] {
        const CPathIntake::Packed packed = CPathIntake::packUriList(CDropPaths::uriList(mime.get()));
        qsizetype paths = 0;
        for (const CPathBlock &block : packed.blocks)
            paths += block.size();
        if (paths != dropped.size())
            qFatal("the intake lost paths");
    });

    sample.click = millisecondsOf([&] {
        click(list->viewport(), list->visualRect(list->model()->index(1, 0)).center());
        settle(list);
    });
    // Item 1 does not exist: the move fails and the item stays loaded.
    sample.failedRename = millisecondsOf([&] {
        clickCentre(dlg.item(IDC_BTN_RENAME));
        settle(list);
    });
    click(list->viewport(), list->visualRect(list->model()->index(0, 0)).center());
    settle(list);
    clickCentre(dlg.item(IDC_BTN_ADD_SUFFIX));
    sample.removingRename = millisecondsOf([&] {
        clickCentre(dlg.item(IDC_BTN_RENAME));
        settle(list);
    });
    if (list->count() != all.size() - 1 || !QFile::exists(tmp.filePath(u"a-real-file_1.txt"_s)))
        qFatal("the rename did not remove the first item");
    dlg.hide();
    return sample;
}

/// Resident memory now, after handing back what the set-up freed, so that it is not counted as saved later.
qint64 residentKib()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    QFile statm(u"/proc/self/statm"_s);
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * 4;
}

/// Records when the list's viewport paints.
class CPaintClock : public QObject
{
public:
    explicit CPaintClock(QWidget *viewport)
    {
        m_clock.start();
        viewport->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            mark();
        return false;
    }
    void mark()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_longestGap = std::max(m_longestGap, now - m_last);
        m_last = now;
    }
    [[nodiscard]] double longestGapMs() const
    {
        return static_cast<double>(m_longestGap) / 1e6;
    }

private:
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longestGap = 0;
};

/// A drop of `count` paths on an empty queue in a window of its own, until the first item is loaded;
/// prints "ms gap-ms resident-kib-added".
int runHugeDrop(int count)
{
    std::mt19937 random(7);
    QTemporaryDir tmp;
    QSettings store(tmp.filePath(u"bench.ini"_s), QSettings::IniFormat);
    CPlindorSettings settings(store);
    CPlindorDlg dlg(settings, std::make_unique<CSilentPrompter>());
    dlg.show();
    auto *list = qobject_cast<CMyListBox *>(dlg.item(IDC_FILE_LIST));
    settle(list);
    const std::unique_ptr<QMimeData> mime = mimeFor(fakePaths(count, u"new"_s, kAscii, random));
    const qint64 before = residentKib();
    QEventLoop loop;
    QObject::connect(list, &CMyListBox::dropLoaded, &loop, &QEventLoop::quit);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    CPaintClock paints(list->viewport());
    QElapsedTimer timer;
    timer.start();
    if (!drop(list, *mime))
        qFatal("the drop was refused");
    if (list->isBusy())
        loop.exec();
    settle(list);
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    paints.mark();
    if (list->count() != count || list->isBusy())
        qFatal("the huge drop did not finish");
    std::printf("%.1f %.1f %lld\n", ms, paints.longestGapMs(), residentKib() - before);
    return 0;
}

/// A bare QListWidget in a window, filled with the same strings; prints the resident memory they added.
int runBareList(int count)
{
    std::mt19937 random(7);
    QListWidget list;
    list.setUniformItemSizes(true);
    list.show();
    QApplication::processEvents();
    QStringList paths = fakePaths(count, u"new"_s, kAscii, random);
    const qint64 before = residentKib();
    list.addItems(paths);
    paths.clear();
    list.viewport()->repaint();
    std::printf("0 0 %lld\n", residentKib() - before);
    return 0;
}

QList<double> childFigures(const QString &mode, int count)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), { mode, QString::number(count) });
    child.waitForFinished(300000);
    QList<double> figures;
    for (const QByteArray &field : child.readAllStandardOutput().simplified().split(' '))
        figures << field.toDouble();
    return figures.size() == 3 ? figures : QList<double> { 0, 0, 0 };
}

void reportHugeDrop(int count)
{
    const QList<double> ours = childFigures(u"--huge"_s, count);
    const QList<double> bare = childFigures(u"--bare"_s, count);
    std::printf("\n%d paths onto an empty queue, each in a fresh process: drop until the first item is loaded "
                "%.0f ms, longest time between paints %.0f ms;\nresident memory added %.0f MiB, bare QListWidget "
                "with the same strings %.0f MiB, ratio %.2f\n",
                count, ours[0], ours[1], ours[2] / 1024, bare[2] / 1024, bare[2] > 0 ? ours[2] / bare[2] : 0.0);
}

Sample measure(int count, bool filled, const Shape &shape, std::mt19937 &random)
{
    std::array<std::vector<double>, 6> runs {};
    for (int r = 0; r < repeats; ++r) {
        const Sample s = measureOnce(count, filled, shape, random);
        runs[0].push_back(s.drop);
        runs[1].push_back(s.baseline);
        runs[2].push_back(s.click);
        runs[3].push_back(s.failedRename);
        runs[4].push_back(s.removingRename);
        runs[5].push_back(s.intake);
    }
    return { median(runs[0]), median(runs[5]), median(runs[1]), median(runs[2]), median(runs[3]), median(runs[4]) };
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString mode = argc > 2 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == u"--huge"_s)
        return runHugeDrop(QString::fromLocal8Bit(argv[2]).toInt());
    if (mode == u"--bare"_s)
        return runBareList(QString::fromLocal8Bit(argv[2]).toInt());
    const int largest = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    const int huge = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 1000000;
    std::mt19937 random(20261207);
    // The first window pays for loading fonts and styles; that is not the queue's cost.
    measureOnce(1000, false, kAscii, random);
    std::printf("Queue drop, median of %d runs, times in ms (baseline: std::sort + std::unique of std::string)\n",
                repeats);
    std::printf("%8s  %-7s  %10s  %8s  %10s  %8s  %8s  %10s  %10s\n", "paths", "queue", "drop+paint", "intake",
                "baseline", "ratio", "click", "failed-mv", "rename-rm");
    for (int count : { 1000, 10000, 100000 }) {
        if (count > largest)
            break;
        for (bool filled : { false, true }) {
            const Sample s = measure(count, filled, kAscii, random);
            std::printf("%8d  %-7s  %10.1f  %8.1f  %10.2f  %8.1f  %8.2f  %10.2f  %10.2f\n", count,
                        filled ? "filled" : "empty", s.drop, s.intake, s.baseline, s.drop / s.baseline, s.click,
                        s.failedRename, s.removingRename);
            std::fflush(stdout);
        }
    }
    std::printf("\n%d onto %d queued, by the shape of the names (median of %d runs, ms)\n", largest, largest, repeats);
    std::printf("%-20s  %10s  %8s  %10s  %8s\n", "shape", "drop+paint", "intake", "baseline", "ratio");
    for (const Shape &shape : kShapes) {
        const Sample s = measure(largest, true, shape, random);
        std::printf("%-20s  %10.1f  %8.1f  %10.2f  %8.1f\n", shape.name, s.drop, s.intake, s.baseline,
                    s.drop / s.baseline);
        std::fflush(stdout);
    }
    if (huge > 0)
        reportHugeDrop(huge);
    return 0;
}
