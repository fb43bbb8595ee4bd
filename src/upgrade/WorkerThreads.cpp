#include "upgrade/WorkerThreads.h"

#include <QMetaObject>

bool stopWorkerThread(const QPointer<QObject> &worker, QThread *thread, unsigned long timeoutMs)
{
    if (worker)
        QMetaObject::invokeMethod(worker.data(), "stop", Qt::DirectConnection);
    if (!thread)
        return true;
    // The worker's loop runs inside the thread's started() handler; a quit asked for
    // now makes the thread end right after it, and the thread's own clean-up deletes
    // the worker.
    thread->quit();
    return thread->wait(timeoutMs);
}
