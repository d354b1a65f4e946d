// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ShellThumbnail.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include <objbase.h>
#include <shobjidl.h>
#include <windows.h>

namespace
{
/// The shell's objects want a single-threaded apartment. Each thread that asks joins one with its first question
/// and leaves it when it ends; a thread already in the multithreaded apartment asks from there.
class CApartment
{
public:
    CApartment()
        : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))
    {
    }
    ~CApartment()
    {
        if (SUCCEEDED(m_result))
            CoUninitialize();
    }
    CApartment(const CApartment &) = delete;
    CApartment &operator=(const CApartment &) = delete;

    [[nodiscard]] bool joined() const
    {
        return SUCCEEDED(m_result) || m_result == RPC_E_CHANGED_MODE;
    }

private:
    HRESULT m_result;
};

/// Nothing drawn at all: every pixel transparent black. Wine's shell answers every file so, with one such pixel.
bool blank(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        if (std::any_of(line, line + image.width(), [](QRgb pixel) { return pixel != 0; }))
            return false;
    }
    return true;
}

/// A bitmap without alpha leaves it 0 throughout, which reads as transparent: such a picture is made opaque. So is
/// a pixel of no alpha but some colour, which premultiplied alpha cannot hold.
void keepOpaqueOpaque(QImage &image)
{
    bool anyAlpha = false;
    for (int y = 0; y < image.height() && !anyAlpha; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        anyAlpha = std::any_of(line, line + image.width(), [](QRgb pixel) { return qAlpha(pixel) != 0; });
    }
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (!anyAlpha || (qAlpha(line[x]) == 0 && (line[x] & 0x00ffffffU) != 0))
                line[x] |= 0xff000000U;
        }
    }
}

HBITMAP thumbnailBitmap(const QString &path, QSize box)
{
    const QString native = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    IShellItemImageFactory *factory = nullptr;
    if (FAILED(SHCreateItemFromParsingName(reinterpret_cast<PCWSTR>(native.utf16()), nullptr, IID_PPV_ARGS(&factory))))
        return nullptr;
    HBITMAP bitmap = nullptr;
    // The thumbnail or nothing: without SIIGBF_THUMBNAILONLY the shell would answer the type's icon, drawn by its
    // own rules and not the preview's.
    const HRESULT drawn = factory->GetImage(SIZE { box.width(), box.height() }, SIIGBF_THUMBNAILONLY, &bitmap);
    factory->Release();
    if (FAILED(drawn) && bitmap) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}
} // namespace

QImage CShellThumbnail::of(const QString &path, QSize box)
{
    thread_local const CApartment apartment;
    if (!apartment.joined() || box.isEmpty())
        return {};
    const HBITMAP bitmap = thumbnailBitmap(path, box);
    if (!bitmap)
        return {};
    QImage image = toImage(bitmap);
    DeleteObject(bitmap);
    // The shell fits the thumbnail in the box it was given; a handler that draws larger is held to it all the same.
    if (image.width() > box.width() || image.height() > box.height())
        image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

// Not QImage::fromHBITMAP: it copies a DIB section's lines in the order they are stored, which GetObject does not
// tell (its height is positive either way), so that a thumbnail stored top line first came out upside down; and it
// drops the alpha the shell gives. GetDIBits is asked for the lines top first, 32 bits each, as QImage holds them.
QImage CShellThumbnail::toImage(HBITMAP bitmap)
{
    BITMAP facts {};
    if (GetObjectW(bitmap, sizeof facts, &facts) == 0 || facts.bmWidth <= 0 || facts.bmHeight <= 0)
        return {};
    QImage image(facts.bmWidth, facts.bmHeight, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.width();
    info.bmiHeader.biHeight = -image.height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const HDC screen = GetDC(nullptr);
    const int lines = GetDIBits(screen, bitmap, 0, UINT(image.height()), image.bits(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (lines != image.height() || blank(image))
        return {};
    keepOpaqueOpaque(image);
    return image;
}
