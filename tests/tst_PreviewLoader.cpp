// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/Bytes.h"
#include "helpers/PreviewFiles.h"
#include "platform/PreviewLoader.h"

#include <QDateTime>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using Problem = CPreview::Problem;

/// The preview read off the window's thread: kept per path and modification time, cancelled by the next item, and
/// never waited for longer than the time limit.
class tst_PreviewLoader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void keepsAPreviewUntilTheFileChanges();
    void theNextItemDropsTheLateAnswer();
    void aHangingFolderCostsOnlyItsPreview();

private:
    QTemporaryDir m_dir;
};

namespace
{
const QSize kBox(200, 280);

/// Holds every reading of a path under `folder` until released, as a mount gone away does.
class CStall
{
public:
    explicit CStall(const QString &folder)
    {
        CPreviewLoader::setStallForTesting([gate = m_gate, folder](const QString &path) {
            if (path.startsWith(folder))
                gate->tryAcquire(1, 10000);
        });
    }
    ~CStall()
    {
        release();
        CPreviewLoader::setStallForTesting({});
    }
    CStall(const CStall &) = delete;
    CStall &operator=(const CStall &) = delete;
    void release()
    {
        m_gate->release(1000);
    }

private:
    std::shared_ptr<QSemaphore> m_gate = std::make_shared<QSemaphore>();
};

CPreview lastOf(const QSignalSpy &spy)
{
    return spy.constLast().constFirst().value<CPreview>();
}
} // namespace

void tst_PreviewLoader::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qRegisterMetaType<CPreview>();
}

void tst_PreviewLoader::cleanup()
{
    CPreviewLoader::setStallForTesting({});
}

void tst_PreviewLoader::keepsAPreviewUntilTheFileChanges()
{
    const QString path = m_dir.filePath(u"kept.png"_s);
    QVERIFY(writeBytes(path, PreviewFiles::png({ 50, 40 }, Qt::red)));
    CPreviewLoader loader;
    QSignalSpy ready(&loader, &CPreviewLoader::ready);
    loader.load(path, kBox);
    QTRY_COMPARE(ready.size(), 1);
    QVERIFY(!lastOf(ready).fromCache);
    QCOMPARE(lastOf(ready).pixels, QSize(50, 40));

    loader.load(path, kBox);
    QTRY_COMPARE(ready.size(), 2);
    QVERIFY(lastOf(ready).fromCache);
    QCOMPARE(lastOf(ready).pixels, QSize(50, 40));

    // Another program writes a new picture under the same name.
    QVERIFY(writeBytes(path, PreviewFiles::png({ 60, 30 }, Qt::blue)));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
    file.close();
    loader.load(path, kBox);
    QTRY_COMPARE(ready.size(), 3);
    QVERIFY(!lastOf(ready).fromCache);
    QCOMPARE(lastOf(ready).pixels, QSize(60, 30));
}

void tst_PreviewLoader::theNextItemDropsTheLateAnswer()
{
    QVERIFY(QDir(m_dir.path()).mkpath(u"slow"_s));
    const QString slow = m_dir.filePath(u"slow/first.png"_s);
    const QString next = m_dir.filePath(u"next.png"_s);
    QVERIFY(writeBytes(slow, PreviewFiles::png({ 10, 10 }, Qt::red)));
    QVERIFY(writeBytes(next, PreviewFiles::png({ 20, 20 }, Qt::green)));
    CStall stall(m_dir.filePath(u"slow"_s));
    CPreviewLoader loader;
    QSignalSpy ready(&loader, &CPreviewLoader::ready);
    loader.load(slow, kBox);
    loader.load(next, kBox);
    QTRY_COMPARE(ready.size(), 1);
    QCOMPARE(lastOf(ready).path, next);

    stall.release();
    QTRY_COMPARE(loader.outstanding(), 0);
    QCOMPARE(ready.size(), 1);

    // Nothing loaded: nothing comes.
    loader.load(slow, kBox);
    loader.clear();
    QTRY_COMPARE(loader.outstanding(), 0);
    QCOMPARE(ready.size(), 1);
}

void tst_PreviewLoader::aHangingFolderCostsOnlyItsPreview()
{
    QVERIFY(QDir(m_dir.path()).mkpath(u"share"_s));
    const QString hanging = m_dir.filePath(u"share/scan0001.png"_s);
    const QString sibling = m_dir.filePath(u"share/scan0002.png"_s);
    const QString local = m_dir.filePath(u"local.png"_s);
    QVERIFY(writeBytes(hanging, PreviewFiles::png({ 30, 30 }, Qt::red)));
    QVERIFY(writeBytes(local, PreviewFiles::png({ 40, 40 }, Qt::green)));
    CStall stall(m_dir.filePath(u"share"_s));
    CPreviewLoader loader;
    loader.setTimeout(100ms);
    QSignalSpy ready(&loader, &CPreviewLoader::ready);

    loader.load(hanging, kBox);
    QTRY_COMPARE(ready.size(), 1);
    QCOMPARE(lastOf(ready).problem, Problem::NoAnswer);
    QVERIFY(!lastOf(ready).reason.isEmpty());
    QVERIFY(!lastOf(ready).iconName.isEmpty());

    // The same folder is not asked again while its question hangs; another folder answers as ever.
    loader.load(sibling, kBox);
    QCOMPARE(ready.size(), 2);
    QCOMPARE(lastOf(ready).problem, Problem::FolderHangs);
    QCOMPARE(loader.outstanding(), 1);
    loader.load(local, kBox);
    QTRY_COMPARE(ready.size(), 3);
    QCOMPARE(lastOf(ready).problem, Problem::None);

    // The answer the window gave up on is dropped when it comes; asked anew, the folder answers.
    loader.load(hanging, kBox);
    QCOMPARE(ready.size(), 4);
    QCOMPARE(lastOf(ready).problem, Problem::FolderHangs);
    stall.release();
    QTRY_COMPARE(loader.outstanding(), 0);
    QCOMPARE(ready.size(), 4);
    loader.load(hanging, kBox);
    QTRY_COMPARE(ready.size(), 5);
    QCOMPARE(lastOf(ready).problem, Problem::None);
    QCOMPARE(lastOf(ready).pixels, QSize(30, 30));

    // A reading that ran out of time still shows its picture if it finishes while its item is loaded.
    const QString late = m_dir.filePath(u"share/late.png"_s);
    QVERIFY(writeBytes(late, PreviewFiles::png({ 70, 20 }, Qt::blue)));
    CStall again(m_dir.filePath(u"share"_s));
    loader.load(late, kBox);
    QTRY_COMPARE(ready.size(), 6);
    QCOMPARE(lastOf(ready).problem, Problem::NoAnswer);
    again.release();
    QTRY_COMPARE(ready.size(), 7);
    QCOMPARE(lastOf(ready).problem, Problem::None);
    QCOMPARE(lastOf(ready).pixels, QSize(70, 20));
}

QTEST_GUILESS_MAIN(tst_PreviewLoader)
#include "tst_PreviewLoader.moc"
