#pragma once
#include "camera/CameraRules.h"
#include "camera/CameraSetting.h"
#include "ui/ImageControls.h"
#include "ui/PanTiltZoomPad.h"
#include "ui/PresetStrip.h"
#include "ui/ValueNotice.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class QAbstractButton;
class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;
class QWidget;
class OpenCamera;

// The camera controls of the main window's Controls page. The panel itself holds the
// feature switches, the tracking and anti-flicker lists, the status refresh and the
// reading of a camera's features; it owns and wires the parts: the pan/tilt/zoom pad,
// the image controls (focus, sliders, Auto boxes, default colours) and the notice they
// share. Each handler sends one change to the open camera and makes the widgets show
// what the camera then holds. Filling the widgets from the camera never writes back.
class ControlPanel : public QObject
{
    Q_OBJECT
public:
    // The widgets of the Controls page that the panel drives, named as in the window's
    // form; the window hands them over and keeps owning them.
    // The pad's and the image controls' widgets, and the panel's own.
    struct Widgets : PanTiltZoomPad::PadWidgets, ImageControls::ImageWidgets
    {
        QPushButton *btnAutoAE = nullptr;
        QPushButton *btnGestureControl = nullptr;
        QPushButton *btnHD = nullptr;
        QPushButton *btnHDR = nullptr;
        QPushButton *btnMirror = nullptr;
        QPushButton *btnMute = nullptr;
        QComboBox *comboBoxAntiFlicker = nullptr;
        QComboBox *comboBoxTrackEffect = nullptr;
        QComboBox *comboBoxTrackMode = nullptr;
        QComboBox *comboBoxTrackSpeend = nullptr;
        QLabel *label_16 = nullptr;
        QLabel *label_17 = nullptr;
        QWidget *widgetAngle = nullptr;
        QWidget *widgetAutoAE = nullptr;
        QWidget *widgetGestureControl = nullptr;
        QWidget *widgetHD = nullptr;
        QWidget *widgetTrackOff = nullptr;
        QWidget *widget_11 = nullptr;
        QWidget *widget_12 = nullptr;
    };

    // What the panel asks of the window around it.
    class Window
    {
    public:
        virtual ~Window() = default;
        // Each service has the answer of a window without a camera, in the light look,
        // that shows nothing; the window overrides them all.
        // The window itself (the panel's owner).
        virtual QWidget *widget() { return nullptr; }
        virtual bool isCameraOpen() const { return false; }
        virtual bool isPreviewRunning() const { return false; }
        virtual int currentCameraModel() const { return 255; }
        virtual int currentCameraIndex() const { return -1; }
        virtual QString firmwareVersion() const { return QString(); }
        // 0 light, any other value dark.
        virtual int styleIndex() const { return 0; }
        virtual void showMessageBox(const QString &/*text*/, bool /*autoClose*/) {}
        virtual void showRestartNotice(const QString &/*text*/) {}
        virtual void stopCameraPreView() {}
    };

    ControlPanel(Window &window, const Widgets &widgets, OpenCamera &camera);
    ~ControlPanel() override;

    // Reads every vendor feature and standard property of the camera just opened into
    // the controls (the window has shown model and firmware already).
    void readCameraFeatures();
    // Ranges and values of the standard properties into the sliders.
    void loadSliderSettings();
    // The camera's tracking mode decides which rows of the tracking block exist.
    void arrangeTrackingRows(int mode);
    void setControlsEnabled(bool enable);
    void enableColourControls(bool enable);
    // The rows that exist only for some cameras, hidden when no camera is open.
    void hideCameraRows();
    // Zoom > 100 makes the direction pad usable (pan and tilt only work zoomed in).
    void setDirectionPadEnabled(bool enable, int zoom) { m_pad->enablePad(enable, zoom); }
    // The pad's images for the current theme and position.
    void restyleDirectionPad() { m_pad->restylePad(); }

    // What the keys and the preview's mouse ask of the pad and the presets.
    PresetStrip &presets() const { return *m_presets; }
    void goHome() { m_pad->goHome(); }
    void panTiltBy(int panDelta, int tiltDelta) { m_pad->moveBy(panDelta, tiltDelta); }
    // The horizontal field of view at the wide end, in degrees: the chosen one where the
    // model offers a choice, else the widest.
    int fieldOfViewDegrees() const;

    // State read by the rest of the window and by tests.
    int hdrState() const { return m_HDRState; }
    int muteState() const { return m_muteState; }
    int hdState() const { return m_HDState; }
    int angleState() const { return m_pad->viewAngle(); }
    int autoFocusState() const { return m_image->autoFocusMode(); }
    int trackingMode() const { return m_trackingMode; }
    bool controlsEnable() const { return m_pad->padUsable(); }
    bool tipPending() const { return m_notice->pending(); }

    // Selects the option with this value in a list without running its handler.
    static void selectValue(QComboBox *box, int value);

public slots:
    void slotRemberYuntaiValue() { m_pad->sendRememberedPosition(); }
    void setYuntaiDisabledStyle() { m_pad->showPadUnusable(); }
    void slotUpdateSliderValue(bool isQuery = true);
    void slotUpdateCamStatus();

private slots:
    void on_btnHDR_clicked();
    void on_btnAutoAE_clicked();
    void on_btnGestureControl_clicked();
    void on_btnMirror_clicked();
    void on_btnMute_clicked();
    void on_btnHD_clicked();
    void on_comboBoxAntiFlicker_currentIndexChanged(int index);
    void on_comboBoxTrackMode_currentIndexChanged(int index);
    void on_comboBoxTrackEffect_currentIndexChanged(int index);
    void on_comboBoxTrackSpeend_currentIndexChanged(int index);

    // The pad's and the image controls' handlers.
    void on_btnCameraUp_clicked() { m_pad->stepPanTilt(CameraRules::kPropTilt, 1); }
    void on_btnCameraDown_clicked() { m_pad->stepPanTilt(CameraRules::kPropTilt, -1); }
    void on_btnCameraLeft_clicked() { m_pad->stepPanTilt(CameraRules::kPropPan, -1); }
    void on_btnCameraRight_clicked() { m_pad->stepPanTilt(CameraRules::kPropPan, 1); }
    void slotOnSetZoomValue(int value) { m_pad->sendZoom(value); }
    void buttonClickedField(bool checked);

    void on_btnAutoFocus_clicked(bool) { m_image->toggleAutoFocus(); }
    void slotOnSetFocusValue(int value) { m_image->sendFocus(value); }
    void slotOnSetBrightnessValue(int value) { m_image->sendImageValue(CameraRules::kPropBrightness, value); }
    void slotOnSetContractValue(int value) { m_image->sendImageValue(CameraRules::kPropContrast, value); }
    void slotOnSetHueValue(int value) { m_image->sendImageValue(CameraRules::kPropHue, value); }
    void slotOnSetSaturationValue(int value) { m_image->sendImageValue(CameraRules::kPropSaturation, value); }
    void slotOnSetSharpnessValue(int value) { m_image->sendImageValue(CameraRules::kPropSharpness, value); }
    void slotOnSetWhiteBalance(int value) { m_image->sendImageValue(CameraRules::kPropWhiteBalance, value); }
    void on_checkBoxBrigtness_stateChanged(int) { m_image->switchAutoMode(CameraRules::kPropBrightness); }
    void on_checkBoxContract_stateChanged(int) { m_image->switchAutoMode(CameraRules::kPropContrast); }
    void on_checkBoxHue_stateChanged(int) { m_image->switchAutoMode(CameraRules::kPropHue); }
    void on_checkBoxSaturation_stateChanged(int) { m_image->switchAutoMode(CameraRules::kPropSaturation); }
    void on_checkBoxSharpness_stateChanged(int) { m_image->switchAutoMode(CameraRules::kPropSharpness); }
    void on_checkBoxWB_stateChanged(int) { m_image->switchAutoMode(CameraRules::kPropWhiteBalance); }
    void on_btnDefaultColor_clicked() { m_image->restoreDefaultColours(); }

    // The notice's two timers.
    void slotShowTips() { m_notice->openScheduled(); }
    void slotTipsTimeout() { m_notice->endHold(); }

private:
    // The switch pattern: invert, send the setting, and on failure tell the user and
    // (where the setting reads back) show the camera's value again.
    bool toggleSetResync(int &state, QAbstractButton *button, SettingId id, const char *sentLog,
                         const char *readLog);
    // A list's choice: send it; on failure the setting's notice, then the camera's value
    // (logged after the two labels) into state and list. True when the camera took it;
    // readBack tells whether the camera's value was read after a failure.
    bool chooseSetting(SettingId id, int value, int &state, QComboBox *box, const char *sentLog,
                       const char *readLog, bool *readBack = nullptr);
    // After a preset's move: the pad, zoom and focus show the camera's values.
    void showCameraPosition(const CameraPropertyState &before);
    QList<QWidget *> effectRow() const;
    QList<QWidget *> speedRow() const;
    void connectWidgets();

    Window &m_window;
    const std::unique_ptr<const Widgets> ui;
    OpenCamera &m_camera;

    int m_HDRState = 0;
    int m_HDState = 0;
    int m_muteState = 0;
    int m_mirrorState = 0;
    int m_GestureState = 0;
    int m_AutoAEState = 0;
    int m_flickerState = 0;
    int m_trackingMode = 0;
    int m_trackingEffect = 0;
    int m_trackingSpeed = 0;
    // The sliders show the camera's values whether they changed or not (a notice opens).
    bool m_bForceRefresh = false;
    // The parts, owned here; the notice first, as the others use it.
    const std::unique_ptr<ValueNotice> m_notice;
    const std::unique_ptr<PanTiltZoomPad> m_pad;
    const std::unique_ptr<ImageControls> m_image;
    const std::unique_ptr<PresetStrip> m_presets;
};
