#pragma once
#include <QString>

class OpenCamera;

// The camera's factory reset as every front end does it: model 13 on firmware 1.0.22 is
// first brought to pan 0, tilt 0, zoom 100, 50 Hz and microphone on by hand, which its
// reset does not do itself; then the vendor reset command.
class FactoryReset
{
public:
    // Whether a camera of this model (of its name) and firmware needs the steps by hand.
    static bool needsPreReset(int model, const QString &firmware);
    // The steps by hand; their failures are only logged. The property state of the open
    // camera holds the values sent.
    static void preReset(OpenCamera &camera);
    // The reset command; false when the camera did not take it (logged either way).
    static bool reset(OpenCamera &camera);
};
