#pragma once
#include "camera/CameraEntry.h"
#include "camera/CameraPropertyState.h"
#include "camera/OpenCamera.h"
#include "ui/ControlPanel.h"
#include "ui/LanguageSwitch.h"
#include "ui/RemoteControlOption.h"
#include "ui/Theme.h"
#include "ui/UpgradeFlow.h"

#include <QIcon>
#include <QImage>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QThread>
#include <QTimer>

class QAbstractButton;
class QLabel;
class QListWidgetItem;
class QMovie;
class QScreen;
class QToolButton;
class CameraKeys;
class FramelessWindow;
class PreviewAim;
class PreviewVisibility;
class VideoStreamThread;

namespace platform {
struct DeviceChange;
}

namespace Ui {
class MainWindow;
}

// The single top-level window and the controller of the whole application: the camera
// list, the open camera with its controls and live preview, and the support page. The
// pieces it is made of (controls, upgrade, theme, language) each get only their widgets
// and reach the window through their own small interface.
class MainWindow : public QMainWindow,
                   public ControlPanel::Window,
                   public UpgradeFlow::Window,
                   public Theme::Window,
                   public LanguageSwitch::Window,
                   public RemoteControlOption::Window
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Settings and window set-up.
    void readSettings();
    void initUi();
    void applyWindowScale(bool setMinimum);
    void centreOnCursorScreen();
    void saveSettings();
    void fillOptionBoxes();

    // Camera list.
    void loadCameras();
    bool rebuildCameraList(const QList<CameraEntry> &entries);
    void clearCameraItems();
    void fillCameraItems();

    // The open camera.
    bool openCameraCapture(const QString &path, const QString &name);
    void queryCameraStatus() override;
    void applyDeviceProfile(const QString &path);
    void setControlsEnabled(bool enable) override;
    void enableColourControls(bool enable);
    bool closeCamera();

    // Runs the hot-plug filter on one device-change broadcast (from the seam's notifier
    // or the Windows message hook); true when it was a supported camera's capture
    // interface and onCameraPlugged has been handled.
    bool handleDeviceChange(const platform::DeviceChange &change);

    // Read-only views of the window's state, for diagnostics and tests.
    bool isCameraOpen() const override { return m_bCameraOpen; }
    // RemoteControlOption::Window
    OpenCamera *servedCamera() override;
    void servedPresetsChanged() override;
    RemoteControlOption *remoteControl() const { return m_remote; }
    bool isPreviewRunning() const override { return m_bPreviewRunning; }
    bool isUpgrading() const;
    int currentCameraModel() const override { return m_currentCameraModel; }
    int currentCameraIndex() const override { return m_nCurrentCameraIndex; }
    int productLine() const override { return m_productLine; }
    QString currentDevicePath() const { return m_devicePath; }
    QString currentCameraName() const { return m_cameraName; }
    QString firmwareVersion() const override { return m_firmwareVersion; }
    QSize previewSize() const { return QSize(m_previewWidth, m_previewHeight); }
    bool isStatusPollActive() const { return m_statusTimer.isActive(); }
    bool hasPreviewWorker() const { return m_videoThread != nullptr; }
    // The running preview worker, or none.
    VideoStreamThread *previewWorker() const;
    PreviewVisibility *previewVisibility() const { return m_previewVisibility; }
    bool hasAbnormalWatcher() const;
    int styleIndex() const override { return m_styleIndex; }
    ControlPanel *controlPanel() const { return m_controls; }
    UpgradeFlow *upgradeFlow() const { return m_upgrade; }
    Theme *theme() const { return m_theme; }
    LanguageSwitch *languageSwitch() const { return m_language; }
    FramelessWindow *frame() const { return m_frame; }
    // The open camera (its channels, properties and models).
    OpenCamera &openCamera() { return m_camera; }

    // The window's notice: a message box with OK only, 450 x 180, centred, modal; with
    // countdown it closes itself after about six seconds.
    void showMessageBox(const QString &text, bool autoClose) override;
    // The notice after a change that restarts the camera: OK only, countdown, at the
    // box's own size.
    void showRestartNotice(const QString &text) override;

    // What the pieces ask of the window.
    QWidget *widget() override { return this; }
    void stopStatusPoll() override;
    bool refuseWhileUpgrading() override;
    void setStyleIndex(int index) override { m_styleIndex = index; }
    QMovie *loadingMovie(bool light) const override;
    // The camera-list item's icon for the current theme when not selected.
    QIcon normalItemIcon() const override;
    void restyleDirectionPad() override;

signals:
    void onCameraPlugged(bool plug, QString path);
    void onCameraState(int state, QString name);

public slots:
    void stopCameraPreView() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;

private slots:
    // Camera list and hot-plug.
    void slotOnCameraPlugged(bool plug, QString path);
    void slotOnCameraState(int state, QString name);
    void slotSwitchCameraItem(QListWidgetItem *item);
    void slotIconChangge(QListWidgetItem *current, QListWidgetItem *previous);
    void slotOnDeviceChange(const platform::DeviceChange &change);

    // The open camera and its preview.
    void slotReInitUvcEx();
    void slotStartPreview();
    void slotOnReader();

    void slotResolutionChange();

    // Page tabs and the support page's sections.
    void buttonClickedNavTop(bool checked);
    void buttonColorControl(bool checked);
    void on_btnDevInfoExtend_clicked();
    void on_btnDevUpdateExtend_clicked();
    void on_btnDevSupportExtend_clicked();

    // The title bar's theme and language buttons (bound by name).
    void on_btnModeLight_clicked();
    void on_btnLanguage_clicked();


private:
    void registerDeviceNotifications();
    // Stops the preview worker, quits its thread and waits for it.
    void stopVideoWorker();
    void startLoadingAnimation();
    void stopLoadingAnimation();
    void showPreviewHints();
    // No picture: the label's background and its hints.
    void clearPreviewPicture();
    // The pieces' widgets, taken from the form.
    ControlPanel::Widgets controlPanelWidgets() const;
    UpgradeFlow::Widgets upgradeFlowWidgets() const;
    Theme::Widgets themeWidgets() const;
    // The keys and the preview's mouse that aim the camera.
    void installCameraInput();
    // Opens the camera of a list item; shared by loadCameras and slotSwitchCameraItem.
    void openItemCamera(const QString &name, const QString &path, const QString &captureName);
    void clearOptionBoxes();
    // A support-page section: its expander's flag says whether it is shown.
    void toggleSection(bool &expanded, QWidget *section);
    // The expand button of a section header label, or null.
    QAbstractButton *sectionExpander(QObject *header) const;

    Ui::MainWindow *ui;
    ControlPanel *m_controls = nullptr;
    UpgradeFlow *m_upgrade = nullptr;
    FramelessWindow *m_frame = nullptr;
    Theme *m_theme = nullptr;
    LanguageSwitch *m_language = nullptr;
    CameraKeys *m_keys = nullptr;
    RemoteControlOption *m_remote = nullptr;
    PreviewAim *m_previewAim = nullptr;
    PreviewVisibility *m_previewVisibility = nullptr;

    // The open camera: both its channels and what is known of it.
    OpenCamera m_camera;
    QPointer<VideoStreamThread> m_videoWorker;
    QThread *m_videoThread = nullptr;
    QTimer m_statusTimer;

    QList<CameraEntry> m_listCamera;
    int m_nCurrentCameraIndex = -1;
    QString m_cameraName;
    QString m_devicePath;
    QString m_captureName;
    QString m_firmwareVersion;
    int m_productLine = 0;
    int m_vendorId = 0;
    int m_currentCameraModel = 255;
    int m_styleIndex = 0;
    bool m_bCameraOpen = false;
    bool m_noCamera = false;
    bool m_bPreviewRunning = false;
    int m_previewWidth = 0;
    int m_previewHeight = 0;
    // The support page's sections start expanded; a click folds them.
    bool m_bDevInfoExpanded = true;
    bool m_bDevUpdateExpanded = true;
    bool m_bDevSupportExpanded = true;

    // The stored geometry of the last close (read at start, written at close).
    int m_storedLeft = 0;
    int m_storedTop = 0;
    int m_storedWidth = 0;
    int m_storedHeight = 0;

    QList<QToolButton *> m_navButtons;
    QList<QToolButton *> m_pageButtons;
    QIcon m_selectedIcon;
    QMovie *m_loadingMovieLight = nullptr;
    QMovie *m_loadingMovieDark = nullptr;
};
