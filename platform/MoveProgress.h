// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Mover.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

class QProgressDialog;
class QWidget;

/// Shows a cancellable progress dialog once a copy to another drive turns out to be slow. While the copy runs, the
/// user's keys and clicks reach the dialog and the boxes opened meanwhile only: the other windows drop them, so that
/// a press during the copy never files the next item once it is done.
class CMoveProgress : public QObject, public IMoveProgress
{
    Q_OBJECT
public:
    /// Construct right before the move. Test seam: `showAfterMs` = 0 shows the dialog at the first report.
    explicit CMoveProgress(QWidget *parent, int showAfterMs = 500);
    ~CMoveProgress() override;
    CMoveProgress(const CMoveProgress &) = delete;
    CMoveProgress &operator=(const CMoveProgress &) = delete;

    bool copied(qint64 done, qint64 total) override;
    /// The dialog once it is shown, else nullptr.
    [[nodiscard]] QProgressDialog *dialog() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showDialog();
    [[nodiscard]] bool isForOpenBox(QObject *watched) const;

    QWidget *m_parent;
    int m_showAfterMs;
    QElapsedTimer m_elapsed;
    QPointer<QProgressDialog> m_dialog;
    bool m_cancelled = false;
    bool m_reported = false; ///< the copy let events through at least once
};
