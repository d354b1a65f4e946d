// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileMover.h"
#include "platform/MoveProgress.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace
{

QPushButton *cancelButton(QProgressDialog *dialog)
{
    const auto buttons = dialog->findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        if (button->text() == u"取消"_s)
            return button;
    }
    return nullptr;
}

dev_t deviceOf(const QString &path)
{
    struct stat st {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_dev : dev_t(0);
}

} // namespace

/// Drives the progress dialog of a copy with deterministic delays and a pressed cancel button.
class tst_MoveProgress : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fastCopyShowsNoDialog();
    void slowCopyShowsDialogAfterDelay();
    void cancelButtonStopsCopy();
    void cancelStopsRealMove();
    void aPressDuringTheCopyIsDropped();
};

void tst_MoveProgress::fastCopyShowsNoDialog()
{
    QWidget owner;
    CMoveProgress progress(&owner, 60'000);
    for (qint64 done = 1; done <= 4; ++done)
        QVERIFY(progress.copied(done, 4));
    QCOMPARE(progress.dialog(), nullptr);
    QVERIFY(owner.findChildren<QProgressDialog *>().isEmpty());
}

void tst_MoveProgress::slowCopyShowsDialogAfterDelay()
{
    QWidget owner;
    {
        CMoveProgress progress(&owner, 100);
        QVERIFY(progress.copied(1, 4));
        QCOMPARE(progress.dialog(), nullptr);
        QThread::msleep(150);
        QVERIFY(progress.copied(3, 4));
        QProgressDialog *dialog = progress.dialog();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->labelText(), u"正在复制…"_s);
        QCOMPARE(dialog->value(), dialog->maximum() * 3 / 4);
        QCOMPARE(QApplication::activeModalWidget(), dialog);
    }
    QVERIFY(owner.findChildren<QProgressDialog *>().isEmpty());
}

void tst_MoveProgress::cancelButtonStopsCopy()
{
    QWidget owner;
    CMoveProgress progress(&owner, 0);
    QVERIFY(progress.copied(1, 10));
    QPushButton *cancel = progress.dialog() ? cancelButton(progress.dialog()) : nullptr;
    QVERIFY(cancel);
    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(!progress.copied(2, 10));
    QVERIFY(!progress.copied(3, 10));
}

void tst_MoveProgress::cancelStopsRealMove()
{
    QTemporaryDir source;
    QTemporaryDir target(u"/dev/shm/tst_MoveProgress-XXXXXX"_s);
    if (!target.isValid() || deviceOf(source.path()) == deviceOf(target.path()))
        QSKIP("needs /dev/shm on a file system of its own to copy across");
    const QString file = source.filePath(u"big.bin"_s);
    const QByteArray content(8 << 20, 'x');
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(content) == content.size());
    out.close();
    // The click arrives through the event loop that the progress runs, as a user's would.
    QTimer::singleShot(0, [] {
        if (auto *dialog = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget()))
            QTest::mouseClick(cancelButton(dialog), Qt::LeftButton);
    });
    QWidget owner;
    CMoveProgress progress(&owner, 0);

    QCOMPARE(int(CFileMover::move(file, target.path(), u"big.bin"_s, &progress).error), int(MoveError::Cancelled));
    QCOMPARE(QDir(target.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    QFile in(file);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QCOMPARE(in.readAll(), content);
}

// A press during the copy files nothing, then or once the copy is done; afterwards the key works again.
void tst_MoveProgress::aPressDuringTheCopyIsDropped()
{
    QWidget owner;
    int filed = 0;
    QObject::connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_1), &owner), &QShortcut::activated, &owner,
                     [&filed] { ++filed; });
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    const auto press = [&owner] {
        QCoreApplication::postEvent(&owner, new QKeyEvent(QEvent::KeyPress, Qt::Key_1, Qt::ControlModifier));
    };
    {
        CMoveProgress progress(&owner, 60'000);
        press();
        QVERIFY(progress.copied(1, 4));
        press();
    }
    QCoreApplication::processEvents();
    QCOMPARE(filed, 0);
    QTest::keyClick(&owner, Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(filed, 1);
}

QTEST_MAIN(tst_MoveProgress)
#include "tst_MoveProgress.moc"
