// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SortKeys.h"

#include <unicode/ucol.h>
#include <unicode/uversion.h>

#include <vector>

struct CSortKeys::Collation {
    UCollator *collator = nullptr;
    std::vector<uint8_t> buffer = std::vector<uint8_t>(256);

    ~Collation()
    {
        ucol_close(collator);
    }
};

// Configured as QCollator configures its own ICU collator for the same locale and settings, so that the keys order
// texts exactly as QCollator::compare() does.
CSortKeys::CSortKeys(const QLocale &locale)
    : m_collation(std::make_unique<Collation>())
{
    UErrorCode status = U_ZERO_ERROR;
    UCollator *collator = ucol_open(locale.bcp47Name().replace(u'-', u'_').toLatin1().constData(), &status);
    if (U_FAILURE(status))
        qFatal("no collator for the locale %s", qPrintable(locale.bcp47Name()));
    m_collation->collator = collator;
    ucol_setAttribute(collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
    ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    ucol_setAttribute(collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    if (U_FAILURE(status))
        qFatal("the collator refused its settings: %d", status);
}

CSortKeys::~CSortKeys() = default;

QByteArrayView CSortKeys::keyOf(QStringView text) const
{
    std::vector<uint8_t> &buffer = m_collation->buffer;
    const auto *chars = reinterpret_cast<const UChar *>(text.utf16());
    const auto length = static_cast<int32_t>(text.size());
    int32_t size
        = ucol_getSortKey(m_collation->collator, chars, length, buffer.data(), static_cast<int32_t>(buffer.size()));
    if (size > static_cast<int32_t>(buffer.size())) {
        buffer.resize(static_cast<size_t>(size));
        size = ucol_getSortKey(m_collation->collator, chars, length, buffer.data(), size);
    }
    // The key's closing zero byte orders nothing: a key that is a prefix of another is shorter.
    return { buffer.data(), std::max(0, size - 1) };
}

QByteArray CSortKeys::identity(const QLocale &locale)
{
    // The library's version stands for its collation data, which it carries; opening a collator to ask would cost
    // more than the rest of a start with a kept queue.
    UVersionInfo version {};
    u_getVersion(version);
    // The settings above are part of it: keys made with others order otherwise.
    return "icu/secondary,numeric,non-ignorable/" + locale.bcp47Name().toLatin1() + '/'
        + QByteArray(reinterpret_cast<const char *>(version), sizeof version).toHex();
}
