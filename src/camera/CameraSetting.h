#pragma once
#include "camera/CameraPropertyState.h"
#include "catalogue/Catalogue.h"
#include "platform/CaptureFilter.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>

struct CameraModel;

// The one description of every camera setting that a front end can change: its name,
// where it lives on the camera (a standard property, or a vendor command and its answer
// layout), where its range comes from, when it may be changed, the order among settings,
// whether the camera restarts after it, and which notice a failure shows. The window,
// lensdeskctl and every later front end take their settings from here; a new vendor
// switch is one more row.

enum class SettingId {
    Zoom,
    Pan,
    Tilt,
    Focus,
    FocusAuto,
    Brightness,
    Contrast,
    Hue,
    Saturation,
    Sharpness,
    WhiteBalance,
    WhiteBalanceAuto,
    Hdr,
    HdMode,
    Mic,
    Mirror,
    Gesture,
    AiLight,
    AntiFlicker,
    FieldOfView,
    TrackingMode,
    TrackingEffect,
    TrackingSpeed,
};

// How a setting's values are written.
enum class SettingKind { Range, Switch, Choice };

// Where a setting lives.
enum class SettingSource {
    CameraControl,    // a standard camera-control property
    VideoProc,        // a standard image property
    Vendor,           // a vendor command on the extension unit
    FocusAuto,        // the vendor auto-focus message on, the standard focus property off
    WhiteBalanceAuto, // the standard white-balance property's automatic mode
};

// Where a range setting's limits come from.
enum class RangeSource {
    None,             // not a range
    Camera,           // what the camera reports
    CameraPanTilt,    // what the camera reports, within the pan/tilt limit
};

// Which fact of the camera's model offers the setting.
enum class SettingOffer {
    Always,
    Focus,          // the model of the name has focus controls
    FieldOfView,    // the model of the name has the choice, and its rows do not hide it
    HdModeRow,      // the rows show it
    AiLightRow,
    MirrorRow,
    GestureRow,     // the rows do not hide it
    Tracking,       // the model does not take the tracking choice away
};

// When a setting may be changed (bits).
enum SettingCondition : unsigned {
    NoCondition = 0,
    WhileTrackingOff = 1u << 0,    // only while the camera frames by hand
    WhileZoomedIn = 1u << 1,       // only with zoom above the wide end
    WhileFocusManual = 1u << 2,
    WhileWhiteBalanceManual = 1u << 3,
    WhileAutoFraming = 1u << 4,    // only while tracking is auto-framing
};

// Which notice tells the user the camera did not take a change.
enum class FailureNotice { SettingTimeout, OperationTimeout };

// Which notice follows a change that restarts the camera.
enum class RestartNotice { None, Restart, HdModeRestart };

// A vendor command's bytes: the opcode that sets, the opcode that queries, and the two
// bytes an answer must carry at offsets 3 and 4 to count (0, 0 when not checked).
struct VendorLayout
{
    std::uint8_t set = 0;
    std::uint8_t get = 0;
    std::uint8_t check3 = 0;
    std::uint8_t check4 = 0;
    // Diagnostic lines the commands log as they go (null for none).
    const char *setLog = nullptr;
    const char *getLog = nullptr;

    bool checksAnswer() const { return check3 != 0 || check4 != 0; }
};

struct CameraSetting
{
    SettingId id;
    const char *name;
    SettingKind kind;
    SettingSource source;
    // Standard properties: the property set, id and the record it is read into.
    platform::PropertySet propertySet;
    int propertyId;
    CameraPropertyState::Property CameraPropertyState::*property;
    VendorLayout vendor;
    RangeSource range;
    // The choices of a Choice setting, by interface language.
    const OptionTable &(*options)(int language);
    SettingOffer offer;
    // Still usable on a model with limited controls.
    bool keptWhenLimited;
    unsigned conditions;
    // The order a batch is written in (lower first), and the place when the value
    // switches an automatic mode or tracking off (-1: the same).
    int rank;
    int rankWhenOff;
    // The camera restarts after a change, and the notice that says so.
    bool restarts;
    RestartNotice restartNotice;
    // The camera's value is read back after a failed write (HDR is not).
    bool resync;
    FailureNotice failure;

    QString settingName() const { return QLatin1String(name); }
    bool isStandard() const
    {
        return source == SettingSource::CameraControl || source == SettingSource::VideoProc;
    }
    bool hasCondition(SettingCondition c) const { return (conditions & c) != 0; }
};

namespace camerasettings {

// Every setting, in the order lists show them.
const QVector<CameraSetting> &all();
const CameraSetting &setting(SettingId id);
// The setting of this name, or null.
const CameraSetting *find(const QString &name);
QStringList names();

// Whether a camera offers the setting: by the model of its name and the record of its
// USB identifiers' model on this product line (null when it has none).
bool offers(const CameraSetting &setting, const CameraModel &nameModel, const CameraModel *rows);

// The place of a setting with this value in a batch (see rank).
int writeRank(const CameraSetting &setting, bool switchesOff);

// The notice that tells the user the camera did not take a change of the setting, and
// the one after a change that restarts the camera (empty when it does not).
QString failureText(const CameraSetting &setting);
QString restartText(const CameraSetting &setting);

// The choice table of the field-of-view buttons (degrees by index).
const OptionTable &fieldOfViewOptions(int language = 0);

} // namespace camerasettings
