#pragma once
#include <QObject>

#include <mutex>

// Watches, for the life of the main window, for a camera that sits in one of its
// mass-storage (boot) states and reports the state it found. It reports nothing while
// an upgrade is in progress (see UpgradeDevice), nor while any program holds the upgrade
// lock (UpgradeLock).
class AbnormalDetectThread : public QObject
{
    Q_OBJECT

public:
    static constexpr int kPollPeriodMs = 1000;
    static constexpr int kPauseAfterReportMs = 10000;

    explicit AbnormalDetectThread(int manufacturer, QObject *parent = nullptr);

signals:
    void workFinished();
    void workStart();
    void onDeviceAbnormal(int state);

public slots:
    void start();
    void doWork();
    void stop();

private:
    bool isRunning();
    // Sleeps in steps no longer than the poll period, ending early once stopped.
    void pause(int ms);

    // Guards the running flag only. A C++ mutex, so that the thread sanitizer sees it
    // (Qt's own is out of its sight in an uninstrumented Qt).
    std::mutex m_mutex;
    bool m_bRunning = false;
    int m_nManufacturer;
    int m_nDeviceState;
    // stop() is final: a start() that comes after it does not run the loop again.
    bool m_bStopRequested = false;
};
