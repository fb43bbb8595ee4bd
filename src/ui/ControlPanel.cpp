#include "ui/ControlPanel.h"

#include "app/Language.h"
#include "camera/DShowCameraWrapper.h"
#include "camera/UVCExtensionUnit.h"
#include "catalogue/Catalogue.h"
#include "platform/Clock.h"
#include "ui/MainWindow.h"

#include "ui_MainWindow.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kRememberDelayMs = 100;
constexpr int kRefreshRememberDelayMs = 400;
constexpr int kTipShowDelayMs = 500;
constexpr int kTipHoldMs = 1500;
constexpr int kZoomWide = 100;
constexpr int kZoomMin = 100;
constexpr int kZoomMax = 800;
constexpr int kPanTiltLimit = 30;
// The firmware whose tracking mode must read as Off on model 13.
const char kTrackingOffFirmware[] = "1.0.22";

// Camera-control and image property ids of the capture stack.
constexpr int kPropPan = 0;
constexpr int kPropTilt = 1;
constexpr int kPropZoom = 3;
constexpr int kPropFocus = 6;
constexpr int kPropBrightness = 0;
constexpr int kPropContrast = 1;
constexpr int kPropHue = 2;
constexpr int kPropSaturation = 3;
constexpr int kPropSharpness = 4;
constexpr int kPropWhiteBalance = 7;

// The window's notices carry the window's translation context.
QString windowText(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

QString settingTimeout()
{
    return windowText(QT_TRANSLATE_NOOP("MainWindow", "The setting has timed out, please try again."));
}

QString operationTimeout()
{
    return windowText(QT_TRANSLATE_NOOP("MainWindow", "The operation has timed out, please try again."));
}

QString valueNotTaken()
{
    return windowText(QT_TRANSLATE_NOOP("MainWindow",
        "Any change in the setting takes effect only if the camera is working."));
}

bool validLanguage(int language)
{
    return language >= 0 && language < kLanguageCount;
}

const OptionTable &noOptions()
{
    static const OptionTable empty;
    return empty;
}

// The tracking tables exist per interface language; outside 0 to 4 there are none.
const OptionTable &trackingModes()
{
    return validLanguage(g_language) ? trackingModeOptions(g_language) : noOptions();
}

const OptionTable &trackingEffects()
{
    return validLanguage(g_language) ? trackingEffectOptions(g_language) : noOptions();
}

const OptionTable &trackingSpeeds()
{
    return validLanguage(g_language) ? trackingSpeedOptions(g_language) : noOptions();
}

// The value a list's entry stands for; -1 past its end.
int optionValue(const OptionTable &table, int index)
{
    return index >= 0 && index < table.size() ? table.at(index).value : -1;
}

bool isAutomatic(std::int32_t flags)
{
    return (flags & DShowCameraWrapper::kFlagsAuto) != 0;
}

QString arrowStyle(const QString &image)
{
    return QStringLiteral("border-image:url(%1) center no-repeat;").arg(image);
}

struct ArrowImages
{
    QString normal;
    QString disabled;
};

ArrowImages arrowImages(const char *direction, int styleIndex)
{
    if (styleIndex == 0)
        return {QStringLiteral(":/qss/light/icon-arrow-%1.png").arg(QLatin1String(direction)),
                QStringLiteral(":/qss/light/icon-arrow-%1-disable.png").arg(QLatin1String(direction))};
    return {QStringLiteral(":/qss/dark/icon-arrow-%1-dark.png").arg(QLatin1String(direction)),
            QStringLiteral(":/qss/dark/icon-arrow-%1-disable.png").arg(QLatin1String(direction))};
}

// One axis: the arrow towards a limit that has been reached shows as unusable.
void styleAxis(QAbstractButton *lower, const ArrowImages &lowerImages, QAbstractButton *upper,
               const ArrowImages &upperImages, int value, int low, int high)
{
    if (value <= low) {
        lower->setStyleSheet(arrowStyle(lowerImages.disabled));
        lower->setCursor(Qt::ForbiddenCursor);
        upper->setStyleSheet(arrowStyle(upperImages.normal));
        upper->setCursor(Qt::ArrowCursor);
    } else if (value >= high) {
        upper->setStyleSheet(arrowStyle(upperImages.disabled));
        upper->setCursor(Qt::ForbiddenCursor);
        lower->setStyleSheet(arrowStyle(lowerImages.normal));
        lower->setCursor(Qt::ArrowCursor);
    } else {
        lower->setStyleSheet(arrowStyle(lowerImages.normal));
        upper->setStyleSheet(arrowStyle(upperImages.normal));
        lower->setCursor(Qt::ArrowCursor);
        upper->setCursor(Qt::ArrowCursor);
    }
}

void setSliderQuietly(QSlider *slider, int value)
{
    const QSignalBlocker block(slider);
    slider->setValue(value);
}

void checkQuietly(QAbstractButton *button, bool checked)
{
    const QSignalBlocker block(button);
    button->setChecked(checked);
}

void setVisible(const QList<QWidget *> &widgets, bool visible)
{
    for (QWidget *w : widgets)
        w->setVisible(visible);
}

} // namespace

ControlPanel::ControlPanel(MainWindow &window, Ui::MainWindow *form, DShowCameraWrapper &dshow,
                           UVCExtensionUnit &uvc)
    : QObject(&window)
    , m_window(window)
    , ui(form)
    , m_dshow(dshow)
    , m_uvc(uvc)
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
    ui->sliderZoom->setMinimum(cameraPropertyState.zoom.minimum);
    ui->sliderZoom->setMaximum(cameraPropertyState.zoom.maximum);
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
    if ((model == 0 || model == 5) && m_uvc.GetViewAngle(value)) {
        qDebug() << "angleState:" << value;
        m_angleState = value;
        showViewAngle(value);
    }

    loadSliderSettings();

    CameraPropertyState::Property &zoom = cameraPropertyState.zoom;
    zoom.current = std::clamp(zoom.current, kZoomMin, kZoomMax);
    qDebug() << "param:"
             << "g_brightness:" << cameraPropertyState.brightness.current
             << "pan:" << cameraPropertyState.pan.current
             << "tilt:" << cameraPropertyState.tilt.current << "zoom:" << zoom.current;

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
    if (model == 13 && m_window.firmwareVersion() == QLatin1String(kTrackingOffFirmware))
        mode = 0;
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
        QTimer::singleShot(platform::clock().timerIntervalMs(kRememberDelayMs), this,
                           &ControlPanel::slotRemberYuntaiValue);
}

void ControlPanel::arrangeTrackingRows(int mode)
{
    const int model = m_window.currentCameraModel();
    if (mode == 0) {
        qDebug() << "show widgetoff";
        ui->widgetTrackOff->show();
        if (model == 0 || model == 5)
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
    const CameraPropertyState &st = cameraPropertyState;

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

    if (model != 0 && model != 5 && model != 7) {
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
        row.slider->setMinimum(row.property().minimum);
        row.slider->setMaximum(row.property().maximum);
        row.slider->setSingleStep(1);
        row.slider->setValue(row.property().current);
        row.label->setText(QString::number(row.property().current));
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
    setDirectionPadEnabled(enable, cameraPropertyState.zoom.current);

    ui->sliderZoom->setEnabled(enable);
    for (const ImageRow &row : m_imageRows) {
        row.slider->setEnabled(enable);
        row.autoBox->setEnabled(enable);
    }
    if (enable && ui->checkBoxWB->isChecked())
        ui->sliderWhiteBalance->setEnabled(false);

    if (!enable) {
        cameraPropertyState.zoom.current = kZoomWide;
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

bool ControlPanel::toggleSetResync(int &state, QAbstractButton *button, SetCommand set, GetCommand get,
                                   const QString &timeoutText, const char *sentLog, const char *readLog)
{
    state = state == 0 ? 1 : 0;
    if ((m_uvc.*set)(state)) {
        checkQuietly(button, state != 0);
        return true;
    }
    showNotice(timeoutText, false);
    int value = 0;
    if (get && (m_uvc.*get)(value)) {
        qDebug() << sentLog << state << readLog << value;
        state = value;
        checkQuietly(button, value != 0);
    }
    return false;
}

void ControlPanel::on_btnHDR_clicked()
{
    if (!m_window.isCameraOpen())
        return;
    // The camera's HDR answer is not read back: the switch keeps the user's choice.
    toggleSetResync(m_HDRState, ui->btnHDR, &UVCExtensionUnit::SetHDR, nullptr, settingTimeout(),
                    nullptr, nullptr);
}

void ControlPanel::on_btnAutoAE_clicked()
{
    if (!m_window.isCameraOpen())
        return;
    toggleSetResync(m_AutoAEState, ui->btnAutoAE, &UVCExtensionUnit::SetAutoAE,
                    &UVCExtensionUnit::GetAutoAE, settingTimeout(), "Set m_AutoAEState:", "query value:");
}

void ControlPanel::on_btnGestureControl_clicked()
{
    if (!m_window.isCameraOpen())
        return;
    toggleSetResync(m_GestureState, ui->btnGestureControl, &UVCExtensionUnit::SetGesture,
                    &UVCExtensionUnit::GetGesture, settingTimeout(), "Set m_GestureState:",
                    "query value:");
}

void ControlPanel::on_btnMirror_clicked()
{
    if (!m_window.isCameraOpen())
        return;
    toggleSetResync(m_mirrorState, ui->btnMirror, &UVCExtensionUnit::SetMirror,
                    &UVCExtensionUnit::GetMirror, operationTimeout(), "Set mirror:", ", query value:");
}

void ControlPanel::on_btnMute_clicked()
{
    if (!m_window.isCameraOpen())
        return;
    // The camera restarts after this change; its stream ends with it.
    m_window.stopCameraPreView();
    if (toggleSetResync(m_muteState, ui->btnMute, &UVCExtensionUnit::SetMicEnable,
                        &UVCExtensionUnit::GetMicEnable, settingTimeout(), "Set m_muteState:",
                        "query value:"))
        m_window.showRestartNotice(
            windowText(QT_TRANSLATE_NOOP("MainWindow",
                "To complete this process, your device may take a few seconds to restart.")));
}

void ControlPanel::on_btnHD_clicked()
{
    if (!m_window.isCameraOpen())
        return;
    m_window.stopCameraPreView();
    if (toggleSetResync(m_HDState, ui->btnHD, &UVCExtensionUnit::SetHDMode, &UVCExtensionUnit::GetHDMode,
                        operationTimeout(), "Set HD mode:", "query value:"))
        m_window.showRestartNotice(
            windowText(QT_TRANSLATE_NOOP("MainWindow",
                "Turn on for better image quality and turn off for better compatibility."
                "To complete this process, your device may take a few seconds to restart.")));
}

// ---- lists --------------------------------------------------------------------------------

void ControlPanel::on_comboBoxAntiFlicker_currentIndexChanged(int index)
{
    if (!m_window.isCameraOpen() || index < 0 || index > 1)
        return;
    const int value = optionValue(antiFlickerOptions(), index);
    if (m_uvc.SetAntiFlicker(value)) {
        m_flickerState = value;
        return;
    }
    showNotice(settingTimeout(), false);
    int read = 0;
    if (!m_uvc.GetAntiFlicker(read))
        return;
    qDebug() << "Set Flicker:" << value << read;
    m_flickerState = read;
    selectValue(ui->comboBoxAntiFlicker, read);
}

void ControlPanel::on_comboBoxTrackMode_currentIndexChanged(int index)
{
    if (!m_window.isCameraOpen() || index < 0 || index > 2)
        return;
    const int mode = optionValue(trackingModes(), index);
    qDebug() << "get tracking index:" << index;
    qDebug() << "get tracking mode:" << mode;
    if (!m_uvc.SetTrackingMode(mode)) {
        showNotice(operationTimeout(), false);
        int read = 0;
        if (m_uvc.GetTrackingMode(read)) {
            qDebug() << "Set tracking mode:" << mode << ", query value:" << read;
            m_trackingMode = read;
            selectValue(ui->comboBoxTrackMode, read);
            arrangeTrackingRows(read);
        }
        return;
    }
    m_trackingMode = mode;

    if (mode == 0) {
        // Back to manual framing: the wide view first, without a not-taken notice for it.
        m_bCancelTips = true;
        ui->sliderZoom->setValue(cameraPropertyState.zoom.defaultValue);
        qDebug() << "show widgetoff";
        ui->widgetTrackOff->show();
        const int model = m_window.currentCameraModel();
        if (model == 0 || model == 5) {
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
        QTimer::singleShot(platform::clock().timerIntervalMs(kRememberDelayMs), this,
                           &ControlPanel::slotRemberYuntaiValue);
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
        if (!m_uvc.SetTrackingEffect(effect)) {
            showNotice(operationTimeout(), false);
            int read = 0;
            if (m_uvc.GetTrackingEffect(read)) {
                qDebug() << "Set tracking effect:" << effect << ", query value:" << read;
                m_trackingEffect = read;
                selectValue(ui->comboBoxTrackEffect, read);
            }
            return;
        }
        m_trackingEffect = effect;
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
    if (m_uvc.SetTrackingSpeed(speed)) {
        m_trackingSpeed = speed;
        return;
    }
    showNotice(operationTimeout(), false);
    int read = 0;
    if (!m_uvc.GetTrackingSpeed(read))
        return;
    qDebug() << "Set tracking speed:" << speed << ", query value:" << read;
    m_trackingSpeed = read;
    selectValue(ui->comboBoxTrackSpeend, read);
}

// ---- pan, tilt and zoom -------------------------------------------------------------------

int ControlPanel::panTiltLow(const CameraPropertyState::Property &property) const
{
    // A camera that reports a narrower range would refuse the steps beyond it.
    return property.minimum < property.maximum ? std::max(-kPanTiltLimit, property.minimum)
                                               : -kPanTiltLimit;
}

int ControlPanel::panTiltHigh(const CameraPropertyState::Property &property) const
{
    return property.minimum < property.maximum ? std::min(kPanTiltLimit, property.maximum)
                                               : kPanTiltLimit;
}

void ControlPanel::stepPanTilt(int id, int delta)
{
    CameraPropertyState::Property &axis = id == kPropPan ? cameraPropertyState.pan : cameraPropertyState.tilt;
    const int value = std::clamp(axis.current + delta, panTiltLow(axis), panTiltHigh(axis));
    axis.current = value;
    if (id == kPropPan)
        setPanArrowStyle(value);
    else
        setTiltArrowStyle(value);
    m_dshow.setCameraCtlValue(id, value);
    if (m_dshow.getCameraCtlValue(id, value) && axis.current != value) {
        // Show where the camera really is before telling the user.
        if (id == kPropPan)
            setPanArrowStyle(axis.current);
        else
            setTiltArrowStyle(axis.current);
        showNotice(valueNotTaken(), true);
    }
    if (id == kPropPan)
        qDebug() << "set pan:" << cameraPropertyState.pan.current;
}

void ControlPanel::on_btnCameraUp_clicked()
{
    stepPanTilt(kPropTilt, 1);
}

void ControlPanel::on_btnCameraDown_clicked()
{
    stepPanTilt(kPropTilt, -1);
}

void ControlPanel::on_btnCameraLeft_clicked()
{
    stepPanTilt(kPropPan, -1);
}

void ControlPanel::on_btnCameraRight_clicked()
{
    stepPanTilt(kPropPan, 1);
}

void ControlPanel::setDirectionPadEnabled(bool enable, int zoom)
{
    m_bControlsEnable = enable && zoom > kZoomWide;
    qDebug() << "m_bControlsEnable:" << m_bControlsEnable;
    if (m_bControlsEnable) {
        ui->widgetDirectionBg->setCursor(Qt::ArrowCursor);
        restyleDirectionPad();
    } else {
        setYuntaiDisabledStyle();
    }
    for (QWidget *w : std::initializer_list<QWidget *>{ui->btnCameraUp, ui->btnCameraDown,
                                                       ui->btnCameraLeft, ui->btnCameraRight})
        w->setEnabled(m_bControlsEnable);
}

void ControlPanel::restyleDirectionPad()
{
    if (!m_bControlsEnable) {
        setYuntaiDisabledStyle();
        return;
    }
    setPanArrowStyle(cameraPropertyState.pan.current);
    setTiltArrowStyle(cameraPropertyState.tilt.current);
}

void ControlPanel::setPanArrowStyle(int pan)
{
    const int style = m_window.styleIndex();
    const CameraPropertyState::Property &axis = cameraPropertyState.pan;
    styleAxis(ui->btnCameraLeft, arrowImages("left", style), ui->btnCameraRight,
              arrowImages("right", style), pan, panTiltLow(axis), panTiltHigh(axis));
}

void ControlPanel::setTiltArrowStyle(int tilt)
{
    const int style = m_window.styleIndex();
    const CameraPropertyState::Property &axis = cameraPropertyState.tilt;
    styleAxis(ui->btnCameraDown, arrowImages("down", style), ui->btnCameraUp, arrowImages("up", style),
              tilt, panTiltLow(axis), panTiltHigh(axis));
}

void ControlPanel::setYuntaiDisabledStyle()
{
    const int style = m_window.styleIndex();
    ui->widgetDirectionBg->setCursor(Qt::ForbiddenCursor);
    ui->btnCameraLeft->setStyleSheet(arrowStyle(arrowImages("left", style).disabled));
    ui->btnCameraRight->setStyleSheet(arrowStyle(arrowImages("right", style).disabled));
    ui->btnCameraUp->setStyleSheet(arrowStyle(arrowImages("up", style).disabled));
    ui->btnCameraDown->setStyleSheet(arrowStyle(arrowImages("down", style).disabled));
}

void ControlPanel::fillZoomSlider(int value)
{
    setSliderQuietly(ui->sliderZoom, value);
    setDirectionPadEnabled(ui->sliderZoom->isEnabled(), value);
}

void ControlPanel::slotOnSetZoomValue(int value)
{
    CameraPropertyState &st = cameraPropertyState;
    const int previous = st.zoom.current;
    st.zoom.current = value;
    const bool taken = m_dshow.setCameraCtlValue(kPropZoom, value);
    // The arrows are usable only while the zoom control itself is.
    setDirectionPadEnabled(ui->sliderZoom->isEnabled(), value);
    if (!taken) {
        if (!m_dshow.getCameraCtlValue(kPropZoom, value))
            st.zoom.current = previous;
        fillZoomSlider(st.zoom.current);
        noteRefused("zoom", st.zoom.current);
        return;
    }

    if (videoOn())
        return;
    const int sent = value;
    m_dshow.getCameraCtlValue(kPropZoom, sent);
    qDebug() << "last_zoom" << sent << "g_zoom" << st.zoom.current << "m_bCancelTips" << m_bCancelTips;
    if (m_bCancelTips && sent == kZoomWide) {
        st.zoom.current = kZoomWide;
        m_bCancelTips = false;
        return;
    }
    if (st.zoom.current != sent && m_window.isCameraOpen() && !m_window.isPreviewRunning()
        && !m_bTipPending)
        scheduleValueTip(valueNotTaken());
}

void ControlPanel::slotRemberYuntaiValue()
{
    CameraPropertyState &st = cameraPropertyState;
    st.tilt.current = std::min(st.tilt.current, kPanTiltLimit);
    setTiltArrowStyle(st.tilt.current);
    m_dshow.setCameraCtlValue(kPropTilt, st.tilt.current);

    st.pan.current = std::max(st.pan.current, -kPanTiltLimit);
    setPanArrowStyle(st.pan.current);
    m_dshow.setCameraCtlValue(kPropPan, st.pan.current);

    const bool cancelTips = m_bCancelTips;
    ui->sliderZoom->setValue(st.zoom.current);
    if (cancelTips)
        m_bCancelTips = true;
    slotOnSetZoomValue(st.zoom.current);
}

// ---- field of view ------------------------------------------------------------------------

void ControlPanel::showViewAngle(int index)
{
    if (index < 0 || index >= m_angleButtons.size()) {
        qWarning() << "field of view without a button:" << index;
        return;
    }
    for (int i = 0; i < m_angleButtons.size(); ++i)
        checkQuietly(m_angleButtons.at(i), i == index);
}

void ControlPanel::clickAngleFromDevice(int index)
{
    if (index < 0 || index >= m_angleButtons.size()) {
        qWarning() << "field of view without a button:" << index;
        return;
    }
    m_bAngleFromDevice = true;
    m_angleButtons.at(index)->click();
}

void ControlPanel::buttonClickedField(bool checked)
{
    Q_UNUSED(checked)
    auto *clicked = qobject_cast<QToolButton *>(sender());
    const int index = m_angleButtons.indexOf(clicked);
    if (index < 0)
        return;
    for (int i = 0; i < m_angleButtons.size(); ++i) {
        if (i != index)
            checkQuietly(m_angleButtons.at(i), false);
    }

    CameraPropertyState &st = cameraPropertyState;
    if (!m_bAngleFromDevice && (st.tilt.current != 0 || st.pan.current != 0 || st.zoom.current != 100)) {
        // A new field of view starts from the camera's home position.
        st.tilt.current = st.tilt.defaultValue;
        st.pan.current = st.pan.defaultValue;
        restyleDirectionPad();
        m_bCancelTips = true;
        st.zoom.current = st.zoom.defaultValue;
        slotRemberYuntaiValue();
    }
    m_bAngleFromDevice = false;

    qDebug() << "set VIEW ANGLE:" << index;
    checkQuietly(clicked, true);
    if (m_uvc.SetViewAngle(index)) {
        m_angleState = index;
        return;
    }
    qDebug() << "set VIEW ANGLE failed!";
    showNotice(settingTimeout(), false);
    int angle = 0;
    if (!m_uvc.GetViewAngle(angle))
        return;
    m_angleState = angle;
    // Show the camera's own choice without sending it back: a camera that refuses the
    // command would otherwise be asked again and again.
    showViewAngle(angle);
}

// ---- focus --------------------------------------------------------------------------------

void ControlPanel::slotOnSetFocusValue(int value)
{
    CameraPropertyState::Property &focus = cameraPropertyState.focus;
    const int previous = focus.current;
    focus.current = value;
    if (m_dshow.setCameraCtlValue(kPropFocus, value))
        return;
    if (!m_dshow.getCameraCtlValue(kPropFocus, value))
        focus.current = previous;
    setSliderQuietly(ui->sliderFocus, focus.current);
    noteRefused("focus", focus.current);
}

void ControlPanel::on_btnAutoFocus_clicked(bool checked)
{
    Q_UNUSED(checked)
    if (!m_window.isCameraOpen())
        return;
    if (m_autoFocusState == 0) {
        m_autoFocusState = 1;
        checkQuietly(ui->btnAutoFocus, true);
        ui->widgetMFocus->hide();
        if (!m_uvc.SetAutoFocus()) {
            showNotice(settingTimeout(), false);
            m_autoFocusState = 0;
            checkQuietly(ui->btnAutoFocus, false);
            ui->widgetMFocus->show();
        }
        return;
    }
    m_autoFocusState = 0;
    checkQuietly(ui->btnAutoFocus, false);
    CameraPropertyState::Property &focus = cameraPropertyState.focus;
    // Manual focus starts where automatic focus left the lens.
    m_dshow.getCameraCtlValue(kPropFocus, focus.current);
    ui->widgetMFocus->show();
    qDebug() << "ui->sliderFocus" << ui->sliderFocus->value();
    setSliderQuietly(ui->sliderFocus, focus.current);
    qDebug() << "g_focus" << focus.current;
    m_dshow.setCameraCtlValue(kPropFocus, focus.current);
}

// ---- image sliders ------------------------------------------------------------------------

bool ControlPanel::videoOn()
{
    // A camera that does not answer counts as not streaming: its values are checked.
    int videoState = 0;
    if (m_uvc.GetVideoState(videoState) && videoState == 1) {
        qDebug() << "video on";
        return true;
    }
    return false;
}

void ControlPanel::noteRefused(const char *what, int value)
{
    qWarning() << "The camera did not take the" << what << "value; it keeps" << value;
    if (m_window.isCameraOpen() && !m_bTipPending)
        scheduleValueTip(settingTimeout());
}

void ControlPanel::setImageValue(const ImageRow &row, int value)
{
    const int previous = row.property().current;
    row.property().current = value;
    bool taken = false;
    if (row.id == kPropWhiteBalance && ui->checkBoxWB->isChecked())
        taken = m_dshow.setVideoProcAuto(row.id);
    else
        taken = m_dshow.setVideoProcValue(row.id, value);
    row.label->setText(QString::number(value));
    if (!taken) {
        if (!m_dshow.getVideoProcValue(row.id, value))
            row.property().current = previous;
        setSliderQuietly(row.slider, row.property().current);
        row.label->setText(QString::number(row.property().current));
        noteRefused(qPrintable(row.slider->objectName()), row.property().current);
        return;
    }
    checkImageValue(row.id, value);
}

void ControlPanel::checkImageValue(int id, int sent)
{
    if (videoOn())
        return;
    m_dshow.getVideoProcValue(id, sent);
    if (imageRow(id).property().current == sent)
        return;
    if (m_window.isCameraOpen() && !m_window.isPreviewRunning() && !m_bTipPending)
        scheduleValueTip(valueNotTaken());
}

void ControlPanel::slotOnSetBrightnessValue(int value)
{
    setImageValue(imageRow(kPropBrightness), value);
}

void ControlPanel::slotOnSetContractValue(int value)
{
    setImageValue(imageRow(kPropContrast), value);
}

void ControlPanel::slotOnSetHueValue(int value)
{
    setImageValue(imageRow(kPropHue), value);
}

void ControlPanel::slotOnSetSaturationValue(int value)
{
    setImageValue(imageRow(kPropSaturation), value);
}

void ControlPanel::slotOnSetSharpnessValue(int value)
{
    setImageValue(imageRow(kPropSharpness), value);
}

void ControlPanel::slotOnSetWhiteBalance(int value)
{
    setImageValue(imageRow(kPropWhiteBalance), value);
}

void ControlPanel::setImageAuto(const ImageRow &row, bool automatic)
{
    row.slider->setEnabled(!automatic);
    const bool taken = automatic ? m_dshow.setVideoProcAuto(row.id)
                                 : m_dshow.setVideoProcValue(row.id, row.property().current);
    // The remembered mode follows what the camera took, so a later refresh sees a change.
    if (taken) {
        row.property().flags = automatic ? DShowCameraWrapper::kFlagsAuto : DShowCameraWrapper::kFlagsManual;
    } else {
        // A camera without that mode keeps its old one, and the box shows it.
        checkQuietly(row.autoBox, !automatic);
        row.slider->setEnabled(automatic);
        noteRefused(automatic ? "automatic mode" : "manual mode", row.property().current);
    }
    if (row.id == kPropWhiteBalance)
        return;
    loadSliderSettings();
}

void ControlPanel::on_checkBoxBrigtness_stateChanged(int)
{
    setImageAuto(imageRow(kPropBrightness), ui->checkBoxBrigtness->isChecked());
}

void ControlPanel::on_checkBoxContract_stateChanged(int)
{
    setImageAuto(imageRow(kPropContrast), ui->checkBoxContract->isChecked());
}

void ControlPanel::on_checkBoxHue_stateChanged(int)
{
    setImageAuto(imageRow(kPropHue), ui->checkBoxHue->isChecked());
}

void ControlPanel::on_checkBoxSaturation_stateChanged(int)
{
    setImageAuto(imageRow(kPropSaturation), ui->checkBoxSaturation->isChecked());
}

void ControlPanel::on_checkBoxSharpness_stateChanged(int)
{
    setImageAuto(imageRow(kPropSharpness), ui->checkBoxSharpness->isChecked());
}

void ControlPanel::on_checkBoxWB_stateChanged(int)
{
    setImageAuto(imageRow(kPropWhiteBalance), ui->checkBoxWB->isChecked());
}

void ControlPanel::on_btnDefaultColor_clicked()
{
    const CameraPropertyState &st = cameraPropertyState;
    m_dshow.setVideoProcValue(kPropBrightness, st.brightness.defaultValue);
    m_dshow.setVideoProcValue(kPropHue, st.hue.defaultValue);
    m_dshow.setVideoProcValue(kPropContrast, st.contrast.defaultValue);
    m_dshow.setVideoProcValue(kPropSaturation, st.saturation.defaultValue);
    m_dshow.setVideoProcValue(kPropSharpness, st.sharpness.defaultValue);
    m_dshow.setVideoProcAuto(kPropWhiteBalance);
    slotUpdateSliderValue(true);

    if (videoOn())
        return;
    if (!m_window.isCameraOpen() || m_window.isPreviewRunning())
        return;
    for (const ImageRow &row : m_imageRows) {
        if (row.id != kPropWhiteBalance && row.slider->value() != row.property().defaultValue) {
            showNotice(valueNotTaken(), true);
            return;
        }
    }
}

// ---- the value-not-taken notice -----------------------------------------------------------

void ControlPanel::scheduleValueTip(const QString &text)
{
    m_bTipPending = true;
    m_tipText = text;
    QTimer::singleShot(platform::clock().timerIntervalMs(kTipHoldMs), this, &ControlPanel::slotTipsTimeout);
    QTimer::singleShot(platform::clock().timerIntervalMs(kTipShowDelayMs), this, &ControlPanel::slotShowTips);
}

void ControlPanel::slotShowTips()
{
    const QString text = m_tipText.isEmpty() ? valueNotTaken() : m_tipText;
    // The sliders go back to the camera's values while the notice is up.
    m_bForceRefresh = true;
    slotUpdateSliderValue(false);
    showNotice(text, true);
}

void ControlPanel::slotTipsTimeout()
{
    m_bTipPending = false;
}

// ---- refresh from the camera --------------------------------------------------------------

void ControlPanel::slotUpdateSliderValue(bool isQuery)
{
    const CameraPropertyState before = cameraPropertyState;
    const int index = m_window.currentCameraIndex();
    const int model = m_window.currentCameraModel();
    if (isQuery && index != -1)
        m_dshow.readCameraProperties(index, model);
    const CameraPropertyState &now = cameraPropertyState;
    const bool force = m_bForceRefresh;

    if (force || now.zoom.current != before.zoom.current) {
        fillZoomSlider(now.zoom.current);
        QTimer::singleShot(platform::clock().timerIntervalMs(kRefreshRememberDelayMs), this,
                           &ControlPanel::slotRemberYuntaiValue);
    }

    const bool focusAuto = isAutomatic(now.focus.flags);
    if ((force || focusAuto != isAutomatic(before.focus.flags) || now.focus.current != before.focus.current)
        && (model == 0 || model == 5)) {
        ui->widgetAFocus->show();
        if (focusAuto && m_autoFocusState == 0) {
            // The camera focuses by itself already; the switch only shows it.
            m_autoFocusState = 1;
            checkQuietly(ui->btnAutoFocus, true);
            ui->widgetMFocus->hide();
        } else if (m_autoFocusState != 1) {
            m_autoFocusState = 0;
            checkQuietly(ui->btnAutoFocus, false);
            ui->widgetMFocus->show();
            setSliderQuietly(ui->sliderFocus, now.focus.current);
        }
    }

    const bool wbAuto = isAutomatic(now.whiteBalance.flags);
    if (force || wbAuto != isAutomatic(before.whiteBalance.flags))
        showWhiteBalanceAuto(wbAuto);
    for (const ImageRow &row : qAsConst(m_imageRows)) {
        if (force || row.property().current != (before.*row.member).current) {
            setSliderQuietly(row.slider, row.property().current);
            row.label->setText(QString::number(row.property().current));
        }
    }
    m_bForceRefresh = false;
}

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
