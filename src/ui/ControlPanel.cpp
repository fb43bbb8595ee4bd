#include "ui/ControlPanel.h"

#include "camera/DShowCameraWrapper.h"
#include "camera/UVCExtensionUnit.h"
#include "platform/Clock.h"
#include "ui/ControlPanelShared.h"

#include <QDebug>
#include <QStyledItemDelegate>
#include <QTimer>

#include <algorithm>
#include <utility>

using namespace controlpanel;

namespace {

ValueNotice::Services noticeServices(ControlPanel::Window &window)
{
    ValueNotice::Services services;
    services.cameraOpen = [&window] { return window.isCameraOpen(); };
    services.previewRunning = [&window] { return window.isPreviewRunning(); };
    services.showMessageBox = [&window](const QString &text, bool countdown) {
        window.showMessageBox(text, countdown);
    };
    return services;
}

} // namespace

ControlPanel::ControlPanel(Window &window, const Widgets &widgets, OpenCamera &camera)
    : QObject(window.widget())
    , m_window(window)
    , ui(std::make_unique<const Widgets>(widgets))
    , m_camera(camera)
    , m_notice(std::make_unique<ValueNotice>(noticeServices(window), nullptr))
    , m_pad(std::make_unique<PanTiltZoomPad>(widgets, camera, *m_notice, [&window] { return window.styleIndex(); }))
    , m_image(std::make_unique<ImageControls>(widgets, camera, *m_notice,
                                              [&window] { return window.isCameraOpen(); }, nullptr))
    , m_presets(std::make_unique<PresetStrip>(
          widgets.widgetDirectionBg, camera, *m_notice,
          PresetStrip::Services{[&window] { return window.isCameraOpen(); },
                                [this](const CameraPropertyState &before) { showCameraPosition(before); }}))
{
    for (QAbstractButton *b : std::initializer_list<QAbstractButton *>{
             ui->btnHDR, ui->btnHD, ui->btnMute, ui->btnGestureControl, ui->btnAutoAE, ui->btnMirror})
        b->setCheckable(true);
    // Styled item views, so that the style sheets' row height and hover colour apply.
    for (QComboBox *box : {ui->comboBoxAntiFlicker, ui->comboBoxTrackMode, ui->comboBoxTrackEffect,
                           ui->comboBoxTrackSpeend})
        box->setItemDelegate(new QStyledItemDelegate(box));
    connectWidgets();
}

ControlPanel::~ControlPanel() = default;

void ControlPanel::connectWidgets()
{
    // The notice brings the sliders back to the camera's values as it opens; an Auto box
    // reads everything again, the default colours refresh what changed.
    connect(m_notice.get(), &ValueNotice::aboutToOpen, this, [this] {
        m_bForceRefresh = true;
        slotUpdateSliderValue(false);
    });
    connect(m_image.get(), &ImageControls::reloadRequested, this, &ControlPanel::loadSliderSettings);
    connect(m_image.get(), &ImageControls::refreshRequested, this, [this] { slotUpdateSliderValue(true); });

    for (QToolButton *button : {ui->btn90, ui->btn78, ui->btn65})
        connect(button, &QToolButton::clicked, this, &ControlPanel::buttonClickedField);
    connect(ui->btnHDR, &QAbstractButton::clicked, this, &ControlPanel::on_btnHDR_clicked);
    connect(ui->btnAutoAE, &QAbstractButton::clicked, this, &ControlPanel::on_btnAutoAE_clicked);
    connect(ui->btnGestureControl, &QAbstractButton::clicked, this,
            &ControlPanel::on_btnGestureControl_clicked);
    connect(ui->btnMirror, &QAbstractButton::clicked, this, &ControlPanel::on_btnMirror_clicked);
    connect(ui->btnMute, &QAbstractButton::clicked, this, &ControlPanel::on_btnMute_clicked);
    connect(ui->btnHD, &QAbstractButton::clicked, this, &ControlPanel::on_btnHD_clicked);
    connect(ui->btnAutoFocus, &QAbstractButton::clicked, this, &ControlPanel::on_btnAutoFocus_clicked);
    connect(ui->btnDefaultColor, &QAbstractButton::clicked, this,
            &ControlPanel::on_btnDefaultColor_clicked);
    connect(ui->btnCameraUp, &QAbstractButton::clicked, this, &ControlPanel::on_btnCameraUp_clicked);
    connect(ui->btnCameraDown, &QAbstractButton::clicked, this, &ControlPanel::on_btnCameraDown_clicked);
    connect(ui->btnCameraLeft, &QAbstractButton::clicked, this, &ControlPanel::on_btnCameraLeft_clicked);
    connect(ui->btnCameraRight, &QAbstractButton::clicked, this,
            &ControlPanel::on_btnCameraRight_clicked);

    const auto indexChanged = QOverload<int>::of(&QComboBox::currentIndexChanged);
    connect(ui->comboBoxAntiFlicker, indexChanged, this,
            &ControlPanel::on_comboBoxAntiFlicker_currentIndexChanged);
    connect(ui->comboBoxTrackMode, indexChanged, this,
            &ControlPanel::on_comboBoxTrackMode_currentIndexChanged);
    connect(ui->comboBoxTrackEffect, indexChanged, this,
            &ControlPanel::on_comboBoxTrackEffect_currentIndexChanged);
    connect(ui->comboBoxTrackSpeend, indexChanged, this,
            &ControlPanel::on_comboBoxTrackSpeend_currentIndexChanged);

    connect(ui->checkBoxBrigtness, &QCheckBox::stateChanged, this,
            &ControlPanel::on_checkBoxBrigtness_stateChanged);
    connect(ui->checkBoxContract, &QCheckBox::stateChanged, this,
            &ControlPanel::on_checkBoxContract_stateChanged);
    connect(ui->checkBoxHue, &QCheckBox::stateChanged, this, &ControlPanel::on_checkBoxHue_stateChanged);
    connect(ui->checkBoxSaturation, &QCheckBox::stateChanged, this,
            &ControlPanel::on_checkBoxSaturation_stateChanged);
    connect(ui->checkBoxSharpness, &QCheckBox::stateChanged, this,
            &ControlPanel::on_checkBoxSharpness_stateChanged);
    connect(ui->checkBoxWB, &QCheckBox::stateChanged, this, &ControlPanel::on_checkBoxWB_stateChanged);

    // Each slider drives its handler through exactly one connection, however often a
    // camera is opened.
    connect(ui->sliderZoom, &QSlider::valueChanged, this, &ControlPanel::slotOnSetZoomValue);
    connect(ui->sliderFocus, &QSlider::valueChanged, this, &ControlPanel::slotOnSetFocusValue);
    connect(ui->sliderBrightness, &QSlider::valueChanged, this, &ControlPanel::slotOnSetBrightnessValue);
    connect(ui->sliderContract, &QSlider::valueChanged, this, &ControlPanel::slotOnSetContractValue);
    connect(ui->sliderHue, &QSlider::valueChanged, this, &ControlPanel::slotOnSetHueValue);
    connect(ui->sliderSaturation, &QSlider::valueChanged, this, &ControlPanel::slotOnSetSaturationValue);
    connect(ui->sliderSharpness, &QSlider::valueChanged, this, &ControlPanel::slotOnSetSharpnessValue);
    connect(ui->sliderWhiteBalance, &QSlider::valueChanged, this, &ControlPanel::slotOnSetWhiteBalance);
}

QList<QWidget *> ControlPanel::effectRow() const
{
    return {ui->label_16, ui->comboBoxTrackEffect, ui->widget_12};
}

QList<QWidget *> ControlPanel::speedRow() const
{
    return {ui->label_17, ui->comboBoxTrackSpeend, ui->widget_11};
}

void ControlPanel::selectValue(QComboBox *box, int value)
{
    const QSignalBlocker block(box);
    box->setCurrentIndex(box->findData(value));
}

// ---- reading the camera into the controls ------------------------------------------------

void ControlPanel::readCameraFeatures()
{
    const int model = m_window.currentCameraModel();
    m_presets->refresh();
    int value = 0;
    if (m_camera.extensionUnit().GetHDR(value)) {
        m_HDRState = value;
        checkQuietly(ui->btnHDR, value != 0);
    }
    if (m_camera.extensionUnit().GetAntiFlicker(value)) {
        qDebug() << "flicker state:" << value;
        m_flickerState = value;
        selectValue(ui->comboBoxAntiFlicker, value);
    }
    if (m_camera.extensionUnit().GetMicEnable(value)) {
        qDebug() << "mute state:" << value;
        m_muteState = value;
        checkQuietly(ui->btnMute, value != 0);
    }
    if (m_camera.extensionUnit().GetMirror(value)) {
        m_mirrorState = value;
        checkQuietly(ui->btnMirror, value != 0);
    }
    if (cameraModel(model).fieldOfView && m_camera.extensionUnit().GetViewAngle(value)) {
        qDebug() << "angleState:" << value;
        m_pad->showDeviceAngle(value);
    }

    loadSliderSettings();

    CameraPropertyState::Property &zoom = m_camera.properties().zoom;
    zoom.current = std::clamp(zoom.current, kZoomMin, kZoomMax);
    qDebug() << "param:"
             << "g_brightness:" << m_camera.properties().brightness.current
             << "pan:" << m_camera.properties().pan.current
             << "tilt:" << m_camera.properties().tilt.current << "zoom:" << zoom.current;

    if (m_camera.extensionUnit().GetHDMode(value)) {
        m_HDState = value;
        checkQuietly(ui->btnHD, value != 0);
    }
    if (m_camera.extensionUnit().GetGesture(value)) {
        qDebug() << "gesture state:" << value;
        m_GestureState = value;
        checkQuietly(ui->btnGestureControl, value != 0);
    }
    if (m_camera.extensionUnit().GetAutoAE(value)) {
        qDebug() << "AUTOAE state:" << value;
        m_AutoAEState = value;
        checkQuietly(ui->btnAutoAE, value != 0);
    }

    int mode = 0;
    if (!m_camera.extensionUnit().GetTrackingMode(mode))
        return;
    // This firmware reports a tracking mode it does not run.
    mode = CameraRules::reportedTrackingMode(model, m_window.firmwareVersion(), mode);
    qDebug() << "tracking mode state:" << mode;
    m_trackingMode = mode;
    const int modeIndex = indexOfOptionValue(trackingModes(), mode);
    qDebug() << "tracking mode index:" << modeIndex;
    {
        const QSignalBlocker block(ui->comboBoxTrackMode);
        ui->comboBoxTrackMode->setCurrentIndex(modeIndex);
    }
    arrangeTrackingRows(mode);
    if (mode == 0)
        platform::singleShot(kRememberDelayMs, this, [this] { slotRemberYuntaiValue(); });
}

void ControlPanel::arrangeTrackingRows(int mode)
{
    const int model = m_window.currentCameraModel();
    if (mode == 0) {
        qDebug() << "show widgetoff";
        ui->widgetTrackOff->show();
        if (cameraModel(model).fieldOfView)
            ui->widgetAngle->show();
        setVisible(effectRow() + speedRow(), false);
        return;
    }
    qDebug() << "hide widgetoff";
    ui->widgetTrackOff->hide();
    ui->widgetAngle->hide();
    setVisible(effectRow() + speedRow(), true);
    if (mode == 3) {
        setVisible(effectRow() + speedRow(), false);
        return;
    }
    if (mode != 1)
        return;
    int value = 0;
    if (m_camera.extensionUnit().GetTrackingEffect(value)) {
        qDebug() << "tracking effect state:" << value;
        m_trackingEffect = value;
        selectValue(ui->comboBoxTrackEffect, value);
        if (value == 0)
            setVisible(speedRow(), false);
    }
    if (m_camera.extensionUnit().GetTrackingSpeed(value)) {
        qDebug() << "tracking speend state:" << value;
        m_trackingSpeed = value;
        selectValue(ui->comboBoxTrackSpeend, value);
    }
}

void ControlPanel::loadSliderSettings()
{
    const int index = m_window.currentCameraIndex();
    const int model = m_window.currentCameraModel();
    if (index == -1)
        return;
    m_camera.standard().readCameraProperties(index, model);
    m_pad->loadZoomRange();
    const bool focusControls = cameraModel(model).focusControls;
    if (!focusControls)
        ui->widgetAngle->hide();
    m_image->loadFromCamera(focusControls);
}

// ---- enabling -----------------------------------------------------------------------------

void ControlPanel::setControlsEnabled(bool enable)
{
    m_pad->enableZoom(enable);
    m_presets->setEnabled(enable);
    m_presets->refresh();
    m_image->enableRows(enable, !enable && !m_window.isCameraOpen());
    for (QWidget *w : std::initializer_list<QWidget *>{
             ui->comboBoxAntiFlicker, ui->btnHDR, ui->btnHD, ui->btnMute, ui->btnAutoAE, ui->btnMirror,
             ui->widgetGestureControl, ui->comboBoxTrackEffect, ui->comboBoxTrackMode, ui->comboBoxTrackSpeend})
        w->setEnabled(enable);
}

void ControlPanel::enableColourControls(bool enable)
{
    m_image->enableColour(enable);
}

void ControlPanel::hideCameraRows()
{
    for (QWidget *w : std::initializer_list<QWidget *>{ui->widgetHD, ui->widgetAngle, ui->widgetGestureControl,
                                                       ui->widgetAutoAE})
        w->hide();
    m_image->hideFocusRows();
}

// ---- switches -----------------------------------------------------------------------------

bool ControlPanel::toggleSetResync(int &state, QAbstractButton *button, SettingId id, const char *sentLog,
                                   const char *readLog)
{
    const CameraSetting &setting = camerasettings::setting(id);
    state = state == 0 ? 1 : 0;
    if (m_camera.writeSetting(setting, state)) {
        checkQuietly(button, state != 0);
        return true;
    }
    m_notice->showNow(camerasettings::failureText(setting), false);
    int value = 0;
    if (setting.resync && m_camera.readSetting(setting, value)) {
        qDebug() << sentLog << state << readLog << value;
        state = value;
        checkQuietly(button, value != 0);
    }
    return false;
}

bool ControlPanel::chooseSetting(SettingId id, int value, int &state, QComboBox *box, const char *sentLog,
                                 const char *readLog, bool *readBack)
{
    if (readBack)
        *readBack = false;
    const CameraSetting &setting = camerasettings::setting(id);
    if (m_camera.writeSetting(setting, value)) {
        state = value;
        return true;
    }
    m_notice->showNow(camerasettings::failureText(setting), false);
    int read = 0;
    // The raw answer: the list shows what the camera says, corrected or not.
    if (!m_camera.extensionUnit().getFeature(setting.vendor, read))
        return false;
    if (readLog)
        qDebug() << sentLog << value << readLog << read;
    else
        qDebug() << sentLog << value << read;
    state = read;
    selectValue(box, read);
    if (readBack)
        *readBack = true;
    return false;
}

void ControlPanel::on_btnHDR_clicked()
{
    if (!m_window.isCameraOpen())
        return;
    // The camera's HDR answer is not read back: the switch keeps the user's choice.
    toggleSetResync(m_HDRState, ui->btnHDR, SettingId::Hdr, nullptr, nullptr);
}

void ControlPanel::on_btnAutoAE_clicked()
{
    if (!m_window.isCameraOpen())
        return;
    toggleSetResync(m_AutoAEState, ui->btnAutoAE, SettingId::AiLight, "Set m_AutoAEState:", "query value:");
}

void ControlPanel::on_btnGestureControl_clicked()
{
    if (!m_window.isCameraOpen())
        return;
    toggleSetResync(m_GestureState, ui->btnGestureControl, SettingId::Gesture, "Set m_GestureState:",
                    "query value:");
}

void ControlPanel::on_btnMirror_clicked()
{
    if (!m_window.isCameraOpen())
        return;
    toggleSetResync(m_mirrorState, ui->btnMirror, SettingId::Mirror, "Set mirror:", ", query value:");
}

void ControlPanel::on_btnMute_clicked()
{
    if (!m_window.isCameraOpen())
        return;
    // The camera restarts after this change; its stream ends with it.
    m_window.stopCameraPreView();
    if (toggleSetResync(m_muteState, ui->btnMute, SettingId::Mic, "Set m_muteState:", "query value:"))
        m_window.showRestartNotice(camerasettings::restartText(camerasettings::setting(SettingId::Mic)));
}

void ControlPanel::on_btnHD_clicked()
{
    if (!m_window.isCameraOpen())
        return;
    m_window.stopCameraPreView();
    if (toggleSetResync(m_HDState, ui->btnHD, SettingId::HdMode, "Set HD mode:", "query value:"))
        m_window.showRestartNotice(camerasettings::restartText(camerasettings::setting(SettingId::HdMode)));
}

// ---- lists --------------------------------------------------------------------------------

void ControlPanel::on_comboBoxAntiFlicker_currentIndexChanged(int index)
{
    if (!m_window.isCameraOpen() || index < 0 || index > 1)
        return;
    const int value = optionValue(antiFlickerOptions(), index);
    chooseSetting(SettingId::AntiFlicker, value, m_flickerState, ui->comboBoxAntiFlicker, "Set Flicker:", nullptr);
}

void ControlPanel::on_comboBoxTrackMode_currentIndexChanged(int index)
{
    if (!m_window.isCameraOpen() || index < 0 || index > 2)
        return;
    const int mode = optionValue(trackingModes(), index);
    qDebug() << "get tracking index:" << index;
    qDebug() << "get tracking mode:" << mode;
    bool readBack = false;
    if (!chooseSetting(SettingId::TrackingMode, mode, m_trackingMode, ui->comboBoxTrackMode,
                       "Set tracking mode:", ", query value:", &readBack)) {
        if (readBack)
            arrangeTrackingRows(m_trackingMode);
        return;
    }

    if (mode == 0) {
        // Back to manual framing: the wide view first, without a not-taken notice for it.
        m_pad->zoomWithoutNotice(m_camera.properties().zoom.defaultValue);
        qDebug() << "show widgetoff";
        ui->widgetTrackOff->show();
        const int model = m_window.currentCameraModel();
        if (cameraModel(model).fieldOfView) {
            int angle = 0;
            if (m_camera.extensionUnit().GetViewAngle(angle)) {
                qDebug() << "angleState:" << angle;
                m_pad->clickDeviceAngle(angle);
            }
            ui->widgetAngle->show();
        }
        setVisible(effectRow() + speedRow(), false);
    } else {
        qDebug() << "hide widgetoff";
        ui->widgetTrackOff->hide();
        ui->widgetAngle->hide();
        setVisible(effectRow() + speedRow(), true);
        if (mode == 3)
            setVisible(effectRow() + speedRow(), false);
    }

    int reported = 0;
    if (m_camera.extensionUnit().GetTrackingMode(reported))
        qDebug() << "set tracking mode:" << mode << "query tracking mode:" << reported;

    if (mode == 0) {
        platform::singleShot(kRememberDelayMs, this, [this] { slotRemberYuntaiValue(); });
        return;
    }
    if (mode != 1)
        return;
    int value = 0;
    if (m_camera.extensionUnit().GetTrackingEffect(value)) {
        qDebug() << "tracking effect state:" << value;
        m_trackingEffect = value;
        selectValue(ui->comboBoxTrackEffect, value);
    }
    if (m_trackingEffect == 1) {
        if (m_camera.extensionUnit().GetTrackingSpeed(value)) {
            qDebug() << "tracking speend state:" << value;
            m_trackingSpeed = value;
            selectValue(ui->comboBoxTrackSpeend, value);
        }
    } else {
        setVisible(speedRow(), false);
    }
}

void ControlPanel::on_comboBoxTrackEffect_currentIndexChanged(int index)
{
    if (!m_window.isCameraOpen() || index < 0 || index > 1)
        return;
    const int effect = optionValue(trackingEffects(), index);
    int mode = 0;
    if (m_camera.extensionUnit().GetTrackingMode(mode) && mode == 1) {
        if (!chooseSetting(SettingId::TrackingEffect, effect, m_trackingEffect, ui->comboBoxTrackEffect,
                           "Set tracking effect:", ", query value:"))
            return;
    }
    setVisible(speedRow(), effect == 1);
}

void ControlPanel::on_comboBoxTrackSpeend_currentIndexChanged(int index)
{
    if (!m_window.isCameraOpen() || index < 0 || index > 2)
        return;
    const int speed = optionValue(trackingSpeeds(), index);
    int mode = 0;
    if (!m_camera.extensionUnit().GetTrackingMode(mode) || mode != 1)
        return;
    chooseSetting(SettingId::TrackingSpeed, speed, m_trackingSpeed, ui->comboBoxTrackSpeend, "Set tracking speed:",
                  ", query value:");
}

// ---- status refresh ---------------------------------------------------------------------

void ControlPanel::slotUpdateCamStatus()
{
    if (!m_window.isCameraOpen())
        return;
    int value = 0;
    if (!m_camera.extensionUnit().GetTrackingMode(value)) {
        qDebug() << "query AI mode fail";
        return;
    }
    if (value != m_trackingMode) {
        // The camera changed its mode by itself (gesture, remote): show it.
        m_trackingMode = value;
        selectValue(ui->comboBoxTrackMode, value);
        arrangeTrackingRows(value);
    }
    if (!m_camera.extensionUnit().GetViewAngle(value)) {
        qDebug() << "query angle fail";
        return;
    }
    m_pad->showDeviceAngle(value);
    if (!m_camera.extensionUnit().GetAntiFlicker(value)) {
        qDebug() << "query flicker fail";
        return;
    }
    m_flickerState = value;
    selectValue(ui->comboBoxAntiFlicker, value);
    slotUpdateSliderValue(true);
}


void ControlPanel::slotUpdateSliderValue(bool isQuery)
{
    const CameraPropertyState before = m_camera.properties();
    const int index = m_window.currentCameraIndex();
    const int model = m_window.currentCameraModel();
    if (isQuery && index != -1)
        m_camera.standard().readCameraProperties(index, model);
    const bool force = m_bForceRefresh;
    const int zoom = m_camera.properties().zoom.current;
    if (force || zoom != before.zoom.current) {
        m_pad->fillZoomSlider(zoom);
        platform::singleShot(kRefreshRememberDelayMs, this, [this] { slotRemberYuntaiValue(); });
    }
    m_image->refreshFromCamera(before, model, force);
    m_bForceRefresh = false;
}

void ControlPanel::showCameraPosition(const CameraPropertyState &before)
{
    const int index = m_window.currentCameraIndex();
    const int model = m_window.currentCameraModel();
    if (index != -1)
        m_camera.standard().readCameraProperties(index, model);
    m_pad->fillZoomSlider(m_camera.properties().zoom.current);
    m_image->refreshFromCamera(before, model, false);
}

int ControlPanel::fieldOfViewDegrees() const
{
    static const int kDegrees[] = {93, 78, 65};
    const int angle = m_pad->viewAngle();
    if (!cameraModel(m_window.currentCameraModel()).fieldOfView || angle < 0 || angle > 2)
        return kDegrees[0];
    return kDegrees[angle];
}

void ControlPanel::buttonClickedField(bool checked)
{
    Q_UNUSED(checked)
    m_pad->chooseAngle(qobject_cast<QToolButton *>(sender()));
}
