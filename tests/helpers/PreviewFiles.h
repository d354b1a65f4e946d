// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QColor>
#include <QSize>

/// The bytes of files the preview reads, made in the test itself: images, PDFs and broken ones of both.
namespace PreviewFiles
{
/// A PNG of one colour.
QByteArray png(QSize size, const QColor &colour);
/// A 200 × 100 JPEG, red on its left half and blue on its right, whose EXIF orientation (6) turns it a quarter to the
/// right: shown, it is 100 × 200, red above and blue below.
QByteArray turnedJpeg();
/// A PNG whose header claims `size`, with no pixels behind it.
QByteArray pngClaiming(QSize size);
/// A PDF of `pages` A4 pages, each filled with `colour`.
QByteArray pdf(int pages, const QColor &colour);
/// A one-page A4 PDF holding a greyscale scan at `dpi`, as a scanner makes it.
QByteArray scanPdf(int dpi = 200);
/// A small PDF whose page draws a form that draws the next form `wide` times, `deep` forms down: drawn whole, it
/// would take wide^deep draws.
QByteArray fannedOutPdf(int wide, int deep);
/// A PDF whose page tree lists itself as its one child.
QByteArray selfListingPdf();
/// A PDF encrypted with a user password that is not empty.
QByteArray encryptedPdf();
} // namespace PreviewFiles
