#pragma once
#include <cstdint>

// The standard camera and image properties as last read from one camera. The member
// initialisers are the values before the first read.
struct CameraPropertyState
{
    struct Property
    {
        std::int32_t minimum;
        std::int32_t maximum;
        std::int32_t defaultValue;
        std::int32_t current;
        // Mode flags as the platform reports them (1 automatic, 2 manual); only focus
        // and white balance keep them.
        std::int32_t flags;
        // The step between values the camera reports with its range.
        std::int32_t step = 1;
    };

    Property pan{-20, 20, 0, 0, 0};
    Property tilt{-20, 20, 0, 0, 0};
    Property zoom{100, 800, 0, 100, 0};
    Property focus{0, 1023, 255, 255, 0};
    Property brightness{0, 100, 50, 50, 0};
    Property contrast{0, 100, 50, 50, 0};
    Property hue{0, 30, 15, 15, 0};
    Property saturation{0, 127, 63, 63, 0};
    Property sharpness{0, 255, 0, 0, 0};
    Property whiteBalance{1800, 7500, 5500, 5983, 0};
};
