#pragma once
#include <QByteArray>
#include <QList>
#include <QPair>

namespace platform {

// What FFmpeg opens for a camera: the input format, the URL and any options the
// backend adds to the caller's own (an empty format means the camera has no input).
struct CaptureInput
{
    QByteArray format;
    QByteArray url;
    QList<QPair<QByteArray, QByteArray>> options;
};

} // namespace platform
