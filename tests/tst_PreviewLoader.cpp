// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/Bytes.h"
#include "helpers/PreviewFiles.h"
#include "platform/HelperLimits.h"
#include "platform/PreviewLoader.h"
#include "platform/PreviewServer.h"

#include <QDateTime>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#ifdef Q_OS_LINUX
#include <cerrno>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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
    void aRunawayHelperIsEndedAndTheNextItemServed_data();
    void aRunawayHelperIsEndedAndTheNextItemServed();
    void anOperationEndsTheHelperReadingItsItem();
    void aHostilePdfCostsOnlyItsOwnPreview_data();
    void aHostilePdfCostsOnlyItsOwnPreview();
    void theHelperCanReadButNotWriteOrConnect();

private:
    QTemporaryDir m_dir;
};

namespace
{
const QSize kBox(200, 280);

/// Has the helpers started from now on hang on every path under `folder`, as on a mount gone away, until released;
/// a helper started after the release reads it again.
class CStall
{
public:
    explicit CStall(const QString &folder, const char *mode = "hang")
    {
        qputenv(CPreviewServer::kTestModeVariable, QByteArray(mode) + ':' + QFile::encodeName(folder));
    }
    ~CStall()
    {
        release();
    }
    CStall(const CStall &) = delete;
    CStall &operator=(const CStall &) = delete;
    static void release()
    {
        qunsetenv(CPreviewServer::kTestModeVariable);
    }
};

CPreview lastOf(const QSignalSpy &spy)
{
    return spy.constLast().constFirst().value<CPreview>();
}
} // namespace

void tst_PreviewLoader::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(!CPreviewLoader::helperProgram().isEmpty(), "plindor-preview is not beside the test");
    qRegisterMetaType<CPreview>();
}

void tst_PreviewLoader::cleanup()
{
    CStall::release();
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

// A helper stuck on a dead mount is killed at the time limit; what SIGKILL cannot end (a process in an uninterruptible
// wait) keeps its folder from being asked again, which a stall the test can make cannot show.
void tst_PreviewLoader::aHangingFolderCostsOnlyItsPreview()
{
    QVERIFY(QDir(m_dir.path()).mkpath(u"share"_s));
    const QString hanging = m_dir.filePath(u"share/scan0001.png"_s);
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

    // Another folder answers as ever, from a new helper given the time to start; and once the mount answers again,
    // so does the folder. (A helper reads the stall when it starts.)
    stall.release();
    loader.setTimeout(2s);
    loader.load(local, kBox);
    QTRY_COMPARE(ready.size(), 2);
    QCOMPARE(lastOf(ready).problem, Problem::None);
    QCOMPARE(loader.starts(), 2);
    loader.load(hanging, kBox);
    QTRY_COMPARE(ready.size(), 3);
    QCOMPARE(lastOf(ready).problem, Problem::None);
    QCOMPARE(lastOf(ready).pixels, QSize(30, 30));
    QTRY_COMPARE(loader.outstanding(), 0);
}

// What a hostile document can make of a reader: it allocates without end, draws without end, or crashes it. Each ends
// its helper, the window says why, and the next item is served by a new one.
void tst_PreviewLoader::aRunawayHelperIsEndedAndTheNextItemServed_data()
{
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<QList<int>>("shown");
    QTest::addColumn<int>("timeoutMs");
    // Under AddressSanitizer its own limit on resident memory ends the helper instead of a refused allocation. The
    // window waits long enough here for the memory limit, not its time limit, to end it.
    QTest::newRow("allocates") << QByteArray("allocate")
                               << QList<int> { int(Problem::TooMuchMemory), int(Problem::HelperFailed) } << 20000;
    QTest::newRow("spins") << QByteArray("spin") << QList<int> { int(Problem::Slow) } << 2000;
    QTest::newRow("crashes") << QByteArray("crash") << QList<int> { int(Problem::HelperFailed) } << 2000;
}

void tst_PreviewLoader::aRunawayHelperIsEndedAndTheNextItemServed()
{
    QFETCH(QByteArray, mode);
    QFETCH(QList<int>, shown);
    QFETCH(int, timeoutMs);
#ifdef Q_OS_WIN
    // Wine, where the Windows tests run, does not hold a process to its Job object's memory limit.
    if (mode == "allocate")
        QSKIP("a Job object's memory limit is not enforced under Wine");
#endif
    QVERIFY(QDir(m_dir.path()).mkpath(u"hostile"_s));
    const QString hostile = m_dir.filePath(u"hostile/bomb.png"_s);
    const QString next = m_dir.filePath(u"ordinary.png"_s);
    QVERIFY(writeBytes(hostile, PreviewFiles::png({ 10, 10 }, Qt::red)));
    QVERIFY(writeBytes(next, PreviewFiles::png({ 20, 10 }, Qt::blue)));
    CStall stall(m_dir.filePath(u"hostile"_s), mode.constData());
    CPreviewLoader loader;
    loader.setTimeout(std::chrono::milliseconds(timeoutMs));
    QSignalSpy ready(&loader, &CPreviewLoader::ready);
    loader.load(hostile, kBox);
    QTRY_COMPARE_WITH_TIMEOUT(ready.size(), 1, timeoutMs + 5000);
    QVERIFY2(shown.contains(int(lastOf(ready).problem)), qPrintable(lastOf(ready).reason));
    QVERIFY(!lastOf(ready).reason.isEmpty());

    loader.setTimeout(2s);
    loader.load(next, kBox);
    QTRY_COMPARE(ready.size(), 2);
    QCOMPARE(lastOf(ready).problem, Problem::None);
    QCOMPARE(lastOf(ready).pixels, QSize(20, 10));
    QCOMPARE(loader.starts(), 2);
    QTRY_COMPARE(loader.outstanding(), 0);
}

// What reads the item for the preview may hold it open where renaming it would fail (Windows's thumbnail handlers):
// by the time the operation starts, the helper that read it has ended.
void tst_PreviewLoader::anOperationEndsTheHelperReadingItsItem()
{
    QVERIFY(QDir(m_dir.path()).mkpath(u"busy"_s));
    const QString path = m_dir.filePath(u"busy/scan.png"_s);
    QVERIFY(writeBytes(path, PreviewFiles::png({ 10, 10 }, Qt::red)));
    CStall stall(m_dir.filePath(u"busy"_s), "spin");
    CPreviewLoader loader;
    loader.setTimeout(20s);
    QSignalSpy ready(&loader, &CPreviewLoader::ready);
    loader.load(path, kBox);
    QTest::qWait(300);
    loader.release(m_dir.filePath(u"busy/another.png"_s));
    QCOMPARE(loader.outstanding(), 1);
    QCOMPARE(ready.size(), 0);

    loader.release(path);
    QCOMPARE(loader.outstanding(), 0);
    QCOMPARE(ready.size(), 1);
    QCOMPARE(lastOf(ready).problem, Problem::Cancelled);
    QVERIFY(lastOf(ready).image.isNull());
    QVERIFY(QFile::rename(path, m_dir.filePath(u"busy/renamed.png"_s)));
}

void tst_PreviewLoader::aHostilePdfCostsOnlyItsOwnPreview_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("forms 16 wide, 12 deep") << PreviewFiles::fannedOutPdf(16, 12);
    QTest::newRow("a page tree that lists itself") << PreviewFiles::selfListingPdf();
}

void tst_PreviewLoader::aHostilePdfCostsOnlyItsOwnPreview()
{
    if (!CPreviewSource::readsPdf())
        QSKIP("built without Qt PDF");
    QFETCH(QByteArray, bytes);
    const QString hostile = m_dir.filePath(u"hostile.pdf"_s);
    const QString ordinary = m_dir.filePath(u"ordinary.pdf"_s);
    QVERIFY(writeBytes(hostile, bytes));
    QVERIFY(writeBytes(ordinary, PreviewFiles::pdf(2, Qt::green)));
    CPreviewLoader loader;
    QSignalSpy ready(&loader, &CPreviewLoader::ready);
    loader.load(hostile, kBox);
    QTRY_COMPARE_WITH_TIMEOUT(ready.size(), 1, 5000);
    QVERIFY(lastOf(ready).image.isNull());
    loader.load(ordinary, kBox);
    QTRY_COMPARE_WITH_TIMEOUT(ready.size(), 2, 5000);
    QCOMPARE(lastOf(ready).problem, Problem::None);
    QCOMPARE(lastOf(ready).pages, 2);
    QVERIFY(!lastOf(ready).image.isNull());
}

// The limits the helper puts on itself, tried in a child of the test: each refused call is one bit of the exit status.
void tst_PreviewLoader::theHelperCanReadButNotWriteOrConnect()
{
#ifdef Q_OS_LINUX
    const QString existing = m_dir.filePath(u"existing.txt"_s);
    QVERIFY(writeBytes(existing, "kept"));
    const QByteArray readable = QFile::encodeName(existing);
    const QByteArray created = QFile::encodeName(m_dir.filePath(u"created.txt"_s));
    const QByteArray renamed = QFile::encodeName(m_dir.filePath(u"renamed.txt"_s));
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        (void)CHelperLimits::confineSelf();
        int refused = 0;
        const int reading = ::open(readable.constData(), O_RDONLY | O_CLOEXEC);
        if (reading < 0)
            _exit(100);
        const auto denied = [](int result) { return result < 0 && errno == EACCES; };
        refused |= denied(::open(created.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600)) ? 1 : 0;
        refused |= denied(::open(readable.constData(), O_RDWR | O_CLOEXEC)) ? 2 : 0;
        refused |= denied(::socket(AF_INET, SOCK_STREAM, 0)) ? 4 : 0;
        refused |= denied(::socket(AF_UNIX, SOCK_STREAM, 0)) ? 8 : 0;
        refused |= denied(::rename(readable.constData(), renamed.constData())) ? 16 : 0;
        refused |= denied(::unlink(readable.constData())) ? 32 : 0;
        _exit(refused);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 63);
    QVERIFY(QFile::exists(existing));
    QVERIFY(!QFile::exists(QFile::decodeName(created)));
#else
    QSKIP("Windows limits the helper through a Job object held by the window");
#endif
}

QTEST_GUILESS_MAIN(tst_PreviewLoader)
#include "tst_PreviewLoader.moc"
