#pragma once
#include "camera/CameraPropertyState.h"

#include <QList>

#include <functional>

class OpenCamera;
class QSlider;
class QToolButton;
class QWidget;
class ValueNotice;

// The pan/tilt arrows, the zoom slider and the field-of-view buttons of the Controls
// page. Pan and tilt only work zoomed in, so the pad is usable only above the wide zoom.
class PanTiltZoomPad
{
public:
    struct PadWidgets
    {
        QToolButton *btnCameraUp = nullptr;
        QToolButton *btnCameraDown = nullptr;
        QToolButton *btnCameraLeft = nullptr;
        QToolButton *btnCameraRight = nullptr;
        QWidget *widgetDirectionBg = nullptr;
        QSlider *sliderZoom = nullptr;
        // The field-of-view buttons, widest first.
        QToolButton *btn90 = nullptr;
        QToolButton *btn78 = nullptr;
        QToolButton *btn65 = nullptr;
    };

    // styleIndex: the window's look, 0 light, any other value dark.
    PanTiltZoomPad(const PadWidgets &widgets, OpenCamera &camera, ValueNotice &notice,
                   std::function<int()> styleIndex);

    // One step of pan or tilt, within the limits.
    void stepPanTilt(int id, int delta);
    // Pan and tilt by these many units at once, as the arrows would, when the pad is usable.
    void moveBy(int panDelta, int tiltDelta);
    // Pan 0, tilt 0 (within the limits) and the wide end of the zoom, without a
    // not-taken notice for the zoom coming back wide.
    void goHome();
    // Zoom > 100 makes the pad usable.
    void enablePad(bool enable, int zoom);
    // The pad's images for the current theme and position.
    void restylePad();
    void showPadUnusable();
    bool padUsable() const { return m_usable; }

    // The zoom slider's value goes to the camera.
    void sendZoom(int value);
    // Zoom to this value without a not-taken notice should it come back wide.
    void zoomWithoutNotice(int value);
    // Pan, tilt and zoom as remembered go to the camera again (tilt at most 30, pan at
    // least -30).
    void sendRememberedPosition();
    // Shows a zoom value without sending it back.
    void fillZoomSlider(int value);
    // The range and value of the camera's zoom, without sending it back.
    void loadZoomRange();
    // The zoom slider and the pad; disabled, the zoom counts as wide.
    void enableZoom(bool enable);

    int viewAngle() const { return m_angleState; }
    // The field of view the camera reports, shown without sending it back.
    void showDeviceAngle(int index);
    // The field of view the camera reports, selected as if clicked but kept as it is.
    void clickDeviceAngle(int index);
    // A field-of-view button was clicked.
    void chooseAngle(QToolButton *clicked);

private:
    void setPanArrowStyle(int pan);
    void setTiltArrowStyle(int tilt);
    void showViewAngle(int index);

    const PadWidgets ui;
    OpenCamera &m_camera;
    ValueNotice &m_notice;
    const std::function<int()> m_styleIndex;
    QList<QToolButton *> m_angleButtons;
    bool m_usable = false;
    // The next zoom that comes back wide is the one asked for, not a value not taken.
    bool m_cancelTips = false;
    bool m_angleFromDevice = false;
    int m_angleState = 0;
};
