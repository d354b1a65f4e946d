// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/PreviewChannel.h"
#include "platform/HelperLimits.h"
#include "platform/PreviewSource.h"

#include <QList>
#include <QObject>
#include <QProcess>
#include <QTimer>

#include <chrono>

/// Has the preview helper (plindor-preview) read the loaded item, so that the window itself opens no document: one
/// helper at a time, started with the first item to show, asked one item at a time. The helper that is still at work
/// when another item loads, or when the time limit runs out, is killed and the next item gets a new one; a helper
/// that ends or talks nonsense costs only the item it read, which shows its icon and why.
class CPreviewLoader : public QObject
{
    Q_OBJECT
public:
    explicit CPreviewLoader(QObject *parent = nullptr);
    ~CPreviewLoader() override;

    /// Has `path` read for a picture that fits `box` (device pixels), and gives up what was asked before.
    void load(const QString &path, QSize box);
    /// Nothing is loaded any more; a helper at work is stopped.
    void clear();
    /// Before an operation on `path`: a helper still reading it is ended, and waited for, so that nothing it opened
    /// (the shell's thumbnail handler on Windows grants no renaming while it reads) is open when the operation starts.
    /// The item shows its icon until it is loaded again.
    void release(const QString &path);
    /// Test seam: how long the window waits for an item before it says why there is no picture (2 s by default).
    void setTimeout(std::chrono::milliseconds timeout);
    /// Test seam: the question under way and the helpers killed that have not ended yet.
    [[nodiscard]] qsizetype outstanding() const;
    /// Test seam: how many helpers were started.
    [[nodiscard]] int starts() const;
    /// Where the helper is looked for: in the program's module folder, else beside the program (the build tree).
    /// Never in a folder the environment names: it is code.
    [[nodiscard]] static QString helperProgram();

Q_SIGNALS:
    /// The preview of the path asked last, once.
    void ready(const CPreview &preview);

private:
    struct Dying {
        QProcess *process = nullptr;
        QString hungFolder; ///< the folder it waited on when it was killed, if the disk never answered
    };

    [[nodiscard]] bool start();
    void readAnswers();
    void helperEnded();
    void giveUp();
    void fail(CPreview::Problem problem);
    void answer(const CPreview &preview);
    void retire(bool hungOnDisk);
    [[nodiscard]] bool folderHangs(const QString &folder) const;

    QProcess *m_helper = nullptr;
    CPreviewChannel m_channel;
    CHelperLimits m_limits;
    bool m_busy = false;
    bool m_metadataRead = false;
    bool m_askedAgain = false;
    QString m_path;
    QString m_folder;
    QSize m_box;
    int m_starts = 0;
    std::chrono::milliseconds m_timeout { 2000 };
    QTimer m_deadline;
    QList<Dying> m_dying;
};
