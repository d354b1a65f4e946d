// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QLocale>
#include <QStringView>

#include <memory>

/// Collation keys of the queue's order, from the collation the system's own QCollator compares with: ICU on Linux,
/// the system's sort keys on Windows (case ignored, digits by value there too, as Explorer sorts). Comparing two keys
/// bytewise orders their texts as QCollator::compare() does, with case ignored and numbers by value.
/// One object serves one thread at a time.
class CSortKeys
{
public:
    explicit CSortKeys(const QLocale &locale);
    ~CSortKeys();
    CSortKeys(const CSortKeys &) = delete;
    CSortKeys &operator=(const CSortKeys &) = delete;

    /// The key of `text`, without a closing zero byte, in a buffer that the next call reuses.
    [[nodiscard]] QByteArrayView keyOf(QStringView text) const;
    /// What makes the keys: the collation, its version and its settings. Keys kept from an earlier run may be used
    /// again only while it stays the same; an update of the system's collation changes it.
    [[nodiscard]] static QByteArray identity(const QLocale &locale);

private:
    struct Collation;
    std::unique_ptr<Collation> m_collation;
};
