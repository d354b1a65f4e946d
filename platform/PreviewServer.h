// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PreviewSource.h"

#include <QCache>

class QIODevice;
struct CPreviewRequest;

/// The preview helper's work: it reads one question at a time from the window, reads the item as CPreviewSource
/// does, and writes back first a progress answer once the item's metadata came, then the preview. Answers are kept
/// per path, modification time, size and box for as long as the helper lives.
class CPreviewServer
{
public:
    /// Test seam, read from the environment at start: PLINDOR_PREVIEW_TEST_MODE=hang:<folder> never answers for a
    /// path in that folder (a mount gone away), allocate:<folder> allocates memory without end after the metadata,
    /// spin:<folder> spins without end, crash:<folder> aborts. Each harms only the helper itself, which the window's
    /// limits end.
    static constexpr const char *kTestModeVariable = "PLINDOR_PREVIEW_TEST_MODE";
    /// Below the CPU limit the helper runs under (CHelperLimits::kCpuSeconds).
    static constexpr long kRetireAfterCpuSeconds = 30;

    /// Serves questions until the window closes `in`; the helper's exit status.
    int serve(QIODevice &in, QIODevice &out);

private:
    [[nodiscard]] CPreview answer(const CPreviewRequest &request, QIODevice &out);
    void actOutTestMode(const QString &path, bool metadataRead) const;

    QCache<QString, CPreview> m_kept { 32 * 1024 }; ///< about fifty previews of the pane's size, in KiB
};
