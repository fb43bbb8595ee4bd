#pragma once
#include "camera/CameraPropertyState.h"
#include "camera/CameraSetting.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QPushButton;
class QToolButton;
class QWidget;
class DShowCameraWrapper;
class OpenCamera;
class UVCExtensionUnit;

// The camera controls of the main window's Controls page: the feature switches, the
// tracking and anti-flicker lists, the pan/tilt/zoom pad, the field-of-view buttons,
// focus and the image sliders. Each handler sends one change to the open camera and
// makes the widgets show what the camera then holds. Filling the widgets from the
// camera never writes back to it.
class ControlPanel : public QObject
{
    Q_OBJECT
public:
    // The widgets of the Controls page that the panel drives, named as in the window's
    // form; the window hands them over and keeps owning them.
    struct Widgets
    {
        QToolButton *btn65 = nullptr;
        QToolButton *btn78 = nullptr;
        QToolButton *btn90 = nullptr;
        QPushButton *btnAutoAE = nullptr;
        QPushButton *btnAutoFocus = nullptr;
        QToolButton *btnCameraDown = nullptr;
        QToolButton *btnCameraLeft = nullptr;
        QToolButton *btnCameraRight = nullptr;
        QToolButton *btnCameraUp = nullptr;
        QPushButton *btnDefaultColor = nullptr;
        QPushButton *btnGestureControl = nullptr;
        QPushButton *btnHD = nullptr;
        QPushButton *btnHDR = nullptr;
        QPushButton *btnMirror = nullptr;
        QPushButton *btnMute = nullptr;
        QCheckBox *checkBoxBrigtness = nullptr;
        QCheckBox *checkBoxContract = nullptr;
        QCheckBox *checkBoxHue = nullptr;
        QCheckBox *checkBoxSaturation = nullptr;
        QCheckBox *checkBoxSharpness = nullptr;
        QCheckBox *checkBoxWB = nullptr;
        QComboBox *comboBoxAntiFlicker = nullptr;
        QComboBox *comboBoxTrackEffect = nullptr;
        QComboBox *comboBoxTrackMode = nullptr;
        QComboBox *comboBoxTrackSpeend = nullptr;
        QLabel *labelBrightnessValue = nullptr;
        QLabel *labelContractValue = nullptr;
        QLabel *labelHueValue = nullptr;
        QLabel *labelSaturationValue = nullptr;
        QLabel *labelSharpnessValue = nullptr;
        QLabel *labelWhiteBalance = nullptr;
        QLabel *label_16 = nullptr;
        QLabel *label_17 = nullptr;
        QSlider *sliderBrightness = nullptr;
        QSlider *sliderContract = nullptr;
        QSlider *sliderFocus = nullptr;
        QSlider *sliderHue = nullptr;
        QSlider *sliderSaturation = nullptr;
        QSlider *sliderSharpness = nullptr;
        QSlider *sliderWhiteBalance = nullptr;
        QSlider *sliderZoom = nullptr;
        QWidget *widgetAFocus = nullptr;
        QWidget *widgetAngle = nullptr;
        QWidget *widgetAutoAE = nullptr;
        QWidget *widgetDirectionBg = nullptr;
        QWidget *widgetGestureControl = nullptr;
        QWidget *widgetHD = nullptr;
        QWidget *widgetMFocus = nullptr;
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
    void setDirectionPadEnabled(bool enable, int zoom);
    // The pad's images for the current theme and position.
    void restyleDirectionPad();

    // State read by the rest of the window and by tests.
    int hdrState() const { return m_HDRState; }
    int muteState() const { return m_muteState; }
    int hdState() const { return m_HDState; }
    int angleState() const { return m_angleState; }
    int autoFocusState() const { return m_autoFocusState; }
    int trackingMode() const { return m_trackingMode; }
    bool controlsEnable() const { return m_bControlsEnable; }
    bool tipPending() const { return m_bTipPending; }

    // Selects the option with this value in a list without running its handler.
    static void selectValue(QComboBox *box, int value);

public slots:
    void slotRemberYuntaiValue();
    void setYuntaiDisabledStyle();
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
    void on_btnCameraUp_clicked();
    void on_btnCameraDown_clicked();
    void on_btnCameraLeft_clicked();
    void on_btnCameraRight_clicked();
    void on_btnAutoFocus_clicked(bool checked);
    void on_checkBoxBrigtness_stateChanged(int state);
    void on_checkBoxContract_stateChanged(int state);
    void on_checkBoxHue_stateChanged(int state);
    void on_checkBoxSaturation_stateChanged(int state);
    void on_checkBoxSharpness_stateChanged(int state);
    void on_checkBoxWB_stateChanged(int state);
    void on_btnDefaultColor_clicked();

    void slotOnSetZoomValue(int value);
    void slotOnSetFocusValue(int value);
    void slotOnSetBrightnessValue(int value);
    void slotOnSetContractValue(int value);
    void slotOnSetHueValue(int value);
    void slotOnSetSaturationValue(int value);
    void slotOnSetSharpnessValue(int value);
    void slotOnSetWhiteBalance(int value);

    void buttonClickedField(bool checked);
    void slotShowTips();
    void slotTipsTimeout();

private:
    // One image property: its slider, value label, Auto box and property id.
    struct ImageRow
    {
        QSlider *slider;
        QLabel *label;
        QCheckBox *autoBox;
        CameraPropertyState::Property CameraPropertyState::*member;
        int id;
        CameraPropertyState::Property &property(CameraPropertyState &state) const { return state.*member; }
    };
    const ImageRow &imageRow(int id) const;

    // The switch pattern: invert, send the setting, and on failure tell the user and
    // (where the setting reads back) show the camera's value again.
    bool toggleSetResync(int &state, QAbstractButton *button, SettingId id, const char *sentLog,
                         const char *readLog);
    // A list's choice: send it; on failure the setting's notice, then the camera's value
    // (logged after the two labels) into state and list. True when the camera took it;
    // readBack tells whether the camera's value was read after a failure.
    bool chooseSetting(SettingId id, int value, int &state, QComboBox *box, const char *sentLog,
                       const char *readLog, bool *readBack = nullptr);
    void stepPanTilt(int id, int delta);
    void setPanArrowStyle(int pan);
    void setTiltArrowStyle(int tilt);
    // Pan and tilt stay within -30..30 and within what the camera reports.
    int panTiltLow(const CameraPropertyState::Property &property) const;
    int panTiltHigh(const CameraPropertyState::Property &property) const;
    // Shows the field of view the camera reports without sending it back.
    void showViewAngle(int index);
    // Clicks the field-of-view button for an index from the camera (the flag tells
    // the handler it is not the user's choice).
    void clickAngleFromDevice(int index);
    void showWhiteBalanceAuto(bool automatic);
    void setImageValue(const ImageRow &row, int value);
    void setImageAuto(const ImageRow &row, bool automatic);
    // After a write the camera refused (the control shows the camera's value again):
    // one notice for a burst of refusals, as for values not taken.
    void noteRefused(const char *what, int value);
    void checkImageValue(int id, int sent);
    bool videoOn();
    // Schedules the one delayed notice of a 1500 ms window (500 ms from now).
    void scheduleValueTip(const QString &text);
    void fillZoomSlider(int value);
    QList<QWidget *> effectRow() const;
    QList<QWidget *> speedRow() const;
    void showNotice(const QString &text, bool countdown);

    Window &m_window;
    const std::unique_ptr<const Widgets> ui;
    OpenCamera &m_camera;
    DShowCameraWrapper &m_dshow;
    UVCExtensionUnit &m_uvc;

    int m_HDRState = 0;
    int m_HDState = 0;
    int m_muteState = 0;
    int m_mirrorState = 0;
    int m_GestureState = 0;
    int m_AutoAEState = 0;
    int m_autoFocusState = 0;
    int m_flickerState = 0;
    int m_angleState = 0;
    int m_trackingMode = 0;
    int m_trackingEffect = 0;
    int m_trackingSpeed = 0;
    bool m_bControlsEnable = false;
    bool m_bCancelTips = false;
    bool m_bTipPending = false;
    // The notice is open, and whether its 1500 ms have passed: a notice that is still
    // open holds the window shut even after them, whichever of its two timers fires
    // first, so that a notice never opens another behind it.
    bool m_bTipShowing = false;
    bool m_bTipHoldOver = false;
    bool m_bForceRefresh = false;
    bool m_bAngleFromDevice = false;
    QString m_tipText;
    QList<QToolButton *> m_angleButtons;
    QList<ImageRow> m_imageRows;
};
