// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QStringList>

/// The ready-made name pieces offered from today's date: school terms, dates and numbered suffixes.
class CCandidateLists
{
public:
    struct DateTexts {
        QString year; ///< "2026年"
        QString month; ///< "3月", no leading zero
        QString day; ///< "5日"
        QString ymd; ///< "2026年3月5日"
        QString md; ///< "3月5日"
    };

    [[nodiscard]] static DateTexts dateTexts(QDate today);
    /// "上期" (spring) before September, "下期" from September on; the second list offers the other one.
    [[nodiscard]] static QString termWord(QDate today, bool firstList);
    /// The four terms of the last three years and this one, oldest first.
    [[nodiscard]] static QStringList terms(QDate today, bool firstList);
    [[nodiscard]] static QStringList dates(const DateTexts &texts);
    [[nodiscard]] static QStringList suffixes();
};
