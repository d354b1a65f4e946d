// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WidgetPrompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>

void CWidgetPrompter::message(QWidget *owner, const QString &text, const QString &caption, const QString &informative)
{
    const QString title = caption.isEmpty() && owner ? owner->window()->windowTitle() : caption;
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, owner);
    box.setInformativeText(informative);
    // The box sizes itself for its text alone and the window manager cuts a longer caption short ("重命名或移动失败"):
    // room for the caption and the title bar's buttons keeps it whole.
    constexpr int titleBarButtons = 160;
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout())) {
        const int wanted = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(title);
        grid->addItem(new QSpacerItem(wanted + titleBarButtons, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.exec();
}

QString CWidgetPrompter::chooseFolder(QWidget *owner, const QString &title, const QString &start)
{
    return QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
}
