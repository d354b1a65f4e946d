// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog/PlindorDlg.h"
#include "platform/QtTranslation.h"
#include "platform/SingleInstance.h"
#include "settings/PlindorSettings.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QSettings>
#include <QTimer>
#include <QUrl>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace
{
QIcon applicationIcon()
{
    QIcon icon;
    for (int size : { 16, 32, 48, 64, 128, 256 })
        icon.addFile(u":/icons/plindor-%1.png"_s.arg(size), QSize(size, size));
    return icon;
}

/// Closes the window once it has painted itself: `--self-test` proves the whole start-up path works.
class CCloseAfterFirstPaint : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            QTimer::singleShot(0, qobject_cast<QDialog *>(watched), &QDialog::accept);
        }
        return false;
    }

private:
    bool m_done = false;
};

/// Absolute paths of the files and folders named on the command line, as a file manager passes them.
QStringList pathArguments(const QStringList &arguments)
{
    QStringList paths;
    for (const QString &argument : arguments) {
        const QUrl url(argument);
        const QString local = url.isLocalFile() ? url.toLocalFile() : argument;
        paths << QDir::cleanPath(QDir::current().absoluteFilePath(local));
    }
    return paths;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    CQtTranslation::install(&app);
    QApplication::setOrganizationName(u"Plindor"_s);
    // No application display name: X11 and Wayland would append it to every window title, captions included.
    QApplication::setApplicationVersion(QStringLiteral(PLINDOR_VERSION));
    QApplication::setDesktopFileName(u"io.github.plindor.Plindor"_s);
    QApplication::setWindowIcon(applicationIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Rename files and file them into folders."_s);
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption selfTest(u"self-test"_s, u"Open the window and close it at once."_s);
    parser.addOption(selfTest);
    parser.addPositionalArgument(u"paths"_s, u"Files and folders to queue."_s, u"[paths...]"_s);
    parser.process(app);
    const QStringList paths = pathArguments(parser.positionalArguments());

    CSingleInstance instance;
    // The self-test opens its window even beside a running one, and never forwards.
    const bool primary = instance.becomePrimary();
    if (!primary && !parser.isSet(selfTest)) {
        if (instance.sendToPrimary(paths))
            return 0;
        std::fputs("plindor: another window is running but does not answer\n", stderr);
        return 1;
    }

    const std::unique_ptr<QSettings> store = CPlindorSettings::openUserProfile();
    CPlindorSettings settings(*store);
    CPlindorDlg dlg(settings);
    QObject::connect(&instance, &CSingleInstance::pathsReceived, &dlg, [&dlg](const QStringList &received) {
        dlg.bringToFront();
        dlg.queuePaths(received);
    });
    // A session that ends (logout, shutdown) closes the window through its exit path, so the settings are saved.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &dlg, [&dlg] { dlg.reject(); });
    CCloseAfterFirstPaint closer;
    if (parser.isSet(selfTest))
        dlg.installEventFilter(&closer);
    dlg.show();
    // Listening costs a few milliseconds that the first paint need not wait for.
    if (primary)
        QTimer::singleShot(0, &instance, &CSingleInstance::listen);
    if (!paths.isEmpty())
        dlg.queuePaths(paths);
    return app.exec();
}
