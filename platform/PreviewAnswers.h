// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/PreviewProtocol.h"
#include "platform/PreviewSource.h"

#include <optional>

/// A preview in the protocol's terms and back: the helper sends what it read, the window shows what it received.
class CPreviewAnswers
{
public:
    [[nodiscard]] static CPreviewAnswer toAnswer(const CPreview &preview, quint64 generation);
    /// Nothing when the answer names a problem this program does not know.
    [[nodiscard]] static std::optional<CPreview> toPreview(const CPreviewAnswer &answer);
};
