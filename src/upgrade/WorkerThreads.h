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
