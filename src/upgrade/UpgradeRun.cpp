#include "upgrade/UpgradeRun.h"

#include "platform/Clock.h"
#include "upgrade/UpgradeThread.h"
#include "upgrade/WorkerThreads.h"

#include <QDebug>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>

namespace {
// As the window's bar: a step of 2 to 4 every second, never 100 before the report.
constexpr int kProgressPeriodMs = 1000;
constexpr int kProgressCap = 99;
} // namespace

UpgradeRun::UpgradeRun(int productLine, const FirmwarePackage &package, QObject *parent)
    : QObject(parent)
    , m_productLine(productLine)
    , m_package(package)
{
}

UpgradeRun::Result UpgradeRun::run(UVCExtensionUnit *unit, QChar drive, const std::function<void(int)> &progress)
{
    Result result;
    result.detail = QStringLiteral("no report");
    auto *worker = new UpgradeThread(m_productLine, unit != nullptr, unit);
    // Several cameras may be plugged in, some stuck: each upgrade stays with its own.
    if (unit)
        worker->bindToOpenCamera();
    else if (!drive.isNull())
        worker->bindToDrive(drive);
    worker->setPackage(m_package);
    QThread *thread = moveToWorkerThread(worker);
    QEventLoop loop;
    connect(worker, &UpgradeThread::onUpgradeReport, &loop, [&result](bool ok, int percent, const QString &message) {
        qDebug() << "upgrade report:" << message;
        if (ok && percent != 100)
            return;
        result.ok = ok;
        result.detail = message;
    });
    // Reports are queued before the thread's end, so they have arrived when it ends.
    connect(thread, &QThread::finished, &loop, &QEventLoop::quit);

    int percent = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, &loop, [&percent, &progress] {
        percent = qMin(kProgressCap, percent + 2 + static_cast<int>(QRandomGenerator::global()->bounded(3)));
        if (progress)
            progress(percent);
    });
    if (progress)
        progress(0);
    platform::startTimer(timer, kProgressPeriodMs);
    thread->start(QThread::InheritPriority);
    loop.exec();
    timer.stop();
    return result;
}
