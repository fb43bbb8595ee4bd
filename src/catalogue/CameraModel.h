#pragma once
#include <QString>
#include <QVector>

// What each camera model has, in one record per model: the optional feature rows, the
// standard properties it answers, focus, pan/tilt/zoom, field of view and the tracking
// it offers. The window, lensdeskctl and every later front end decide by these records;
// how a front end shows a row (widgets, pictures, style sheets) is its own business.
//
// A camera carries two model numbers: the one its friendly name gives (it decides which
// properties are read and which controls exist) and the one its USB identifiers give
// (it decides which optional rows the window shows, per product line).

// The models by name; the numbers are what the product table and the packages use.
enum class ModelId : int {
    OrviaVistaProCam = 0,
    KtM41 = 1,
    KtMp27 = 2,
    KtDor27 = 3,
    KtRbn41 = 4,
    Lns410a = 5,
    Lns611 = 6,
    Lns612 = 7,
    Lns612Rev1 = 8,
    Sightra5 = 9,
    Arbor50F = 10,
    Arbor50A = 11,
    Arbor110 = 12,
    Arbor220 = 13,
    Arbor230 = 14,
    Arbor150A = 15,
    Arbor150F = 16,
};

// What a model's record does to an optional row: leaves it as it is, or shows or hides it.
enum class RowPresence { Unchanged, Shown, Hidden };

// The product picture the window shows for a model.
enum class ModelPicture { None, Arbor, Arbor50, Arbor150, Lns410a };

// How the window keeps watching an open camera's state.
enum class StatusPoll {
    Never,
    WhenGestureAnswers, // only when the camera answers the gesture query at opening
    Always
};

struct CameraModel
{
    ModelId id = ModelId::OrviaVistaProCam;
    // False for a number no model has: every fact below is then its default.
    bool known = false;

    // -- decided by the model of the camera's name --
    // Pan, tilt, zoom and focus are read (models without mechanics skip them).
    bool cameraControls = true;
    // Automatic and manual focus are offered.
    bool focusControls = false;
    // Focus is read with the other properties, with its automatic flag.
    bool focusRead = false;
    // The field-of-view choice (shown while tracking is off).
    bool fieldOfView = false;
    StatusPoll statusPoll = StatusPoll::Never;
    // A firmware that reports a tracking mode it does not run (the mode reads as Off).
    QString trackingMisreportFirmware;

    // -- decided by the model of the camera's USB identifiers, per product line --
    // The product lines whose window this record arranges; on others the model has no
    // rows and nothing is changed.
    QVector<int> productLines;
    ModelPicture picture = ModelPicture::None;
    RowPresence hdMode = RowPresence::Unchanged;
    RowPresence aiLight = RowPresence::Unchanged;
    RowPresence mirror = RowPresence::Unchanged;
    RowPresence gesture = RowPresence::Unchanged;
    RowPresence fieldOfViewRow = RowPresence::Unchanged;
    // The tracking mode is forced to Off, and the list then no longer offered.
    bool trackingOff = false;
    bool trackingDisabled = false;
    // Only the microphone, anti-flicker and the image properties stay usable.
    bool limitedControls = false;

    int number() const { return static_cast<int>(id); }
    bool arrangesLine(int productLine) const { return known && productLines.contains(productLine); }
};

// The record of a model number; an unknown number gives a record with known false.
const CameraModel &cameraModel(int model);

// The record whose rows apply to a camera with these USB identifiers' model on this
// product line, or null when the combination has none (the window then changes nothing).
const CameraModel *cameraModelRows(int productLine, int model);
