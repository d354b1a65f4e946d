// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/BenchSupport.h"
#include "controls/MyEdit.h"
#include "dialog/ButtonWarnings.h"
#include "dialog/ControlIds.h"
#include "dialog/PlindorDlg.h"
#include "platform/TargetFacts.h"
#include "settings/PlindorSettings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <ctime>

using namespace Qt::Literals::StringLiterals;

// How much one round of warnings for all seven buttons costs per keystroke, against the keystroke itself: five
// quick-move buttons and the target-folder list linked to folders on the local disk, a file queued, and a name typed.
namespace
{

constexpr int kKeys = 400;
constexpr int kFilesPerFolder = 500;

qint64 cpuNs()
{
    timespec now {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool makeTree(const QString &root)
{
    if (!QDir().mkpath(root + u"/src"_s))
        return false;
    QFile source(root + u"/src/report.txt"_s);
    if (!source.open(QIODevice::WriteOnly) || source.write(QByteArray(64 * 1024, 'r')) < 0)
        return false;
    for (int k = 1; k <= 6; ++k) {
        const QString folder = root + u"/folder%1"_s.arg(k);
        QDir().mkpath(folder);
        for (int i = 0; i < kFilesPerFolder; ++i) {
            QFile file(folder + u"/existing%1.txt"_s.arg(i));
            if (!file.open(QIODevice::WriteOnly))
                return false;
        }
    }
    return true;
}

CProfile linkedProfile(const QString &root)
{
    CProfile profile;
    profile.folders << root + u"/folder6"_s;
    for (int k = 0; k < 5; ++k) {
        const QString name = u"folder%1"_s.arg(k + 1);
        profile.links.at(k) = { root + u'/' + name, root, {}, {}, name };
    }
    return profile;
}

void press(QWidget *edit, Qt::Key key, const QString &text)
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(edit, &down);
    QApplication::sendEvent(edit, &up);
}

void waitUntilSettled(CButtonWarnings *warnings)
{
    QEventLoop loop;
    const auto connection = QObject::connect(warnings, &CButtonWarnings::settled, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(connection);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir(QDir::tempPath() + u"/bench_ButtonWarnings-XXXXXX"_s);
    QTemporaryDir profileDir;
    if (!makeTree(dir.path()))
        return 1;
    QSettings store(profileDir.filePath(u"p.ini"_s), QSettings::IniFormat);
    CPlindorSettings settings(store);
    settings.save(linkedProfile(dir.path()));
    CPlindorDlg dlg(settings, std::make_unique<CSilentPrompter>());
    dlg.show();
    dlg.queuePaths({ dir.path() + u"/src/report.txt"_s });
    auto *warnings = dlg.findChild<CButtonWarnings *>();
    auto *edit = qobject_cast<CMyEdit *>(dlg.item(IDC_EDIT_NAME));
    edit->setFocus();
    // A name nobody holds: the buttons show no warning, so every round runs all its checks and probes.
    edit->setText(u"fresh"_s);
    edit->end(false);
    waitUntilSettled(warnings);

    std::vector<double> keyWall, keyCpu, roundWall, roundCpu;
    for (int i = 0; i < kKeys; ++i) {
        const bool add = i % 2 == 0;
        QElapsedTimer wall;
        wall.start();
        const qint64 cpu = cpuNs();
        press(edit, add ? Qt::Key_A : Qt::Key_Backspace, add ? u"a"_s : QString());
        edit->repaint();
        keyWall.push_back(double(wall.nsecsElapsed()) / 1e3);
        keyCpu.push_back(double(cpuNs() - cpu) / 1e3);
        wall.restart();
        const qint64 roundStart = cpuNs();
        waitUntilSettled(warnings);
        roundWall.push_back(double(wall.nsecsElapsed()) / 1e3);
        roundCpu.push_back(double(cpuNs() - roundStart) / 1e3);
    }
    // The file system's share alone: the seven questions one round asks, one after another on this thread.
    std::vector<CTargetFacts::Question> questions;
    const QString source = dir.path() + u"/src/report.txt"_s;
    questions.push_back({ source, dir.path() + u"/src"_s, dir.path() + u"/src/fresh.txt"_s });
    for (int k = 1; k <= 6; ++k)
        questions.push_back(
            { source, dir.path() + u"/folder%1"_s.arg(k), dir.path() + u"/folder%1/fresh.txt"_s.arg(k) });
    std::vector<double> probes;
    for (int i = 0; i < kKeys; ++i) {
        const qint64 start = cpuNs();
        for (const CTargetFacts::Question &question : questions)
            (void)CTargetFacts::probe(question);
        probes.push_back(double(cpuNs() - start) / 1e3);
    }
    for (int id : { IDC_BTN_RENAME, IDC_BTN_MOVE, IDC_BTN_DIR1, IDC_BTN_DIR5 }) {
        if (!warnings->shown(id).ok())
            std::printf("unexpected warning on button %d\n", id);
    }

    const double key = median(keyCpu);
    std::printf("bench_ButtonWarnings: %d keystrokes, 7 buttons, 6 folders of %d files on %s (medians)\n", kKeys,
                kFilesPerFolder, qPrintable(QDir::tempPath()));
    std::printf("  keystroke itself (key event + the edit's repaint): %.1f us wall, %.1f us CPU\n", median(keyWall),
                key);
    std::printf("  one round, keystroke to all buttons settled: %.1f us wall, %.1f us CPU of the window's thread\n",
                median(roundWall), median(roundCpu));
    std::printf("  the seven probes of a round, one after another: %.1f us CPU\n", median(probes));
    std::printf("  ratios to the keystroke's CPU: window's thread %.2f, window's thread and probes %.2f\n",
                median(roundCpu) / key, (median(roundCpu) + median(probes)) / key);
    return 0;
}
