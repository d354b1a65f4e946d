// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/PreviewFiles.h"

#include <QBuffer>
#include <QImage>
#include <QList>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QtEndian>

#include <array>

namespace
{
QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffU;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320U & (0U - (crc & 1U)));
    }
    return ~crc;
}

QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    return bigEndian32(quint32(data.size())) + type + data + bigEndian32(crc32(type + data));
}

/// A PDF of these objects, numbered from 1, with a correct cross-reference table.
QByteArray assembled(const QList<QByteArray> &objects, const QByteArray &trailer)
{
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects.at(i) + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + ' ' + trailer + " >>\nstartxref\n"
        + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}
} // namespace

QByteArray PreviewFiles::png(QSize size, const QColor &colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return encoded(image, "PNG");
}

QByteArray PreviewFiles::turnedJpeg()
{
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, 100, 100, Qt::red);
    const QByteArray jpeg = encoded(image, "JPEG");
    // One IFD entry: Orientation (0x0112), a SHORT, value 6.
    const QByteArray tiff = QByteArray("MM\0*", 4) + bigEndian32(8)
        + QByteArray::fromHex("0001"
                              "0112"
                              "0003")
        + bigEndian32(1) + QByteArray::fromHex("00060000") + bigEndian32(0);
    const QByteArray exif = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment = QByteArray::fromHex("ffe1") + QByteArray(2, '\0') + exif;
    qToBigEndian(quint16(exif.size() + 2), segment.data() + 2);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

QByteArray PreviewFiles::pngClaiming(QSize size)
{
    const QByteArray header = bigEndian32(quint32(size.width())) + bigEndian32(quint32(size.height()))
        + QByteArray::fromHex("0802000000"); // 8-bit RGB, no interlace
    // A reader finds the size where the pixels start; a few zero bytes stand for them.
    const QByteArray pixels = qCompress(QByteArray(64, '\0')).mid(4);
    return QByteArray::fromHex("89504e470d0a1a0a") + pngChunk("IHDR", header) + pngChunk("IDAT", pixels)
        + pngChunk("IEND", {});
}

QByteArray PreviewFiles::pdf(int pages, const QColor &colour)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(72);
        QPainter painter(&writer);
        for (int page = 0; page < pages; ++page) {
            if (page > 0)
                writer.newPage();
            painter.fillRect(painter.viewport(), colour);
        }
    }
    return bytes;
}

QByteArray PreviewFiles::scanPdf(int dpi)
{
    // A4; rows of "text" strokes on paper-white, with the grain of a scanner.
    QImage scan(dpi * 827 / 100, dpi * 1169 / 100, QImage::Format_Grayscale8);
    auto *random = QRandomGenerator::global();
    for (int y = 0; y < scan.height(); ++y) {
        uchar *line = scan.scanLine(y);
        const int y200 = y * 200 / dpi;
        const bool textRow = (y200 / 24) % 2 == 1 && y200 > 150 && y200 < 2200;
        for (int x = 0; x < scan.width(); ++x) {
            const int x200 = x * 200 / dpi;
            const bool ink = textRow && x200 > 150 && x200 < 1500 && (x200 / 9 + y200 / 24) % 5 != 0;
            line[x] = uchar((ink ? 40 : 235) + random->bounded(16));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins({});
        writer.setResolution(dpi);
        QPainter painter(&writer);
        painter.drawImage(QRect(QPoint(0, 0), scan.size()), scan);
    }
    return bytes;
}

QByteArray PreviewFiles::encryptedPdf()
{
    // Owner and user keys that no password, the empty one included, opens.
    const QByteArray key = QByteArray(32, '\x5a').toHex();
    return assembled(
        { "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] >>",
          "<< /Filter /Standard /V 1 /R 2 /O <" + key + "> /U <" + key + "> /P -4 >>" },
        "/Root 1 0 R /Encrypt 4 0 R /ID [<00112233445566778899aabbccddeeff><00112233445566778899aabbccddeeff>]");
}

namespace
{
/// A PDF of the numbered objects given, 1 the catalogue, with a cross-reference table that finds them.
QByteArray pdfOf(const QList<QByteArray> &objects)
{
    return assembled(objects, "/Root 1 0 R");
}

QByteArray stream(const QByteArray &dictionary, const QByteArray &content)
{
    return "<< " + dictionary + " /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content
        + "\nendstream";
}
} // namespace

QByteArray PreviewFiles::fannedOutPdf(int wide, int deep)
{
    // 1 catalogue, 2 pages, 3 page, 4 its content, 5… the forms, the last of which only fills a square.
    QList<QByteArray> objects { "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R "
                                "/Resources << /XObject << /F 5 0 R >> >> >>",
                                stream({}, "/F Do") };
    QByteArray draws;
    for (int i = 0; i < wide; ++i)
        draws += "q 0.9 0 0 0.9 " + QByteArray::number(i) + " 0 cm /F Do Q\n";
    for (int level = 0; level < deep; ++level) {
        const QByteArray next = QByteArray::number(6 + level);
        const bool last = level == deep - 1;
        objects << stream("/Type /XObject /Subtype /Form /BBox [0 0 595 842]"
                              + (last ? QByteArray() : " /Resources << /XObject << /F " + next + " 0 R >> >>"),
                          last ? QByteArray("0 0 10 10 re f") : draws);
    }
    return pdfOf(objects);
}

QByteArray PreviewFiles::selfListingPdf()
{
    return pdfOf({ "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [2 0 R] /Count 1 >>" });
}
