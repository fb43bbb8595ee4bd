#pragma once
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class AbnormalDetectThread;
class PackagePreparation;
class QProgressBar;
class QPushButton;
class QThread;
class QTimer;
class QToolButton;
class QWidget;
class UpgradeThread;
class OpenCamera;

// The window's firmware sequences: upgrading the open camera from a package the user
// picks, recovering a camera the watcher finds stuck in a boot state, the progress and
// the result, the factory reset, and the guard that keeps the window open while an
// upgrade runs. Every way an upgrade ends releases the window again.
class UpgradeFlow : public QObject
{
    Q_OBJECT
public:
    // The support page's widgets the flow drives, named as in the window's form.
    struct Widgets
    {
        QPushButton *btnUpgrade = nullptr;
        QPushButton *btnRestoreDefaults = nullptr;
        QProgressBar *progressBarUpdate = nullptr;
        // The tab that brings the support page up for a recovery.
        QToolButton *btnNavSupport = nullptr;
    };

    // What the flow asks of the window around it.
    class Window
    {
    public:
        virtual ~Window() = default;
        // Each service has the answer of a window without a camera, in the light look,
        // that shows nothing; the window overrides them all.
        // The window itself: the owner of the flow and the parent of its dialogs.
        virtual QWidget *widget() { return nullptr; }
        virtual bool isCameraOpen() const { return false; }
        virtual int currentCameraModel() const { return 255; }
        virtual QString firmwareVersion() const { return QString(); }
        virtual int productLine() const { return 0; }
        virtual void showMessageBox(const QString &/*text*/, bool /*autoClose*/) {}
        virtual void setControlsEnabled(bool /*enable*/) {}
        // Reads the open camera into the window again.
        virtual void queryCameraStatus() {}
        // Ends the periodic status queries to the camera.
        virtual void stopStatusPoll() {}
    };

    UpgradeFlow(Window &window, const Widgets &widgets, OpenCamera &camera);
    ~UpgradeFlow() override;

    bool isUpgrading() const { return m_bUpgrading; }
    bool isAbnormalDialogOpen() const { return m_bAbnormalDialogOpen; }
    int upgradeProgress() const { return m_upgradeProgress; }
    bool hasAbnormalWatcher() const { return m_abnormalThread != nullptr; }

    // While an upgrade runs: tells the user the window cannot go now and returns true.
    bool refuseWhileUpgrading();

    void startAbnormalWatcher();
    void stopAbnormalWatcher();

public slots:
    void on_btnUpgrade_clicked();
    void on_btnRestoreDefaults_clicked();
    void slotOnUpgradeReport(bool ok, int progress, QString message);
    void slotOnUpdateDummyTimeout();
    void slotOnDeviceAbnormal(int state);

private slots:
    // The worker's thread has ended; an upgrade that never reported its end fails here.
    void slotOnUpgradeThreadFinished();

private:
    // The support page's upgrade from the file pick to the confirmation.
    void prepareAndConfirm();
    void startUpgrade();
    void restoreDefaults();
    // Unpacks the chosen package into a folder of its own and checks it; shows the
    // notice of the first check that fails.
    bool preparePackage(PackagePreparation &package, const QString &file, int &model);
    void stopProgressTimer();
    // The bar goes away and the buttons come back: the upgrade has ended.
    void releaseWindow();
    void stopStatusRefresh();
    void setUpgrading(bool upgrading);
    int showBox(const QString &text, int buttonMode, bool autoClose);

    Window &m_window;
    const std::unique_ptr<const Widgets> ui;
    OpenCamera &m_camera;

    bool m_bUpgrading = false;
    bool m_bAbnormalDialogOpen = false;
    // A package is being picked, unpacked and checked (the window's events run meanwhile).
    bool m_bPreparing = false;
    // Whether the running upgrade has sent its final report.
    bool m_bFinalReport = true;
    // The failure notice is up: a stuck camera seen meanwhile is offered for recovery
    // once the notice is closed, so the notice stays readable.
    bool m_bFailureNoticeOpen = false;
    int m_deferredAbnormalState = -1;
    int m_upgradeProgress = 0;
    QTimer *m_progressTimer = nullptr;
    // The package of the upgrade from its confirmation to its report, with the user's
    // upgrade lock: no other program prepares or runs an upgrade meanwhile.
    std::unique_ptr<PackagePreparation> m_package;
    QPointer<UpgradeThread> m_upgradeWorker;
    QPointer<QThread> m_upgradeThread;
    QPointer<AbnormalDetectThread> m_abnormalWorker;
    QPointer<QThread> m_abnormalThread;
};
