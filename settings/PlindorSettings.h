// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>

class QSettings;

/// The five stored parts of a quick-move button's link.
struct CButtonLink {
    QString filePathName;
    QString filePath;
    QString fileName;
    QString extend;
    QString name;

    friend bool operator==(const CButtonLink &, const CButtonLink &) = default;
};

/// The switches of the queue's context menu.
struct CWorkflowOptions {
    bool keepPieces = false; ///< a successful operation keeps the prefix and suffix for the next item
    bool numberOnClash = false; ///< a taken name becomes name_2 … name_999
    bool quietQuickMove = false; ///< a successful quick-move shows no message
    bool restoreQueue = true; ///< the next start brings back the queue and the edits

    friend bool operator==(const CWorkflowOptions &, const CWorkflowOptions &) = default;
};

/// Everything the program remembers between runs.
struct CProfile {
    QStringList folders; ///< the target-folder list, in list order
    std::array<CButtonLink, 5> links; ///< quick-move buttons 1 … 5
    std::array<QString, 6> captions; ///< common-text buttons 1 … 6; empty keeps the built-in caption
    bool previewShown = true; ///< the preview beside the window, as the user last chose
    CWorkflowOptions options {};
    /// Where the window was last closed, as QWidget::saveGeometry() gives it; empty before the first close.
    QByteArray windowGeometry {};

    friend bool operator==(const CProfile &, const CProfile &) = default;
};

/// Reads and writes the profile through QSettings, with the historical sections and keys.
class CPlindorSettings
{
public:
    explicit CPlindorSettings(QSettings &store);
    ~CPlindorSettings();

    /// The user's own profile: an INI file under the configuration folder on Linux, the registry on Windows.
    [[nodiscard]] static std::unique_ptr<QSettings> openUserProfile();

    [[nodiscard]] CProfile load();
    /// Writes the whole profile; false when it could not be stored.
    bool save(const CProfile &profile);
    /// Writes the switches alone, at once: a switch the user just flipped must outlive a killed session.
    bool saveOptions(const CWorkflowOptions &options);

private:
    QSettings &m_store;
    bool m_keepAsideBeforeSave = false;
};
