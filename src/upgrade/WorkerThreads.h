#pragma once
#include <QObject>
#include <QPointer>
#include <QThread>

// Ends a worker that runs on its own thread (the upgrade worker or the watcher) and
// waits for its thread, e.g. when the main window closes: calls the worker's stop(),
// asks the thread to quit and waits up to timeoutMs for it. The worker, which deletes
// itself at the end of its work, is then gone. Pass the worker as a QPointer: one that
// has already ended is null and only the thread is waited for. Returns whether the
// thread has finished.
bool stopWorkerThread(const QPointer<QObject> &worker, QThread *thread, unsigned long timeoutMs = 5000);

// Moves a worker (a start slot and a workFinished signal) to a new thread, wired as
// every worker of the program is: the thread's start runs the worker, the finished
// worker deletes itself and then ends its thread, and the ended thread deletes itself.
// The caller connects the worker's results and starts the thread.
template<class Worker>
QThread *moveToWorkerThread(Worker *worker)
{
    auto *thread = new QThread();
    worker->moveToThread(thread);
    QObject::connect(thread, &QThread::started, worker, &Worker::start);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    QObject::connect(worker, &Worker::workFinished, worker, &QObject::deleteLater);
    QObject::connect(worker, &QObject::destroyed, thread, &QThread::quit);
    return thread;
}
