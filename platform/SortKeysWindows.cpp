// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SortKeys.h"

#include <vector>

#include <windows.h>

#ifndef SORT_DIGITSASNUMBERS
#define SORT_DIGITSASNUMBERS 8
#endif

namespace
{
// The flags QCollator compares with on Windows when it ignores case and reads numbers by value. Explorer's
// StrCmpLogicalW orders the same way; it only has no sort keys to offer.
constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE | SORT_DIGITSASNUMBERS;
} // namespace

struct CSortKeys::Collation {
    std::wstring locale;
    std::vector<BYTE> buffer = std::vector<BYTE>(256);
};

CSortKeys::CSortKeys(const QLocale &locale)
    : m_collation(std::make_unique<Collation>())
{
    m_collation->locale = locale.bcp47Name().toStdWString();
}

CSortKeys::~CSortKeys() = default;

QByteArrayView CSortKeys::keyOf(QStringView text) const
{
    std::vector<BYTE> &buffer = m_collation->buffer;
    const auto *chars = reinterpret_cast<const wchar_t *>(text.utf16());
    const int length = int(text.size());
    const auto map = [&](BYTE *out, int bytes) {
        return ::LCMapStringEx(m_collation->locale.c_str(), kFlags, chars, length, reinterpret_cast<LPWSTR>(out), bytes,
                               nullptr, nullptr, 0);
    };
    if (text.isEmpty())
        return {};
    int size = map(buffer.data(), int(buffer.size()));
    if (size == 0 && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        buffer.resize(size_t(map(nullptr, 0)));
        size = map(buffer.data(), int(buffer.size()));
    }
    if (size == 0)
        qFatal("the system made no sort key: error %lu", ::GetLastError());
    // The closing zero byte orders nothing, as with ICU's keys.
    return { buffer.data(), std::max(0, size - 1) };
}

QByteArray CSortKeys::identity(const QLocale &locale)
{
    const std::wstring name = locale.bcp47Name().toStdWString();
    NLSVERSIONINFOEX version {};
    version.dwNLSVersionInfoSize = sizeof version;
    if (!::GetNLSVersionEx(COMPARE_STRING, name.c_str(), &version))
        return {};
    const QByteArray custom(reinterpret_cast<const char *>(&version.guidCustomVersion),
                            sizeof version.guidCustomVersion);
    return QByteArray("windows/") + QByteArray::number(uint(kFlags), 16) + '/' + locale.bcp47Name().toUtf8() + '/'
        + QByteArray::number(uint(version.dwNLSVersion), 16) + '/'
        + QByteArray::number(uint(version.dwDefinedVersion), 16) + '/' + custom.toHex();
}
