// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/Bytes.h"
#include "helpers/PreviewFiles.h"
#include "platform/PreviewLoader.h"
#include "platform/ShellThumbnail.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

#include <windows.h>

using namespace Qt::Literals::StringLiterals;
using Problem = CPreview::Problem;

/// Windows's thumbnails in the preview: the shell's bitmap the right way up, nothing in place of a thumbnail the
/// shell does not have, so that the item shows its icon as it did before the shell was asked, and what the shell
/// draws carried through the helper to the window.
class tst_ShellThumbnail : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void readsTheBitmapAsItLooks_data();
    void readsTheBitmapAsItLooks();
    void showsTheIconWhereTheShellHasNoThumbnail_data();
    void showsTheIconWhereTheShellHasNoThumbnail();
    void carriesTheShellsThumbnailThroughTheHelper();

private:
    QTemporaryDir m_dir;
};

namespace
{
const QSize kBox(200, 280);

CPreview previewThroughTheHelper(const QString &path)
{
    CPreviewLoader loader;
    QSignalSpy ready(&loader, &CPreviewLoader::ready);
    loader.setTimeout(std::chrono::seconds(20));
    loader.load(path, kBox);
    return ready.wait(30'000) ? ready.constLast().constFirst().value<CPreview>() : CPreview {};
}

/// A 40 × 60 uncompressed RGB TIFF, red above and blue below: a type the preview does not decode itself on Windows,
/// so that only the shell can draw it.
QByteArray redOverBlueTiff()
{
    constexpr quint16 width = 40;
    constexpr quint16 height = 60;
    QByteArray pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            pixels += y < height / 2 ? QByteArray("\xff\x00\x00", 3) : QByteArray("\x00\x00\xff", 3);
    }
    QByteArray tiff("II*\0", 4);
    const auto put16 = [&tiff](quint16 value) {
        tiff += char(value & 0xff);
        tiff += char(value >> 8);
    };
    const auto put32 = [&](quint32 value) {
        put16(quint16(value & 0xffff));
        put16(quint16(value >> 16));
    };
    const quint32 bitsAt = 8 + 2 + 9 * 12 + 4;
    const quint32 pixelsAt = bitsAt + 6;
    put32(8);
    put16(9);
    const auto entry = [&](quint16 tag, quint16 type, quint32 count, quint32 value) {
        put16(tag);
        put16(type);
        put32(count);
        put32(value);
    };
    entry(256, 3, 1, width);
    entry(257, 3, 1, height);
    entry(258, 3, 3, bitsAt); // 8 bits for each of the three samples
    entry(259, 3, 1, 1); // no compression
    entry(262, 3, 1, 2); // RGB
    entry(273, 4, 1, pixelsAt);
    entry(277, 3, 1, 3);
    entry(278, 3, 1, height);
    entry(279, 4, 1, quint32(pixels.size()));
    put32(0);
    for (int sample = 0; sample < 3; ++sample)
        put16(8);
    return tiff + pixels;
}

/// A DIB section of 4 × 6 pixels, red above and blue below, storing its lines top first or bottom first, with
/// `alpha` in each pixel's fourth byte.
HBITMAP redOverBlueBitmap(bool bottomUp, quint32 alpha)
{
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 4;
    info.bmiHeader.biHeight = bottomUp ? 6 : -6;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
        return nullptr;
    auto *lines = static_cast<quint32 *>(bits);
    for (int stored = 0; stored < 6; ++stored) {
        const int y = bottomUp ? 5 - stored : stored;
        for (int x = 0; x < 4; ++x)
            lines[stored * 4 + x] = (y < 3 ? 0x00ff0000U : 0x000000ffU) | alpha << 24;
    }
    return bitmap;
}
} // namespace

void tst_ShellThumbnail::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(!CPreviewLoader::helperProgram().isEmpty(), "plindor-preview is not beside the test");
    qRegisterMetaType<CPreview>();
}

void tst_ShellThumbnail::readsTheBitmapAsItLooks_data()
{
    QTest::addColumn<bool>("bottomUp");
    QTest::addColumn<quint32>("alpha");
    QTest::addColumn<bool>("blank");
    QTest::newRow("top-down") << false << 0xffU << false;
    QTest::newRow("bottom-up") << true << 0xffU << false;
    // Most handlers leave the fourth byte 0: the picture is opaque all the same, not transparent.
    QTest::newRow("without-alpha") << false << 0U << false;
    // What Wine's shell answers for every file, thumbnail or not: the item shows its icon, not a black dot.
    QTest::newRow("blank") << false << 0U << true;
}

void tst_ShellThumbnail::readsTheBitmapAsItLooks()
{
    QFETCH(bool, bottomUp);
    QFETCH(quint32, alpha);
    QFETCH(bool, blank);
    const HBITMAP bitmap = redOverBlueBitmap(bottomUp, alpha);
    QVERIFY(bitmap);
    if (blank) {
        BITMAP facts {};
        QVERIFY(GetObjectW(bitmap, sizeof facts, &facts) != 0);
        std::memset(facts.bmBits, 0, size_t(facts.bmWidthBytes) * size_t(facts.bmHeight));
    }
    const QImage image = CShellThumbnail::toImage(bitmap);
    DeleteObject(bitmap);
    if (blank) {
        QVERIFY(image.isNull());
        return;
    }
    QCOMPARE(image.size(), QSize(4, 6));
    QCOMPARE(image.pixelColor(1, 0), QColor(Qt::red));
    QCOMPARE(image.pixelColor(1, 5), QColor(Qt::blue));
}

void tst_ShellThumbnail::showsTheIconWhereTheShellHasNoThumbnail_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Problem>("problem");
    QTest::newRow("unknown-type") << u"notes.plindor-unknown"_s << QByteArray("nothing any handler reads")
                                  << Problem::None;
    QTest::newRow("pdf") << u"worksheet.pdf"_s << PreviewFiles::pdf(1, Qt::blue) << Problem::NoPdfSupport;
}

// Where the system has a PDF handler (not under Wine), its page 1 is what shows: that row then checks the picture.
void tst_ShellThumbnail::showsTheIconWhereTheShellHasNoThumbnail()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(Problem, problem);
    const QString path = m_dir.filePath(name);
    QVERIFY(writeBytes(path, bytes));
    const QImage thumbnail = CShellThumbnail::of(path, kBox);
    const CPreview preview = previewThroughTheHelper(path);
    QCOMPARE(preview.path, path);
    QVERIFY(!preview.iconName.isEmpty());
    if (!thumbnail.isNull()) {
        QCOMPARE(preview.problem, Problem::None);
        QCOMPARE(preview.image.size(), thumbnail.size());
        return;
    }
    QVERIFY(preview.image.isNull());
    QCOMPARE(preview.problem, problem);
    QCOMPARE(preview.reason.isEmpty(), problem == Problem::None);
}

void tst_ShellThumbnail::carriesTheShellsThumbnailThroughTheHelper()
{
    const QString path = m_dir.filePath(u"scan.tif"_s);
    QVERIFY(writeBytes(path, redOverBlueTiff()));
    const QImage thumbnail = CShellThumbnail::of(path, kBox);
    if (thumbnail.isNull())
        QSKIP("this system's shell draws no thumbnail of a TIFF");
    QVERIFY(thumbnail.width() <= kBox.width() && thumbnail.height() <= kBox.height());
    QCOMPARE(thumbnail.pixelColor(thumbnail.width() / 2, thumbnail.height() / 4), QColor(Qt::red));
    QCOMPARE(thumbnail.pixelColor(thumbnail.width() / 2, thumbnail.height() * 3 / 4), QColor(Qt::blue));
    const CPreview preview = previewThroughTheHelper(path);
    QCOMPARE(preview.problem, Problem::None);
    QCOMPARE(preview.image, thumbnail.convertToFormat(preview.image.format()));
}

QTEST_MAIN(tst_ShellThumbnail)
#include "tst_ShellThumbnail.moc"
