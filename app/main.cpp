// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Journal.h"
#include "core/QueueStore.h"
#include "dialog/IconFiles.h"
#include "dialog/PlindorDlg.h"
#include "dialog/QueueKeeper.h"
#include "platform/InterfaceLanguage.h"
#include "platform/LaunchReport.h"
#include "platform/PathIntake.h"
#include "platform/QtTranslation.h"
#ifdef Q_OS_WIN
#include "platform/RunningMark.h"
#endif
#include "platform/SingleInstance.h"
#include "settings/PlindorSettings.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QSettings>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace
{
QIcon applicationIcon()
{
    return QIcon(new CIconFiles(u":/icons/plindor-%1.png"_s, { 16, 32, 48, 64, 128, 256 }));
}

/// Closes the window once it has painted itself: `--self-test` proves the whole start-up path works.
/// Runs work once the window has been painted for the first time, in the order it was given: what the first
/// paint need not wait for.
class CAfterFirstPaint : public QObject
{
public:
    explicit CAfterFirstPaint(QWidget *window)
        : QObject(window)
    {
        window->installEventFilter(this);
    }
    void then(std::function<void()> work)
    {
        m_work.push_back(std::move(work));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // After this paint has reached the screen, not inside it.
            QTimer::singleShot(0, this, [this] {
                for (const std::function<void()> &work : std::exchange(m_work, {}))
                    work();
            });
        }
        return false;
    }

private:
    std::vector<std::function<void()>> m_work;
};

/// The bytes of each path argument. Qt decodes argv with replacement characters, and such a text names another
/// file; once QApplication has taken its own options out, its decoded arguments line up with argv again.
QList<QByteArray> rawArguments(int argc, char *argv[], const QStringList &positional)
{
    QList<QByteArray> raw;
#ifdef Q_OS_WIN
    // Windows hands Qt the command line in UTF-16, whole; argv holds the ANSI code page's lossy copy.
    Q_UNUSED(argc)
    Q_UNUSED(argv)
    for (const QString &argument : positional)
        raw << CPathIntake::bytesOfName(argument);
#else
    int next = 1;
    for (const QString &argument : positional) {
        while (next < argc && QString::fromLocal8Bit(argv[next]) != argument)
            ++next;
        raw << (next < argc ? QByteArray(argv[next++]) : argument.toLocal8Bit());
    }
#endif
    return raw;
}

void say(const QString &line)
{
    CLaunchReport::say(line);
}

std::optional<int> deliver(CSingleInstance &instance, const QStringList &paths)
{
    switch (instance.sendToPrimary(paths)) {
    case CSingleInstance::Delivery::Delivered:
        if (const qsizetype sent = CSingleInstance::fittingPaths(paths); sent < paths.size())
            say(u"only the first %1 of %2 paths were handed over to the running window (at most %3 paths, %4 MiB)"_s
                    .arg(sent)
                    .arg(paths.size())
                    .arg(CSingleInstance::maxPaths)
                    .arg(CSingleInstance::maxMessageBytes / (1024 * 1024)));
        return 0;
    case CSingleInstance::Delivery::NoAnswer:
        say(u"another window is running but does not answer"_s);
        return 1;
    case CSingleInstance::Delivery::ForeignServer:
        say(u"%1 belongs to another user: nothing was handed over, this window opens on its own"_s.arg(
            instance.socketPath()));
        return std::nullopt;
    }
    return 1;
}
/// Gives the paths to the running window and says how this launch ends; none when it opens a window of its own.
/// Names that cannot be read stay here, named on stderr, and make the launch fail: the window could not tell them
/// from other files either.
std::optional<int> handOver(CSingleInstance &instance, const CPathIntake::Batch &given)
{
    for (const QString &path : given.undecodable)
        say(u"file name encoding not recognised, not queued: "_s + path);
    if (given.paths.isEmpty() && !given.undecodable.isEmpty())
        return 1;
    const std::optional<int> status = deliver(instance, given.paths);
    if (status && *status == 0 && !given.undecodable.isEmpty())
        return 1;
    return status;
}
bool asksOnlyForText(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--")
            return false;
        if (argument == "-h" || argument == "--help" || argument == "--help-all" || argument == "-v"
            || argument == "--version")
            return true;
    }
    return false;
}

/// The options and arguments; returns the self-test option.
QCommandLineOption describeCommandLine(QCommandLineParser &parser)
{
    QCoreApplication::setApplicationVersion(QStringLiteral(PLINDOR_VERSION));
    parser.setApplicationDescription(u"Rename files and file them into folders."_s);
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption selfTest(u"self-test"_s, u"Open the window and close it at once."_s);
    parser.addOption(selfTest);
    parser.addPositionalArgument(u"paths"_s, u"Files and folders to queue."_s, u"[paths...]"_s);
    return selfTest;
}
} // namespace

int main(int argc, char *argv[])
{
    // --help and --version print and leave; they must work where there is no display, over ssh say, and a window
    // application cannot start there.
    if (asksOnlyForText(argc, argv)) {
        QCoreApplication core(argc, argv);
        QCommandLineParser parser;
        describeCommandLine(parser);
        parser.process(core);
        return 0;
    }
#ifdef Q_OS_WIN
    // Before anything else: an installer that starts now must already see that this program holds its files.
    CRunningMark::hold();
#endif
    QApplication app(argc, argv);
    CQtTranslation::install(&app, CInterfaceLanguage::fromEnvironment());
    QApplication::setOrganizationName(u"Plindor"_s);
    // No application display name: X11 and Wayland would append it to every window title, captions included.
    QApplication::setApplicationVersion(QStringLiteral(PLINDOR_VERSION));
    // Also the Wayland app id, by which the desktop finds the entry's name and icon for the window.
    QApplication::setDesktopFileName(QStringLiteral(PLINDOR_APP_ID));
    QApplication::setWindowIcon(applicationIcon());

    QCommandLineParser parser;
    const QCommandLineOption selfTest = describeCommandLine(parser);
    parser.process(app);
    const CPathIntake::Batch given = CPathIntake::fromArguments(rawArguments(argc, argv, parser.positionalArguments()));

    CSingleInstance instance;
    const CSingleInstance::Role role = instance.claim();
    if (role == CSingleInstance::Role::Standalone)
        say(instance.errorString() + u"; this window runs on its own and takes no paths from later launches"_s);
    // The self-test opens its window even beside a running one, and never forwards.
    if (role == CSingleInstance::Role::Secondary && !parser.isSet(selfTest)) {
        if (const std::optional<int> status = handOver(instance, given))
            return *status;
    }

    const std::unique_ptr<QSettings> store = CPlindorSettings::openUserProfile();
    CPlindorSettings settings(*store);
    // The saved queue is read, checked and sorted on threads of its own while the window is made and painted; it
    // joins the window after the first paint. A second window beside the user's one must not take the queue that
    // window keeps, and the self-test keeps none.
    CQueueKeeper *keeper = nullptr;
    if (role != CSingleInstance::Role::Secondary && !parser.isSet(selfTest)) {
        keeper = new CQueueKeeper;
        keeper->start(CQueueStore::defaultPath(), settings.load().options.restoreQueue);
    }
    // Made before the window, which keeps a pointer to it, and opened after the window shows: the journal never
    // delays or prevents the window. When it cannot be opened the window runs without undo.
    CJournal journal;
    CPlindorDlg dlg(settings);
    QObject::connect(&instance, &CSingleInstance::pathsReceived, &dlg, [&dlg](const QStringList &received) {
        dlg.bringToFront();
        dlg.queueHandedOverPaths(received);
    });
    // A session that ends (logout, shutdown) closes the window through its exit path, so the settings are saved.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &dlg, [&dlg] { dlg.reject(); });
    auto *afterPaint = new CAfterFirstPaint(&dlg);
    if (parser.isSet(selfTest)) {
        afterPaint->then([&dlg] { dlg.accept(); });
        // A display that never shows the window must fail the self-test, not leave it waiting.
        QTimer::singleShot(std::chrono::seconds(30), &app, [] {
            say(u"self-test: the window was not painted within 30 seconds"_s);
            QCoreApplication::exit(1);
        });
    }
    // Opening the journal and settling what a crash left cost more than the rest of start-up; the window need not
    // wait for them, and a click that comes first has them done before its operation. A window already closed (the
    // self-test) needs no journal.
    dlg.openJournalWhenNeeded([&] {
        journal.open(CJournal::defaultPath());
        dlg.useJournal(&journal, role != CSingleInstance::Role::Secondary && !parser.isSet(selfTest));
    });
    afterPaint->then([&] {
        if (dlg.isVisible())
            dlg.needJournal();
    });
    if (keeper)
        dlg.keepQueue(keeper);
    dlg.show();
    // Listening costs a few milliseconds that the first paint need not wait for.
    if (role == CSingleInstance::Role::Primary)
        QTimer::singleShot(0, &instance, &CSingleInstance::listen);
    dlg.reportUndecodablePaths(given.undecodable);
    if (!given.paths.isEmpty())
        dlg.queuePaths(given.paths);
    return app.exec();
}
