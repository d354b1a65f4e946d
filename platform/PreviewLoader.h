// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PreviewSource.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>

class QThreadPool;

/// Reads the preview of the loaded item off the window's thread: one item at a time, the previous reading cancelled
/// and its late answer dropped, each answer kept per path, modification time and size, and a time limit after which
/// the window shows why there is no picture instead of waiting.
class CPreviewLoader : public QObject
{
    Q_OBJECT
public:
    explicit CPreviewLoader(QObject *parent = nullptr);
    ~CPreviewLoader() override;

    /// Reads `path` for a picture that fits `box` (device pixels), and cancels what was asked before.
    void load(const QString &path, QSize box);
    /// Nothing is loaded any more; the reading under way is cancelled.
    void clear();
    /// Test seam: how long the window waits before it says the disk did not answer (2 s by default).
    void setTimeout(std::chrono::milliseconds timeout);
    /// Test seam: how many readings, cancelled ones included, have not come back.
    [[nodiscard]] qsizetype outstanding() const;
    /// Test seam: runs on the reading thread with each path before it is read, as a slow disk would. It may block.
    static void setStallForTesting(std::function<void(const QString &)> stall);

Q_SIGNALS:
    /// The preview of the path asked last. Comes once more, with the picture, when a reading that ran out of time
    /// finishes while its path is still the one asked for.
    void ready(const CPreview &preview);

private:
    struct Cache;
    struct Reading;

    void answered(quint64 generation, const std::shared_ptr<Reading> &reading, const CPreview &preview);
    void giveUp();
    [[nodiscard]] bool folderHangs(const QString &folder) const;
    [[nodiscard]] static CPreview readThrough(const std::shared_ptr<Cache> &cache,
                                              const std::shared_ptr<Reading> &reading, const QString &path, QSize box);
    [[nodiscard]] static QThreadPool *pool();

    std::shared_ptr<Cache> m_cache;
    std::shared_ptr<Reading> m_reading; ///< the reading of the path asked last, until it answers
    quint64 m_generation = 0;
    QString m_path;
    std::chrono::milliseconds m_timeout { 2000 };
    QTimer m_deadline;
    QList<std::shared_ptr<Reading>> m_outstanding; ///< every reading that has not come back, cancelled ones too
};
