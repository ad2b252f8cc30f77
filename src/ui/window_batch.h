// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobs/batch_run.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

class QThread;

namespace kelvra {

// The core's batch run on a thread of its own, for a window. It works on the
// list and design it was given, so the window may change its own meanwhile.
// Everything it reports arrives on the window's thread as signals, in the
// order the run made it; finished() comes last, once every photo started is
// done, and report() holds the result from then on.
class WindowBatch : public QObject
{
    Q_OBJECT
public:
    WindowBatch(QStringList photos, QString outputFolder, BatchJob job, QObject *parent = nullptr);
    // Cancels and waits for the photos already started.
    ~WindowBatch() override;

    void start();
    // Stops the run before its next photo; safe to call more than once.
    void cancel();
    bool cancelRequested() const { return m_cancel.load(); }
    bool isRunning() const;
    // Blocks until the run is over; finished() is still delivered later.
    void wait();

    const QStringList &photos() const { return m_photos; }
    const QString &outputFolder() const { return m_folder; }
    const BatchReport &report() const { return m_report; }

    // Called on the run's thread before the step for photo `position` is
    // reported, so a test can hold the run at a known photo.
    void setStepGate(std::function<void(int position)> gate) { m_gate = std::move(gate); }

Q_SIGNALS:
    void step(int position, int maximum);
    void photoFinished(const kelvra::BatchPhotoResult &result);
    void finished();

private:
    class Relay;
    void run();

    const QStringList m_photos;
    const QString m_folder;
    BatchJob m_job;
    std::atomic<bool> m_cancel { false };
    std::function<void(int)> m_gate;
    QThread *m_thread = nullptr;
    BatchReport m_report; // written by the run's thread until it ends
};

} // namespace kelvra
