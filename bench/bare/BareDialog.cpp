// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The baseline for start-up and memory: a plain QDialog with the main window's controls, placed from the
// same table, but none of the program's own work (profile, candidate lists, fonts, single-instance socket).
#include "dialog/DialogTemplate.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace
{
QWidget *plainControl(const CDialogTemplate::Item &control, QWidget *parent)
{
    using Kind = CDialogTemplate::Kind;
    switch (control.kind) {
    case Kind::QueueList:
        return new QListWidget(parent);
    case Kind::DropEdit:
        return new QLineEdit(parent);
    case Kind::DropCombo:
        return new QComboBox(parent);
    case Kind::DropButton:
    case Kind::PushButton:
        return new QPushButton(control.text, parent);
    case Kind::GroupBox:
        return new QGroupBox(control.text, parent);
    case Kind::Label:
    case Kind::Picture:
        return new QLabel(control.text, parent);
    }
    return nullptr;
}

class CCloseAfterFirstPaint : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, qobject_cast<QDialog *>(watched), &QDialog::accept);
        return false;
    }
};
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QDialog dialog;
    const QSize base = CDialogTemplate::baseUnits(dialog.font());
    QListWidget *list = nullptr;
    for (const CDialogTemplate::Item &control : CDialogTemplate::items()) {
        QWidget *widget = plainControl(control, &dialog);
        widget->setGeometry(CDialogTemplate::toPixels(control.dlu, base));
        if (auto *queue = qobject_cast<QListWidget *>(widget))
            list = queue;
    }
    const QStringList arguments = app.arguments();
    if (const qsizetype at = arguments.indexOf(u"--items"_s); at >= 0 && at + 1 < arguments.size()) {
        QStringList items;
        for (int i = 0, n = arguments.at(at + 1).toInt(); i < n; ++i)
            items << u"/tmp/queue/file-%1.txt"_s.arg(i);
        list->addItems(items);
    }
    CCloseAfterFirstPaint closer;
    if (arguments.contains(u"--self-test"_s))
        dialog.installEventFilter(&closer);
    dialog.show();
    return app.exec();
}
