// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WidgetPrompter.h"

#include <QFileDialog>
#include <QMessageBox>

void CWidgetPrompter::message(QWidget *owner, const QString &text, const QString &caption)
{
    const QString title = caption.isEmpty() && owner ? owner->window()->windowTitle() : caption;
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, owner);
    box.exec();
}

QString CWidgetPrompter::chooseFolder(QWidget *owner, const QString &title)
{
    return QFileDialog::getExistingDirectory(owner, title, QString(), QFileDialog::ShowDirsOnly);
}
