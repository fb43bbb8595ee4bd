#pragma once
#include <QByteArray>
#include <QList>
#include <QPair>

namespace platform {

// Options for FFmpeg's input, name and value, in the order they are given.
using CaptureOptions = QList<QPair<QByteArray, QByteArray>>;

// What FFmpeg opens for a camera: the input format, the URL and any options the
// backend adds to the caller's own (an empty format means the camera has no input).
struct CaptureInput
{
    QByteArray format;
    QByteArray url;
    CaptureOptions options;
};

} // namespace platform
