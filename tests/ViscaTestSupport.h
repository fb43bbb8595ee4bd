#pragma once
// The rig camera the VISCA tests serve, and how they read it back.
#include "TestSupport.h"

#include "platform/sim/SimCamera.h"
#include "platform/sim/SimUvcCamera.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

namespace viscatest {

inline const QString kName = QStringLiteral("Orvia Vista Pro Cam");
inline const QString kPath = QStringLiteral("vid_3749&pid_030a&mi_00#7&1111&0&0000");
// The camera-control property ids of pan, tilt, zoom and focus.
constexpr int kPan = 0;
constexpr int kTilt = 1;
constexpr int kZoom = 3;
constexpr int kFocus = 6;

inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// One camera (serial SN-0042, firmware 1.2.3) at zoom 450 of 100..800, pan -12 and tilt 9
// of -40..40 (±30 usable), manual focus 610 of 0..1023; extra keys replace the camera's.
inline QByteArray rigJson(const QJsonObject &extra = {})
{
    QJsonObject cam{{"key", "cam1"},
                    {"instance", "7&1111&0"},
                    {"serial", "SN-0042"},
                    {"firmware", "1.2.3"},
                    {"properties", QJsonObject{{"zoom", testsupport::rigRange(100, 800, 450)},
                                               {"pan", testsupport::rigRange(-40, 40, -12)},
                                               {"tilt", testsupport::rigRange(-40, 40, 9)},
                                               {"focus", QJsonObject{{"value", 610}, {"auto", false}}}}}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        cam.insert(it.key(), it.value());
    return QJsonDocument(QJsonObject{{"cameras", QJsonArray{cam}}}).toJson();
}

inline sim::SimUvcCamera::Property rigProperty(sim::SimCamera *camera, int id)
{
    sim::SimUvcCamera::Property p;
    camera->uvc().property(platform::PropertySet::CameraControl, id, &p);
    return p;
}

inline int value(sim::SimCamera *camera, int id)
{
    return rigProperty(camera, id).value;
}

} // namespace viscatest
