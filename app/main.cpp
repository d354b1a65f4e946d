// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog/PlindorDlg.h"
#include "settings/PlindorSettings.h"

#include <QApplication>
#include <QSettings>
#include <QTimer>

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
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(u"Plindor"_s);
    QApplication::setApplicationDisplayName(u"Plindor"_s);
    QApplication::setApplicationVersion(QStringLiteral(PLINDOR_VERSION));
    QApplication::setDesktopFileName(u"io.github.plindor.Plindor"_s);
    QApplication::setWindowIcon(applicationIcon());

    const std::unique_ptr<QSettings> store = CPlindorSettings::openUserProfile();
    CPlindorSettings settings(*store);
    CPlindorDlg dlg(settings);
    if (app.arguments().contains(u"--self-test"_s))
        QTimer::singleShot(0, &dlg, &QDialog::accept);
    dlg.show();
    return app.exec();
}
