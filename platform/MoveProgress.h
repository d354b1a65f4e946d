// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Mover.h"

#include <QElapsedTimer>
#include <QPointer>

class QProgressDialog;
class QWidget;

/// Shows a cancellable progress dialog once a copy to another drive turns out to be slow.
class CMoveProgress : public IMoveProgress
{
public:
    /// Construct right before the move. Test seam: `showAfterMs` = 0 shows the dialog at the first report.
    explicit CMoveProgress(QWidget *parent, int showAfterMs = 500);
    ~CMoveProgress() override;
    CMoveProgress(const CMoveProgress &) = delete;
    CMoveProgress &operator=(const CMoveProgress &) = delete;

    bool copied(qint64 done, qint64 total) override;
    /// The dialog once it is shown, else nullptr.
    [[nodiscard]] QProgressDialog *dialog() const;

private:
    void showDialog();

    QWidget *m_parent;
    int m_showAfterMs;
    QElapsedTimer m_elapsed;
    QPointer<QProgressDialog> m_dialog;
    bool m_cancelled = false;
};
