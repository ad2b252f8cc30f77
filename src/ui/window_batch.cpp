// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window_batch.h"

#include <QMetaObject>
#include <QThread>

namespace kelvra {

// Turns the run's calls into calls posted to the batch object; posted there
// rather than emitted from the run's thread, they die with the object.
class WindowBatch::Relay : public BatchProgress
{
public:
    explicit Relay(WindowBatch &batch)
        : m_batch(batch)
    {
    }

    bool ProgressStep(int position, int maximum) override
    {
        if (m_batch.m_gate)
            m_batch.m_gate(position);
        if (m_batch.cancelRequested())
            return false;
        WindowBatch *batch = &m_batch;
        QMetaObject::invokeMethod(
            batch, [batch, position, maximum]() { Q_EMIT batch->step(position, maximum); }, Qt::QueuedConnection);
        return true;
    }

    void photoFinished(const BatchPhotoResult &result) override
    {
        WindowBatch *batch = &m_batch;
        QMetaObject::invokeMethod(
            batch, [batch, result]() { Q_EMIT batch->photoFinished(result); }, Qt::QueuedConnection);
    }

private:
    WindowBatch &m_batch;
};

WindowBatch::WindowBatch(QStringList photos, QString outputFolder, BatchJob job, QObject *parent)
    : QObject(parent)
    , m_photos(std::move(photos))
    , m_folder(std::move(outputFolder))
    , m_job(std::move(job))
{
    m_job.cancel = &m_cancel;
}

WindowBatch::~WindowBatch()
{
    cancel();
    wait();
    delete m_thread;
}

void WindowBatch::start()
{
    if (m_thread)
        return;
    m_thread = QThread::create([this]() { run(); });
    m_thread->setObjectName(QStringLiteral("WindowBatch"));
    // Emitted on the run's thread after run() returns, so it is queued
    // behind everything the run posted.
    connect(m_thread, &QThread::finished, this, &WindowBatch::finished, Qt::QueuedConnection);
    m_thread->start();
}

void WindowBatch::cancel()
{
    m_cancel.store(true);
}

bool WindowBatch::isRunning() const
{
    return m_thread && m_thread->isRunning();
}

void WindowBatch::wait()
{
    if (m_thread)
        m_thread->wait();
}

void WindowBatch::run()
{
    Relay relay(*this);
    m_report = RunBatch(m_photos, m_folder, m_job, &relay);
}

} // namespace kelvra
