#pragma once
#include "camera/PositionPreset.h"

#include <QString>

class OpenCamera;

// Saving and recalling a position preset on an open camera.
enum class PresetOutcome {
    Done,
    Empty,      // recall of a preset that holds nothing (nothing sent)
    TrackingOn, // AI tracking is on: nothing sent
    NoMotion,   // the model has no pan/tilt/zoom (or only limited controls): nothing sent
    NoAnswer,   // the camera did not answer a read or refused a write
    NotTaken    // a value was sent but the camera holds another afterwards
};

// Whether the camera's model moves at all (pan, tilt and zoom, not only limited controls).
bool hasPresetMotion(const OpenCamera &camera);

// Reads pan, tilt, zoom (and focus when focus is manual and the model reads focus with
// its mode) back from the camera. Nothing is sent while tracking is on: the camera then
// frames by itself and its position is no place to come back to.
PresetOutcome savePreset(OpenCamera &camera, PositionPreset *preset);
// Writes zoom first (pan and tilt move only within the zoomed view), then pan, then tilt,
// then focus when the preset has it and the model has focus; each is read back, and the
// first one that fails ends the recall. Values are brought into the camera's range, pan
// and tilt also within -30..30.
PresetOutcome recallPreset(OpenCamera &camera, const PositionPreset &preset);

// The same, with a short English line that says what happened (for logs and lensdeskctl:
// "pan: 25 sent, the camera holds 20").
PresetOutcome savePreset(OpenCamera &camera, PositionPreset *preset, QString *detail);
PresetOutcome recallPreset(OpenCamera &camera, const PositionPreset &preset, QString *detail);
