#pragma once
#include <QByteArray>

#include <memory>
#include <vector>

namespace sim {

// A cycle of JPEG pictures of a moving test pattern, encoded once with libavcodec's
// MJPEG encoder and shared by every stream of that size in the process, so that
// serving a stream costs no encoding.
class SimMjpegPattern
{
public:
    using Frames = std::vector<QByteArray>;

    // The cycle of count pictures of width x height (even sizes, 16 to 8192); the
    // pattern moves by one step per picture and wraps seamlessly. Empty when the
    // encoder is unavailable or the size is unusable.
    static std::shared_ptr<const Frames> frames(int width, int height, int count);

    // Damages a picture's frame header so that a decoder refuses it while the markers
    // that split a stream into pictures stay intact.
    static QByteArray corrupted(const QByteArray &jpeg);
};

} // namespace sim
