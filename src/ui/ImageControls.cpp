#include "ui/ImageControls.h"

#include "ui/ControlPanelShared.h"
#include "ui/ValueNotice.h"

#include <QDebug>

#include <utility>

using namespace controlpanel;

ImageControls::ImageControls(const ImageWidgets &widgets, OpenCamera &camera, ValueNotice &notice,
                             std::function<bool()> cameraOpen, QObject *parent)
    : QObject(parent)
    , ui(widgets)
    , m_camera(camera)
    , m_notice(notice)
    , m_cameraOpen(std::move(cameraOpen))
{
    using P = CameraPropertyState;
    m_imageRows = {
        {ui.sliderBrightness, ui.labelBrightnessValue, ui.checkBoxBrigtness, &P::brightness, kPropBrightness},
        {ui.sliderContract, ui.labelContractValue, ui.checkBoxContract, &P::contrast, kPropContrast},
        {ui.sliderHue, ui.labelHueValue, ui.checkBoxHue, &P::hue, kPropHue},
        {ui.sliderSaturation, ui.labelSaturationValue, ui.checkBoxSaturation, &P::saturation, kPropSaturation},
        {ui.sliderSharpness, ui.labelSharpnessValue, ui.checkBoxSharpness, &P::sharpness, kPropSharpness},
        {ui.sliderWhiteBalance, ui.labelWhiteBalance, ui.checkBoxWB, &P::whiteBalance, kPropWhiteBalance},
    };
    ui.btnAutoFocus->setCheckable(true);
    ui.sliderFocus->setSingleStep(1);
}

const ImageControls::ImageRow &ImageControls::imageRow(int id) const
{
    for (const ImageRow &row : m_imageRows) {
        if (row.id == id)
            return row;
    }
    Q_UNREACHABLE();
}

// ---- focus --------------------------------------------------------------------------------

void ImageControls::sendFocus(int value)
{
    CameraPropertyState::Property &focus = m_camera.properties().focus;
    const int previous = focus.current;
    focus.current = value;
    if (m_camera.standard().setCameraCtlValue(kPropFocus, value))
        return;
    if (!m_camera.standard().getCameraCtlValue(kPropFocus, value))
        focus.current = previous;
    setSliderQuietly(ui.sliderFocus, focus.current);
    m_notice.noteRefused("focus", focus.current);
}

void ImageControls::toggleAutoFocus()
{
    if (!m_cameraOpen())
        return;
    if (m_autoFocusState == 0) {
        m_autoFocusState = 1;
        checkQuietly(ui.btnAutoFocus, true);
        ui.widgetMFocus->hide();
        if (!m_camera.extensionUnit().SetAutoFocus()) {
            m_notice.showNow(settingTimeout(), false);
            m_autoFocusState = 0;
            checkQuietly(ui.btnAutoFocus, false);
            ui.widgetMFocus->show();
        }
        return;
    }
    m_autoFocusState = 0;
    checkQuietly(ui.btnAutoFocus, false);
    CameraPropertyState::Property &focus = m_camera.properties().focus;
    // Manual focus starts where automatic focus left the lens.
    m_camera.standard().getCameraCtlValue(kPropFocus, focus.current);
    ui.widgetMFocus->show();
    qDebug() << "ui->sliderFocus" << ui.sliderFocus->value();
    setSliderQuietly(ui.sliderFocus, focus.current);
    qDebug() << "g_focus" << focus.current;
    m_camera.standard().setCameraCtlValue(kPropFocus, focus.current);
}

// ---- image sliders ------------------------------------------------------------------------

void ImageControls::sendImageValue(int id, int value)
{
    setImageValue(imageRow(id), value);
}

void ImageControls::setImageValue(const ImageRow &row, int value)
{
    CameraPropertyState::Property &property = row.property(m_camera.properties());
    const int previous = property.current;
    property.current = value;
    bool taken = false;
    if (row.id == kPropWhiteBalance && ui.checkBoxWB->isChecked())
        taken = m_camera.standard().setVideoProcAuto(row.id);
    else
        taken = m_camera.standard().setVideoProcValue(row.id, value);
    row.label->setText(QString::number(value));
    if (!taken) {
        if (!m_camera.standard().getVideoProcValue(row.id, value))
            property.current = previous;
        setSliderQuietly(row.slider, property.current);
        row.label->setText(QString::number(property.current));
        m_notice.noteRefused(qPrintable(row.slider->objectName()), property.current);
        return;
    }
    checkImageValue(row.id, value);
}

void ImageControls::checkImageValue(int id, int sent)
{
    if (videoOn(m_camera.extensionUnit()))
        return;
    m_camera.standard().getVideoProcValue(id, sent);
    if (imageRow(id).property(m_camera.properties()).current == sent)
        return;
    m_notice.noteNotTaken();
}

void ImageControls::switchAutoMode(int id)
{
    const ImageRow &row = imageRow(id);
    setImageAuto(row, row.autoBox->isChecked());
}

void ImageControls::setImageAuto(const ImageRow &row, bool automatic)
{
    CameraPropertyState::Property &property = row.property(m_camera.properties());
    row.slider->setEnabled(!automatic);
    const bool taken = automatic ? m_camera.standard().setVideoProcAuto(row.id) : m_camera.standard().setVideoProcValue(row.id, property.current);
    // The remembered mode follows what the camera took, so a later refresh sees a change.
    if (taken) {
        property.flags = automatic ? DShowCameraWrapper::kFlagsAuto : DShowCameraWrapper::kFlagsManual;
    } else {
        // A camera without that mode keeps its old one, and the box shows it.
        checkQuietly(row.autoBox, !automatic);
        row.slider->setEnabled(automatic);
        m_notice.noteRefused(automatic ? "automatic mode" : "manual mode", property.current);
    }
    if (row.id == kPropWhiteBalance)
        return;
    emit reloadRequested();
}

void ImageControls::restoreDefaultColours()
{
    const CameraPropertyState &st = m_camera.properties();
    m_camera.standard().setVideoProcValue(kPropBrightness, st.brightness.defaultValue);
    m_camera.standard().setVideoProcValue(kPropHue, st.hue.defaultValue);
    m_camera.standard().setVideoProcValue(kPropContrast, st.contrast.defaultValue);
    m_camera.standard().setVideoProcValue(kPropSaturation, st.saturation.defaultValue);
    m_camera.standard().setVideoProcValue(kPropSharpness, st.sharpness.defaultValue);
    m_camera.standard().setVideoProcAuto(kPropWhiteBalance);
    emit refreshRequested();

    if (videoOn(m_camera.extensionUnit()))
        return;
    if (!m_notice.checksValues())
        return;
    for (const ImageRow &row : m_imageRows) {
        if (row.id != kPropWhiteBalance && row.slider->value() != row.property(m_camera.properties()).defaultValue) {
            m_notice.showNow(valueNotTaken(), true);
            return;
        }
    }
}

void ImageControls::showWhiteBalanceAuto(bool automatic)
{
    checkQuietly(ui.checkBoxWB, automatic);
    // While the camera chooses the white balance itself, the slider only shows it.
    ui.sliderWhiteBalance->setEnabled(ui.checkBoxWB->isEnabled() && !automatic);
}

// ---- from the camera ----------------------------------------------------------------------

void ImageControls::loadFromCamera(bool focusControls)
{
    const CameraPropertyState &st = m_camera.properties();
    {
        const QSignalBlocker block(ui.sliderFocus);
        ui.sliderFocus->setMinimum(st.focus.minimum);
        ui.sliderFocus->setMaximum(st.focus.maximum);
    }

    if (!focusControls) {
        hideFocusRows();
    } else {
        ui.widgetAFocus->show();
        if (isAutomatic(st.focus.flags)) {
            m_autoFocusState = 1;
            checkQuietly(ui.btnAutoFocus, true);
            ui.widgetMFocus->hide();
        } else {
            m_autoFocusState = 0;
            checkQuietly(ui.btnAutoFocus, false);
            ui.widgetMFocus->show();
            setSliderQuietly(ui.sliderFocus, st.focus.current);
        }
    }

    // The Auto box first: an automatic property keeps its mode while its slider is set.
    showWhiteBalanceAuto(isAutomatic(st.whiteBalance.flags));
    for (const ImageRow &row : qAsConst(m_imageRows)) {
        const CameraPropertyState::Property &property = row.property(m_camera.properties());
        const QSignalBlocker block(row.slider);
        row.slider->setMinimum(property.minimum);
        row.slider->setMaximum(property.maximum);
        row.slider->setSingleStep(1);
        row.slider->setValue(property.current);
        row.label->setText(QString::number(property.current));
    }
}

void ImageControls::refreshFromCamera(const CameraPropertyState &before, int model, bool force)
{
    const CameraPropertyState &now = m_camera.properties();
    const bool focusAuto = isAutomatic(now.focus.flags);
    if ((force || focusAuto != isAutomatic(before.focus.flags) || now.focus.current != before.focus.current)
        && (model == 0 || model == 5)) {
        ui.widgetAFocus->show();
        if (focusAuto && m_autoFocusState == 0) {
            // The camera focuses by itself already; the switch only shows it.
            m_autoFocusState = 1;
            checkQuietly(ui.btnAutoFocus, true);
            ui.widgetMFocus->hide();
        } else if (m_autoFocusState != 1) {
            m_autoFocusState = 0;
            checkQuietly(ui.btnAutoFocus, false);
            ui.widgetMFocus->show();
            setSliderQuietly(ui.sliderFocus, now.focus.current);
        }
    }

    const bool wbAuto = isAutomatic(now.whiteBalance.flags);
    if (force || wbAuto != isAutomatic(before.whiteBalance.flags))
        showWhiteBalanceAuto(wbAuto);
    for (const ImageRow &row : qAsConst(m_imageRows)) {
        const int current = row.property(m_camera.properties()).current;
        if (force || current != (before.*row.member).current) {
            setSliderQuietly(row.slider, current);
            row.label->setText(QString::number(current));
        }
    }
}

// ---- enabling -----------------------------------------------------------------------------

void ImageControls::enableRows(bool enable, bool resetToMinimum)
{
    for (const ImageRow &row : qAsConst(m_imageRows)) {
        row.slider->setEnabled(enable);
        row.autoBox->setEnabled(enable);
    }
    if (enable && ui.checkBoxWB->isChecked())
        ui.sliderWhiteBalance->setEnabled(false);
    if (resetToMinimum) {
        for (const ImageRow &row : qAsConst(m_imageRows))
            setSliderQuietly(row.slider, row.slider->minimum());
    }
    ui.btnDefaultColor->setEnabled(enable);
}

void ImageControls::enableColour(bool enable)
{
    for (QWidget *w : std::initializer_list<QWidget *>{
             ui.sliderBrightness, ui.sliderContract, ui.sliderSaturation, ui.sliderHue, ui.sliderSharpness,
             ui.checkBoxBrigtness, ui.checkBoxContract, ui.checkBoxHue, ui.checkBoxSaturation,
             ui.checkBoxSharpness, ui.checkBoxWB, ui.btnDefaultColor})
        w->setEnabled(enable);
}

void ImageControls::hideFocusRows()
{
    ui.widgetAFocus->hide();
    ui.widgetMFocus->hide();
}
