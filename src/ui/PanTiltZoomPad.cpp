#include "ui/PanTiltZoomPad.h"

#include "ui/ControlPanelShared.h"
#include "ui/ValueNotice.h"

#include <QDebug>

#include <algorithm>
#include <utility>

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

// 0, or the limit nearest to it for a camera whose range leaves 0 out.
int homeValue(const CameraPropertyState::Property &axis)
{
    const int low = CameraRules::panTiltLow(axis);
    const int high = CameraRules::panTiltHigh(axis);
    return low > high ? 0 : std::clamp(0, low, high);
}

} // namespace

PanTiltZoomPad::PanTiltZoomPad(const PadWidgets &widgets, OpenCamera &camera, ValueNotice &notice,
                               std::function<int()> styleIndex)
    : ui(widgets)
    , m_camera(camera)
    , m_notice(notice)
    , m_styleIndex(std::move(styleIndex))
    , m_angleButtons{ui.btn90, ui.btn78, ui.btn65}
{
    for (QToolButton *button : qAsConst(m_angleButtons)) {
        button->setCheckable(true);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    }
    for (QAbstractButton *b : std::initializer_list<QAbstractButton *>{
             ui.btnCameraUp, ui.btnCameraDown, ui.btnCameraLeft, ui.btnCameraRight}) {
        b->setAutoRepeat(true);
        b->setAutoRepeatDelay(500);
        b->setAutoRepeatInterval(200);
    }
    ui.sliderZoom->setMinimum(m_camera.properties().zoom.minimum);
    ui.sliderZoom->setMaximum(m_camera.properties().zoom.maximum);
    ui.sliderZoom->setSingleStep(10);
}

// ---- pan and tilt -------------------------------------------------------------------------

void PanTiltZoomPad::stepPanTilt(int id, int delta)
{
    CameraPropertyState::Property &axis = id == kPropPan ? m_camera.properties().pan : m_camera.properties().tilt;
    const int value = std::clamp(axis.current + delta, CameraRules::panTiltLow(axis), CameraRules::panTiltHigh(axis));
    axis.current = value;
    if (id == kPropPan)
        setPanArrowStyle(value);
    else
        setTiltArrowStyle(value);
    m_camera.standard().setCameraCtlValue(id, value);
    if (m_camera.standard().getCameraCtlValue(id, value) && axis.current != value) {
        // Show where the camera really is before telling the user.
        if (id == kPropPan)
            setPanArrowStyle(axis.current);
        else
            setTiltArrowStyle(axis.current);
        m_notice.showNow(valueNotTaken(), true);
    }
    if (id == kPropPan)
        qDebug() << "set pan:" << m_camera.properties().pan.current;
}

void PanTiltZoomPad::moveBy(int panDelta, int tiltDelta)
{
    if (!m_usable)
        return;
    if (panDelta != 0)
        stepPanTilt(kPropPan, panDelta);
    if (tiltDelta != 0)
        stepPanTilt(kPropTilt, tiltDelta);
}

void PanTiltZoomPad::goHome()
{
    CameraPropertyState &st = m_camera.properties();
    st.pan.current = homeValue(st.pan);
    st.tilt.current = homeValue(st.tilt);
    st.zoom.current = std::max(st.zoom.minimum, kZoomMin);
    restylePad();
    m_cancelTips = true;
    sendRememberedPosition();
}

void PanTiltZoomPad::enablePad(bool enable, int zoom)
{
    m_usable = enable && zoom > kZoomWide;
    qDebug() << "m_bControlsEnable:" << m_usable;
    if (m_usable) {
        ui.widgetDirectionBg->setCursor(Qt::ArrowCursor);
        restylePad();
    } else {
        showPadUnusable();
    }
    for (QWidget *w : std::initializer_list<QWidget *>{ui.btnCameraUp, ui.btnCameraDown, ui.btnCameraLeft,
                                                       ui.btnCameraRight})
        w->setEnabled(m_usable);
}

void PanTiltZoomPad::restylePad()
{
    if (!m_usable) {
        showPadUnusable();
        return;
    }
    setPanArrowStyle(m_camera.properties().pan.current);
    setTiltArrowStyle(m_camera.properties().tilt.current);
}

void PanTiltZoomPad::setPanArrowStyle(int pan)
{
    const int style = m_styleIndex();
    const CameraPropertyState::Property &axis = m_camera.properties().pan;
    styleAxis(ui.btnCameraLeft, arrowImages("left", style), ui.btnCameraRight, arrowImages("right", style), pan,
              CameraRules::panTiltLow(axis), CameraRules::panTiltHigh(axis));
}

void PanTiltZoomPad::setTiltArrowStyle(int tilt)
{
    const int style = m_styleIndex();
    const CameraPropertyState::Property &axis = m_camera.properties().tilt;
    styleAxis(ui.btnCameraDown, arrowImages("down", style), ui.btnCameraUp, arrowImages("up", style), tilt,
              CameraRules::panTiltLow(axis), CameraRules::panTiltHigh(axis));
}

void PanTiltZoomPad::showPadUnusable()
{
    const int style = m_styleIndex();
    ui.widgetDirectionBg->setCursor(Qt::ForbiddenCursor);
    ui.btnCameraLeft->setStyleSheet(arrowStyle(arrowImages("left", style).disabled));
    ui.btnCameraRight->setStyleSheet(arrowStyle(arrowImages("right", style).disabled));
    ui.btnCameraUp->setStyleSheet(arrowStyle(arrowImages("up", style).disabled));
    ui.btnCameraDown->setStyleSheet(arrowStyle(arrowImages("down", style).disabled));
}

// ---- zoom ---------------------------------------------------------------------------------

void PanTiltZoomPad::fillZoomSlider(int value)
{
    setSliderQuietly(ui.sliderZoom, value);
    enablePad(ui.sliderZoom->isEnabled(), value);
}

void PanTiltZoomPad::loadZoomRange()
{
    const CameraPropertyState::Property &zoom = m_camera.properties().zoom;
    const QSignalBlocker block(ui.sliderZoom);
    ui.sliderZoom->setMinimum(zoom.minimum);
    ui.sliderZoom->setMaximum(zoom.maximum);
    ui.sliderZoom->setValue(zoom.current);
}

void PanTiltZoomPad::enableZoom(bool enable)
{
    enablePad(enable, m_camera.properties().zoom.current);
    ui.sliderZoom->setEnabled(enable);
    if (!enable) {
        m_camera.properties().zoom.current = kZoomWide;
        setSliderQuietly(ui.sliderZoom, kZoomWide);
    }
}

void PanTiltZoomPad::zoomWithoutNotice(int value)
{
    m_cancelTips = true;
    ui.sliderZoom->setValue(value);
}

void PanTiltZoomPad::sendZoom(int value)
{
    CameraPropertyState &st = m_camera.properties();
    const int previous = st.zoom.current;
    st.zoom.current = value;
    const bool taken = m_camera.standard().setCameraCtlValue(kPropZoom, value);
    // The arrows are usable only while the zoom control itself is.
    enablePad(ui.sliderZoom->isEnabled(), value);
    if (!taken) {
        if (!m_camera.standard().getCameraCtlValue(kPropZoom, value))
            st.zoom.current = previous;
        fillZoomSlider(st.zoom.current);
        m_notice.noteRefused("zoom", st.zoom.current);
        return;
    }

    if (videoOn(m_camera.extensionUnit()))
        return;
    const int sent = value;
    m_camera.standard().getCameraCtlValue(kPropZoom, sent);
    qDebug() << "last_zoom" << sent << "g_zoom" << st.zoom.current << "m_bCancelTips" << m_cancelTips;
    if (m_cancelTips && sent == kZoomWide) {
        st.zoom.current = kZoomWide;
        m_cancelTips = false;
        return;
    }
    if (st.zoom.current != sent)
        m_notice.noteNotTaken();
}

void PanTiltZoomPad::sendRememberedPosition()
{
    CameraPropertyState &st = m_camera.properties();
    st.tilt.current = std::min(st.tilt.current, kPanTiltLimit);
    setTiltArrowStyle(st.tilt.current);
    m_camera.standard().setCameraCtlValue(kPropTilt, st.tilt.current);

    st.pan.current = std::max(st.pan.current, -kPanTiltLimit);
    setPanArrowStyle(st.pan.current);
    m_camera.standard().setCameraCtlValue(kPropPan, st.pan.current);

    const bool cancelTips = m_cancelTips;
    ui.sliderZoom->setValue(st.zoom.current);
    if (cancelTips)
        m_cancelTips = true;
    sendZoom(st.zoom.current);
}

// ---- field of view ------------------------------------------------------------------------

void PanTiltZoomPad::showViewAngle(int index)
{
    if (index < 0 || index >= m_angleButtons.size()) {
        qWarning() << "field of view without a button:" << index;
        return;
    }
    for (int i = 0; i < m_angleButtons.size(); ++i)
        checkQuietly(m_angleButtons.at(i), i == index);
}

void PanTiltZoomPad::showDeviceAngle(int index)
{
    m_angleState = index;
    showViewAngle(index);
}

void PanTiltZoomPad::clickDeviceAngle(int index)
{
    m_angleState = index;
    if (index < 0 || index >= m_angleButtons.size()) {
        qWarning() << "field of view without a button:" << index;
        return;
    }
    // The click handler learns that this is the camera's choice, not the user's.
    m_angleFromDevice = true;
    m_angleButtons.at(index)->click();
}

void PanTiltZoomPad::chooseAngle(QToolButton *clicked)
{
    const int index = m_angleButtons.indexOf(clicked);
    if (index < 0)
        return;
    for (int i = 0; i < m_angleButtons.size(); ++i) {
        if (i != index)
            checkQuietly(m_angleButtons.at(i), false);
    }

    CameraPropertyState &st = m_camera.properties();
    if (!m_angleFromDevice && (st.tilt.current != 0 || st.pan.current != 0 || st.zoom.current != 100)) {
        // A new field of view starts from the camera's home position.
        st.tilt.current = st.tilt.defaultValue;
        st.pan.current = st.pan.defaultValue;
        restylePad();
        m_cancelTips = true;
        st.zoom.current = st.zoom.defaultValue;
        sendRememberedPosition();
    }
    m_angleFromDevice = false;

    qDebug() << "set VIEW ANGLE:" << index;
    checkQuietly(clicked, true);
    if (m_camera.extensionUnit().SetViewAngle(index)) {
        m_angleState = index;
        return;
    }
    qDebug() << "set VIEW ANGLE failed!";
    m_notice.showNow(settingTimeout(), false);
    int angle = 0;
    if (!m_camera.extensionUnit().GetViewAngle(angle))
        return;
    m_angleState = angle;
    // Show the camera's own choice without sending it back: a camera that refuses the
    // command would otherwise be asked again and again.
    showViewAngle(angle);
}
