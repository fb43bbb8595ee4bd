#pragma once

class OpenCamera;

// The camera a VISCA engine drives, as its front end holds it: lensdeskctl serve keeps
// one of its own (ServedCamera), the window lends its open camera. Null while there is
// none (unplugged, being switched), and the engine then answers "not executable".
class ViscaTarget
{
public:
    virtual ~ViscaTarget() = default;
    virtual OpenCamera *camera() = 0;
    // A request went unanswered: the camera may have left the bus.
    virtual void unanswered() {}
    // A memory was set or reset: the camera's stored presets changed under the front end.
    virtual void presetsChanged() {}
};
