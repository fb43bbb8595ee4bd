#pragma once

// Where a camera looks, as one of its position presets keeps it.
struct PositionPreset
{
    int pan = 0;
    int tilt = 0;
    int zoom = 100;
    // Focus was manual when the preset was saved: recalling it sets the focus too.
    bool hasFocus = false;
    int focus = 0;

    bool operator==(const PositionPreset &other) const
    {
        return pan == other.pan && tilt == other.tilt && zoom == other.zoom && hasFocus == other.hasFocus
            && (!hasFocus || focus == other.focus);
    }
    bool operator!=(const PositionPreset &other) const { return !(*this == other); }
};
