#include "ui/ControlPanel.h"

#include "camera/DShowCameraWrapper.h"
#include "camera/UVCExtensionUnit.h"
#include "platform/Clock.h"
#include "ui/ControlPanelShared.h"

#include <QDebug>
#include <QStyledItemDelegate>
#include <QTimer>

#include <algorithm>

using namespace controlpanel;


ControlPanel::ControlPanel(Window &window, const Widgets &widgets, OpenCamera &camera)
    : QObject(window.widget())
    , m_window(window)
    , ui(std::make_unique<const Widgets>(widgets))
    , m_camera(camera)
    , m_dshow(camera.standard())
    , m_uvc(camera.extensionUnit())
{
    m_angleButtons = {ui->btn90, ui->btn78, ui->btn65};
    using P = CameraPropertyState;
    m_imageRows = {
        {ui->sliderBrightness, ui->labelBrightnessValue, ui->checkBoxBrigtness, &P::brightness, kPropBrightness},
        {ui->sliderContract, ui->labelContractValue, ui->checkBoxContract, &P::contrast, kPropContrast},
        {ui->sliderHue, ui->labelHueValue, ui->checkBoxHue, &P::hue, kPropHue},
        {ui->sliderSaturation, ui->labelSaturationValue, ui->checkBoxSaturation, &P::saturation,
         kPropSaturation},
        {ui->sliderSharpness, ui->labelSharpnessValue, ui->checkBoxSharpness, &P::sharpness, kPropSharpness},
        {ui->sliderWhiteBalance, ui->labelWhiteBalance, ui->checkBoxWB, &P::whiteBalance, kPropWhiteBalance},
    };

    for (QAbstractButton *b : std::initializer_list<QAbstractButton *>{
             ui->btnHDR, ui->btnHD, ui->btnAutoFocus, ui->btnMute, ui->btnGestureControl,
             ui->btnAutoAE, ui->btnMirror})
        b->setCheckable(true);
    for (QToolButton *button : qAsConst(m_angleButtons)) {
        button->setCheckable(true);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        connect(button, &QToolButton::clicked, this, &ControlPanel::buttonClickedField);
    }
    for (QAbstractButton *b : std::initializer_list<QAbstractButton *>{
             ui->btnCameraUp, ui->btnCameraDown, ui->btnCameraLeft, ui->btnCameraRight}) {
        b->setAutoRepeat(true);
        b->setAutoRepeatDelay(500);
        b->setAutoRepeatInterval(200);
    }

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

    // Styled item views, so that the style sheets' row height and hover colour apply.
    for (QComboBox *box : {ui->comboBoxAntiFlicker, ui->comboBoxTrackMode, ui->comboBoxTrackEffect,
                           ui->comboBoxTrackSpeend})
        box->setItemDelegate(new QStyledItemDelegate(box));

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
    ui->sliderZoom->setMinimum(m_camera.properties().zoom.minimum);
    ui->sliderZoom->setMaximum(m_camera.properties().zoom.maximum);
    ui->sliderZoom->setSingleStep(10);
    connect(ui->sliderZoom, &QSlider::valueChanged, this, &ControlPanel::slotOnSetZoomValue);
    ui->sliderFocus->setSingleStep(1);
    connect(ui->sliderFocus, &QSlider::valueChanged, this, &ControlPanel::slotOnSetFocusValue);
    connect(ui->sliderBrightness, &QSlider::valueChanged, this, &ControlPanel::slotOnSetBrightnessValue);
    connect(ui->sliderContract, &QSlider::valueChanged, this, &ControlPanel::slotOnSetContractValue);
    connect(ui->sliderHue, &QSlider::valueChanged, this, &ControlPanel::slotOnSetHueValue);
    connect(ui->sliderSaturation, &QSlider::valueChanged, this, &ControlPanel::slotOnSetSaturationValue);
    connect(ui->sliderSharpness, &QSlider::valueChanged, this, &ControlPanel::slotOnSetSharpnessValue);
    connect(ui->sliderWhiteBalance, &QSlider::valueChanged, this, &ControlPanel::slotOnSetWhiteBalance);
}

void ControlPanel::showNotice(const QString &text, bool countdown)
{
    m_window.showMessageBox(text, countdown);
}

const ControlPanel::ImageRow &ControlPanel::imageRow(int id) const
{
    for (const ImageRow &row : m_imageRows) {
        if (row.id == id)
            return row;
    }
    Q_UNREACHABLE();
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
    int value = 0;
    if (m_uvc.GetHDR(value)) {
        m_HDRState = value;
        checkQuietly(ui->btnHDR, value != 0);
    }
    if (m_uvc.GetAntiFlicker(value)) {
        qDebug() << "flicker state:" << value;
        m_flickerState = value;
        selectValue(ui->comboBoxAntiFlicker, value);
    }
    if (m_uvc.GetMicEnable(value)) {
        qDebug() << "mute state:" << value;
        m_muteState = value;
        checkQuietly(ui->btnMute, value != 0);
    }
    if (m_uvc.GetMirror(value)) {
        m_mirrorState = value;
        checkQuietly(ui->btnMirror, value != 0);
    }
    if (cameraModel(model).fieldOfView && m_uvc.GetViewAngle(value)) {
        qDebug() << "angleState:" << value;
        m_angleState = value;
        showViewAngle(value);
    }

    loadSliderSettings();

    CameraPropertyState::Property &zoom = m_camera.properties().zoom;
    zoom.current = std::clamp(zoom.current, kZoomMin, kZoomMax);
    qDebug() << "param:"
             << "g_brightness:" << m_camera.properties().brightness.current
             << "pan:" << m_camera.properties().pan.current
             << "tilt:" << m_camera.properties().tilt.current << "zoom:" << zoom.current;

    if (m_uvc.GetHDMode(value)) {
        m_HDState = value;
        checkQuietly(ui->btnHD, value != 0);
    }
    if (m_uvc.GetGesture(value)) {
        qDebug() << "gesture state:" << value;
        m_GestureState = value;
        checkQuietly(ui->btnGestureControl, value != 0);
    }
    if (m_uvc.GetAutoAE(value)) {
        qDebug() << "AUTOAE state:" << value;
        m_AutoAEState = value;
        checkQuietly(ui->btnAutoAE, value != 0);
    }

    int mode = 0;
    if (!m_uvc.GetTrackingMode(mode))
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
    if (m_uvc.GetTrackingEffect(value)) {
        qDebug() << "tracking effect state:" << value;
        m_trackingEffect = value;
        selectValue(ui->comboBoxTrackEffect, value);
        if (value == 0)
            setVisible(speedRow(), false);
    }
    if (m_uvc.GetTrackingSpeed(value)) {
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
    m_dshow.readCameraProperties(index, model);
    const CameraPropertyState &st = m_camera.properties();

    {
        const QSignalBlocker block(ui->sliderZoom);
        ui->sliderZoom->setMinimum(st.zoom.minimum);
        ui->sliderZoom->setMaximum(st.zoom.maximum);
        ui->sliderZoom->setValue(st.zoom.current);
    }
    {
        const QSignalBlocker block(ui->sliderFocus);
        ui->sliderFocus->setMinimum(st.focus.minimum);
        ui->sliderFocus->setMaximum(st.focus.maximum);
    }

    if (!cameraModel(model).focusControls) {
        ui->widgetAngle->hide();
        ui->widgetAFocus->hide();
        ui->widgetMFocus->hide();
    } else {
        ui->widgetAFocus->show();
        if (isAutomatic(st.focus.flags)) {
            m_autoFocusState = 1;
            checkQuietly(ui->btnAutoFocus, true);
            ui->widgetMFocus->hide();
        } else {
            m_autoFocusState = 0;
            checkQuietly(ui->btnAutoFocus, false);
            ui->widgetMFocus->show();
            setSliderQuietly(ui->sliderFocus, st.focus.current);
        }
    }

    // The Auto box first: an automatic property keeps its mode while its slider is set.
    showWhiteBalanceAuto(isAutomatic(st.whiteBalance.flags));
    for (const ImageRow &row : m_imageRows) {
        const QSignalBlocker block(row.slider);
        row.slider->setMinimum(row.property(m_camera.properties()).minimum);
        row.slider->setMaximum(row.property(m_camera.properties()).maximum);
        row.slider->setSingleStep(1);
        row.slider->setValue(row.property(m_camera.properties()).current);
        row.label->setText(QString::number(row.property(m_camera.properties()).current));
    }
}

void ControlPanel::showWhiteBalanceAuto(bool automatic)
{
    checkQuietly(ui->checkBoxWB, automatic);
    // While the camera chooses the white balance itself, the slider only shows it.
    ui->sliderWhiteBalance->setEnabled(ui->checkBoxWB->isEnabled() && !automatic);
}

// ---- enabling -----------------------------------------------------------------------------

void ControlPanel::setControlsEnabled(bool enable)
{
    setDirectionPadEnabled(enable, m_camera.properties().zoom.current);

    ui->sliderZoom->setEnabled(enable);
    for (const ImageRow &row : m_imageRows) {
        row.slider->setEnabled(enable);
        row.autoBox->setEnabled(enable);
    }
    if (enable && ui->checkBoxWB->isChecked())
        ui->sliderWhiteBalance->setEnabled(false);

    if (!enable) {
        m_camera.properties().zoom.current = kZoomWide;
        setSliderQuietly(ui->sliderZoom, kZoomWide);
        if (!m_window.isCameraOpen()) {
            for (const ImageRow &row : m_imageRows)
                setSliderQuietly(row.slider, row.slider->minimum());
        }
    }

    for (QWidget *w : std::initializer_list<QWidget *>{
             ui->comboBoxAntiFlicker, ui->btnHDR, ui->btnHD, ui->btnMute, ui->btnAutoAE,
             ui->btnMirror, ui->widgetGestureControl, ui->btnDefaultColor, ui->comboBoxTrackEffect,
             ui->comboBoxTrackMode, ui->comboBoxTrackSpeend})
        w->setEnabled(enable);
}

void ControlPanel::enableColourControls(bool enable)
{
    for (QWidget *w : std::initializer_list<QWidget *>{
             ui->sliderBrightness, ui->sliderContract, ui->sliderSaturation, ui->sliderHue,
             ui->sliderSharpness, ui->checkBoxBrigtness, ui->checkBoxContract, ui->checkBoxHue,
             ui->checkBoxSaturation, ui->checkBoxSharpness, ui->checkBoxWB, ui->btnDefaultColor})
        w->setEnabled(enable);
}

void ControlPanel::hideCameraRows()
{
    for (QWidget *w : std::initializer_list<QWidget *>{ui->widgetHD, ui->widgetAngle,
                                                       ui->widgetGestureControl, ui->widgetAutoAE,
                                                       ui->widgetAFocus, ui->widgetMFocus})
        w->hide();
}

// ---- switches -----------------------------------------------------------------------------

bool ControlPanel::toggleSetResync(int &state, QAbstractButton *button, SettingId id, const char *sentLog,
                                   const char *readLog)
{
    const CameraSetting &setting = camerasettings::setting(id);
    state = state == 0 ? 1 : 0;
    if (m_camera.write(setting, state)) {
        checkQuietly(button, state != 0);
        return true;
    }
    showNotice(camerasettings::failureText(setting), false);
    int value = 0;
    if (setting.resync && m_camera.read(setting, value)) {
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
    if (m_camera.write(setting, value)) {
        state = value;
        return true;
    }
    showNotice(camerasettings::failureText(setting), false);
    int read = 0;
    // The raw answer: the list shows what the camera says, corrected or not.
    if (!m_uvc.getFeature(setting.vendor, read))
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
        m_bCancelTips = true;
        ui->sliderZoom->setValue(m_camera.properties().zoom.defaultValue);
        qDebug() << "show widgetoff";
        ui->widgetTrackOff->show();
        const int model = m_window.currentCameraModel();
        if (cameraModel(model).fieldOfView) {
            int angle = 0;
            if (m_uvc.GetViewAngle(angle)) {
                qDebug() << "angleState:" << angle;
                m_angleState = angle;
                clickAngleFromDevice(angle);
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
    if (m_uvc.GetTrackingMode(reported))
        qDebug() << "set tracking mode:" << mode << "query tracking mode:" << reported;

    if (mode == 0) {
        platform::singleShot(kRememberDelayMs, this, [this] { slotRemberYuntaiValue(); });
        return;
    }
    if (mode != 1)
        return;
    int value = 0;
    if (m_uvc.GetTrackingEffect(value)) {
        qDebug() << "tracking effect state:" << value;
        m_trackingEffect = value;
        selectValue(ui->comboBoxTrackEffect, value);
    }
    if (m_trackingEffect == 1) {
        if (m_uvc.GetTrackingSpeed(value)) {
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
    if (m_uvc.GetTrackingMode(mode) && mode == 1) {
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
    if (!m_uvc.GetTrackingMode(mode) || mode != 1)
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
    if (!m_uvc.GetTrackingMode(value)) {
        qDebug() << "query AI mode fail";
        return;
    }
    if (value != m_trackingMode) {
        // The camera changed its mode by itself (gesture, remote): show it.
        m_trackingMode = value;
        selectValue(ui->comboBoxTrackMode, value);
        arrangeTrackingRows(value);
    }
    if (!m_uvc.GetViewAngle(value)) {
        qDebug() << "query angle fail";
        return;
    }
    m_angleState = value;
    showViewAngle(value);
    if (!m_uvc.GetAntiFlicker(value)) {
        qDebug() << "query flicker fail";
        return;
    }
    m_flickerState = value;
    selectValue(ui->comboBoxAntiFlicker, value);
    slotUpdateSliderValue(true);
}

