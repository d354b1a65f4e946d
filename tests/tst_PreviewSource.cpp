// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/Bytes.h"
#include "helpers/PreviewFiles.h"
#include "platform/PreviewSource.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using namespace Qt::Literals::StringLiterals;
using Problem = CPreview::Problem;

/// What the preview reads from real files, without a window: pictures, thumbnails, folders and what it refuses.
class tst_PreviewSource : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void showsAPicture_data();
    void showsAPicture();
    void turnsAJpegAsItsExifSays();
    void usesAThumbnailOnlyWhileItMatches_data();
    void usesAThumbnailOnlyWhileItMatches();
    void countsAFoldersEntries();
    void givesUpWithAReason_data();
    void givesUpWithAReason();

private:
    [[nodiscard]] QString write(const QString &name, const QByteArray &bytes) const;
    [[nodiscard]] static CPreview read(const QString &path);

    QTemporaryDir m_dir;
    QTemporaryDir m_cache;
};

namespace
{
const QSize kBox(300, 420);

QColor colourAt(const QImage &image, double x, double y)
{
    return image.pixelColor(int(x * (image.width() - 1)), int(y * (image.height() - 1)));
}

bool near(const QColor &seen, const QColor &wanted)
{
    return std::abs(seen.red() - wanted.red()) < 40 && std::abs(seen.green() - wanted.green()) < 40
        && std::abs(seen.blue() - wanted.blue()) < 40;
}
} // namespace

void tst_PreviewSource::initTestCase()
{
    QVERIFY(m_dir.isValid() && m_cache.isValid());
    // The thumbnails this test writes, and none of the user's.
    qputenv("XDG_CACHE_HOME", QFile::encodeName(m_cache.path()));
}

QString tst_PreviewSource::write(const QString &name, const QByteArray &bytes) const
{
    const QString path = m_dir.filePath(name);
    return writeBytes(path, bytes) ? path : QString();
}

CPreview tst_PreviewSource::read(const QString &path)
{
    return CPreviewSource::read(CPreviewSource::facts(path), kBox);
}

void tst_PreviewSource::showsAPicture_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QSize>("pixels");
    QTest::newRow("png") << u"green.png"_s << PreviewFiles::png({ 640, 480 }, Qt::green) << QColor(Qt::green) << -1
                         << QSize(640, 480);
    QTest::newRow("small-png-kept-small")
        << u"dot.png"_s << PreviewFiles::png({ 8, 8 }, Qt::red) << QColor(Qt::red) << -1 << QSize(8, 8);
    QTest::newRow("pdf-page-one") << u"worksheet.pdf"_s << PreviewFiles::pdf(3, Qt::blue) << QColor(Qt::blue) << 3
                                  << QSize();
    // The type is what the bytes say, not the name.
    QTest::newRow("pdf-without-extension")
        << u"scan0001"_s << PreviewFiles::pdf(1, Qt::yellow) << QColor(Qt::yellow) << 1 << QSize();
}

void tst_PreviewSource::showsAPicture()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QColor, colour);
    QFETCH(int, pages);
    QFETCH(QSize, pixels);
    if (pages > 0 && !CPreviewSource::readsPdf())
        QSKIP("built without Qt PDF");
    const CPreview preview = read(write(name, bytes));
    QCOMPARE(preview.problem, Problem::None);
    QVERIFY(!preview.image.isNull());
    QVERIFY(preview.image.width() <= kBox.width() && preview.image.height() <= kBox.height());
    QVERIFY2(near(colourAt(preview.image, 0.5, 0.5), colour), qPrintable(colourAt(preview.image, 0.5, 0.5).name()));
    QCOMPARE(preview.pages, pages);
    QCOMPARE(preview.pixels, pixels);
    QVERIFY(!preview.iconName.isEmpty());
    // The line of facts: the size, and the pages or the pixels.
    // Each fact stays on one line when the line wraps.
    const auto whole = [](QString fact) { return fact.replace(u' ', QChar::Nbsp); };
    QVERIFY2(preview.info.contains(whole(QLocale().formattedDataSize(bytes.size()))), qPrintable(preview.info));
    if (pages > 0) {
        // A4 upright, as large as the box allows.
        QVERIFY(preview.image.width() == kBox.width() || preview.image.height() == kBox.height());
        QVERIFY(qAbs(preview.image.height() - preview.image.width() * 297.0 / 210) <= 2);
        QVERIFY2(preview.info.contains(QString::number(pages)), qPrintable(preview.info));
    } else {
        QVERIFY2(preview.info.contains(u"%1\u00a0×\u00a0%2"_s.arg(pixels.width()).arg(pixels.height())),
                 qPrintable(preview.info));
    }
}

void tst_PreviewSource::turnsAJpegAsItsExifSays()
{
    const CPreview preview = read(write(u"photo.jpg"_s, PreviewFiles::turnedJpeg()));
    QCOMPARE(preview.problem, Problem::None);
    QCOMPARE(preview.pixels, QSize(100, 200));
    QCOMPARE(preview.image.size(), QSize(100, 200));
    QVERIFY(near(colourAt(preview.image, 0.5, 0.2), Qt::red));
    QVERIFY(near(colourAt(preview.image, 0.5, 0.8), Qt::blue));
}

void tst_PreviewSource::usesAThumbnailOnlyWhileItMatches_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<qint64>("mtimeShift");
    QTest::addColumn<bool>("otherUri");
    QTest::addColumn<bool>("used");
    QTest::newRow("large-matching") << u"large"_s << qint64(0) << false << true;
    QTest::newRow("normal-matching") << u"normal"_s << qint64(0) << false << true;
    QTest::newRow("stale-mtime") << u"large"_s << qint64(-60) << false << false;
    QTest::newRow("another-files-uri") << u"x-large"_s << qint64(0) << true << false;
}

void tst_PreviewSource::usesAThumbnailOnlyWhileItMatches()
{
    QFETCH(QString, folder);
    QFETCH(qint64, mtimeShift);
    QFETCH(bool, otherUri);
    QFETCH(bool, used);
#ifdef Q_OS_WIN
    QSKIP("the freedesktop cache is Linux's; Windows asks its shell (tst_ShellThumbnail)");
#endif
    // A type the preview cannot draw itself; the name has a space and Chinese, which the URI escapes.
    const QString path = write(u"教案 %1.odt"_s.arg(QString::fromLatin1(QTest::currentDataTag())),
                               QByteArray("PK\3\4 not really", 16));
    QVERIFY(!path.isEmpty());
    QImage thumbnail(256, 181, QImage::Format_RGB32);
    thumbnail.fill(Qt::magenta);
    const QString uri = QUrl::fromLocalFile(otherUri ? path + u".old"_s : path).toString(QUrl::FullyEncoded);
    thumbnail.setText(u"Thumb::URI"_s, uri);
    thumbnail.setText(u"Thumb::MTime"_s,
                      QString::number(QFileInfo(path).lastModified().toSecsSinceEpoch() + mtimeShift));
    const QString thumbnails = CPreviewSource::thumbnailFolder() + u'/' + folder;
    QVERIFY(QDir().mkpath(thumbnails));
    QVERIFY(thumbnail.save(thumbnails + u'/' + CPreviewSource::thumbnailName(path), "PNG"));

    const CPreview preview = read(path);
    QCOMPARE(preview.problem, Problem::None);
    QCOMPARE(!preview.image.isNull(), used);
    if (used)
        QVERIFY(near(colourAt(preview.image, 0.5, 0.5), Qt::magenta));
    QVERIFY(!preview.iconName.isEmpty());
}

void tst_PreviewSource::countsAFoldersEntries()
{
    QVERIFY(QDir(m_dir.path()).mkpath(u"班级/sub"_s));
    for (const QString &name : { u"a.txt"_s, u".hidden"_s })
        QVERIFY(writeBytes(m_dir.filePath(u"班级/"_s + name), "x"));
    const CPreview preview = read(m_dir.filePath(u"班级"_s));
    QVERIFY(preview.folder);
    QCOMPARE(preview.entries, 3);
    QVERIFY(preview.image.isNull());
    QCOMPARE(preview.iconName, u"inode-directory"_s);
    QVERIFY2(preview.info.contains(u'3'), qPrintable(preview.info));
}

void tst_PreviewSource::givesUpWithAReason_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Problem>("problem");
    QTest::addColumn<bool>("needsPdf");
#ifndef Q_OS_WIN
    QTest::newRow("fifo-named-pdf") << u"x.pdf"_s << QByteArray() << Problem::NotRegular << false;
#endif
    QTest::newRow("damaged-pdf") << u"damaged.pdf"_s << QByteArray("%PDF-1.7\n1 0 obj << /Type /Cat")
                                 << Problem::DamagedPdf << true;
    QTest::newRow("truncated-pdf") << u"truncated.pdf"_s << PreviewFiles::pdf(2, Qt::red).left(400)
                                   << Problem::DamagedPdf << true;
    QTest::newRow("encrypted-pdf") << u"locked.pdf"_s << PreviewFiles::encryptedPdf() << Problem::EncryptedPdf << true;
    QTest::newRow("claims-30000x30000") << u"huge.png"_s << PreviewFiles::pngClaiming({ 30000, 30000 })
                                        << Problem::ImageTooLarge << false;
    QTest::newRow("damaged-png") << u"cut.png"_s << PreviewFiles::png({ 64, 64 }, Qt::red).left(60)
                                 << Problem::DamagedImage << false;
    QTest::newRow("missing") << u"gone.txt"_s << QByteArray() << Problem::Missing << false;
}

void tst_PreviewSource::givesUpWithAReason()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(Problem, problem);
    QFETCH(bool, needsPdf);
    if (needsPdf && !CPreviewSource::readsPdf())
        QSKIP("built without Qt PDF");
    const QString path = m_dir.filePath(name);
#ifndef Q_OS_WIN
    if (problem == Problem::NotRegular)
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
    if (problem != Problem::Missing && problem != Problem::NotRegular)
        QVERIFY(writeBytes(path, bytes));
    // No writer ever opens the FIFO: a reader that waited for one would stop the test here.
    const CPreview preview = read(path);
    QCOMPARE(preview.problem, problem);
    QVERIFY(preview.image.isNull());
    QVERIFY(!preview.reason.isEmpty());
    QVERIFY(!preview.iconName.isEmpty());
    if (problem == Problem::ImageTooLarge)
        QVERIFY2(preview.reason.contains(u"30000 × 30000"_s), qPrintable(preview.reason));
}

QTEST_MAIN(tst_PreviewSource)
#include "tst_PreviewSource.moc"
