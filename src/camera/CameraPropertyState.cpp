#include "camera/CameraPropertyState.h"

CameraPropertyState cameraPropertyState;
