#include "ui/ControlPanel.h"

// Pan, tilt and zoom, the direction pad's looks, and the field of view.

#include "camera/DShowCameraWrapper.h"
#include "camera/UVCExtensionUnit.h"
#include "platform/Clock.h"
#include "ui/ControlPanelShared.h"

#include <QDebug>
#include <QTimer>

#include <algorithm>

using namespace controlpanel;

namespace {

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

} // namespace

// ---- pan, tilt and zoom -------------------------------------------------------------------

int ControlPanel::panTiltLow(const CameraPropertyState::Property &property) const
{
    return CameraRules::panTiltLow(property);
}

int ControlPanel::panTiltHigh(const CameraPropertyState::Property &property) const
{
    return CameraRules::panTiltHigh(property);
}

void ControlPanel::stepPanTilt(int id, int delta)
{
    CameraPropertyState::Property &axis = id == kPropPan ? m_camera.properties().pan : m_camera.properties().tilt;
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
        qDebug() << "set pan:" << m_camera.properties().pan.current;
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
    setPanArrowStyle(m_camera.properties().pan.current);
    setTiltArrowStyle(m_camera.properties().tilt.current);
}

void ControlPanel::setPanArrowStyle(int pan)
{
    const int style = m_window.styleIndex();
    const CameraPropertyState::Property &axis = m_camera.properties().pan;
    styleAxis(ui->btnCameraLeft, arrowImages("left", style), ui->btnCameraRight,
              arrowImages("right", style), pan, panTiltLow(axis), panTiltHigh(axis));
}

void ControlPanel::setTiltArrowStyle(int tilt)
{
    const int style = m_window.styleIndex();
    const CameraPropertyState::Property &axis = m_camera.properties().tilt;
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
    CameraPropertyState &st = m_camera.properties();
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
    CameraPropertyState &st = m_camera.properties();
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

    CameraPropertyState &st = m_camera.properties();
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

