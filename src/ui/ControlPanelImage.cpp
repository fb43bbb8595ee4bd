#include "ui/ControlPanel.h"

// Focus, the image sliders with their Auto boxes, the default colours, the notice for
// values the camera does not take, and the refresh of the sliders from the camera.

#include "camera/DShowCameraWrapper.h"
#include "camera/UVCExtensionUnit.h"
#include "platform/Clock.h"
#include "ui/ControlPanelShared.h"

#include <QDebug>
#include <QTimer>

#include <algorithm>

using namespace controlpanel;

// ---- focus --------------------------------------------------------------------------------

void ControlPanel::slotOnSetFocusValue(int value)
{
    CameraPropertyState::Property &focus = m_camera.properties().focus;
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
    CameraPropertyState::Property &focus = m_camera.properties().focus;
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
    const int previous = row.property(m_camera.properties()).current;
    row.property(m_camera.properties()).current = value;
    bool taken = false;
    if (row.id == kPropWhiteBalance && ui->checkBoxWB->isChecked())
        taken = m_dshow.setVideoProcAuto(row.id);
    else
        taken = m_dshow.setVideoProcValue(row.id, value);
    row.label->setText(QString::number(value));
    if (!taken) {
        if (!m_dshow.getVideoProcValue(row.id, value))
            row.property(m_camera.properties()).current = previous;
        setSliderQuietly(row.slider, row.property(m_camera.properties()).current);
        row.label->setText(QString::number(row.property(m_camera.properties()).current));
        noteRefused(qPrintable(row.slider->objectName()), row.property(m_camera.properties()).current);
        return;
    }
    checkImageValue(row.id, value);
}

void ControlPanel::checkImageValue(int id, int sent)
{
    if (videoOn())
        return;
    m_dshow.getVideoProcValue(id, sent);
    if (imageRow(id).property(m_camera.properties()).current == sent)
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
                                 : m_dshow.setVideoProcValue(row.id, row.property(m_camera.properties()).current);
    // The remembered mode follows what the camera took, so a later refresh sees a change.
    if (taken) {
        row.property(m_camera.properties()).flags = automatic ? DShowCameraWrapper::kFlagsAuto : DShowCameraWrapper::kFlagsManual;
    } else {
        // A camera without that mode keeps its old one, and the box shows it.
        checkQuietly(row.autoBox, !automatic);
        row.slider->setEnabled(automatic);
        noteRefused(automatic ? "automatic mode" : "manual mode", row.property(m_camera.properties()).current);
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
    const CameraPropertyState &st = m_camera.properties();
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
        if (row.id != kPropWhiteBalance && row.slider->value() != row.property(m_camera.properties()).defaultValue) {
            showNotice(valueNotTaken(), true);
            return;
        }
    }
}

// ---- the value-not-taken notice -----------------------------------------------------------

void ControlPanel::scheduleValueTip(const QString &text)
{
    m_bTipPending = true;
    m_bTipHoldOver = false;
    m_tipText = text;
    platform::singleShot(kTipHoldMs, this, [this] { slotTipsTimeout(); });
    platform::singleShot(kTipShowDelayMs, this, [this] { slotShowTips(); });
}

void ControlPanel::slotShowTips()
{
    const QString text = m_tipText.isEmpty() ? valueNotTaken() : m_tipText;
    // Scheduled or showing, the one notice keeps the window shut: the refresh below
    // and whatever runs while the notice is open schedule no other.
    m_bTipPending = true;
    m_bTipShowing = true;
    // The sliders go back to the camera's values while the notice is up.
    m_bForceRefresh = true;
    slotUpdateSliderValue(false);
    showNotice(text, true);
    m_bTipShowing = false;
    if (m_bTipHoldOver)
        m_bTipPending = false;
}

void ControlPanel::slotTipsTimeout()
{
    m_bTipHoldOver = true;
    if (!m_bTipShowing)
        m_bTipPending = false;
}

// ---- refresh from the camera --------------------------------------------------------------

void ControlPanel::slotUpdateSliderValue(bool isQuery)
{
    const CameraPropertyState before = m_camera.properties();
    const int index = m_window.currentCameraIndex();
    const int model = m_window.currentCameraModel();
    if (isQuery && index != -1)
        m_dshow.readCameraProperties(index, model);
    const CameraPropertyState &now = m_camera.properties();
    const bool force = m_bForceRefresh;

    if (force || now.zoom.current != before.zoom.current) {
        fillZoomSlider(now.zoom.current);
        platform::singleShot(kRefreshRememberDelayMs, this, [this] { slotRemberYuntaiValue(); });
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
        if (force || row.property(m_camera.properties()).current != (before.*row.member).current) {
            setSliderQuietly(row.slider, row.property(m_camera.properties()).current);
            row.label->setText(QString::number(row.property(m_camera.properties()).current));
        }
    }
    m_bForceRefresh = false;
}

