#pragma once

#include <QSize>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Decodes one JPEG picture with libjpeg-turbo straight into its planes (Y, Cb, Cr at
// their own sampling, no colour conversion, no upsampling), optionally at 1/2, 1/4 or
// 1/8 of its size from the transform itself. For a preview that converts and scales
// the planes in one step afterwards this is the cheapest decode there is: on camera
// pictures it costs about two thirds of FFmpeg's decoder at full size, and a third at
// half size. Pictures that omit their Huffman tables (as cameras' MJPEG pictures do)
// are decoded with the standard tables.
class JpegDecoder
{
public:
    JpegDecoder();
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder &) = delete;
    JpegDecoder &operator=(const JpegDecoder &) = delete;

    // Whether this build decodes at all (without libjpeg-turbo nothing is decoded and
    // the caller keeps to FFmpeg).
    static bool available();

    // Decodes the picture at 1/2^reduction (0 to 3) of its size. Refuses (false) a
    // picture that is not of the expected full size, has a colour layout other than
    // YCbCr or grey with a sampling FFmpeg's converter knows, or is damaged beyond what
    // the decoder's recovery copes with; the caller then decodes it another way.
    bool decode(const uint8_t *data, std::size_t size, const QSize &expectedSize, int reduction);

    // The decoded picture: its size, its AVPixelFormat and its planes (valid until the
    // next decode).
    QSize size() const { return m_size; }
    int pixelFormat() const { return m_pixelFormat; }
    const uint8_t *const *planes() const { return m_planePointers; }
    const int *strides() const { return m_strides; }

private:
    struct State;
    bool decodeInto(const uint8_t *data, std::size_t size, const QSize &expectedSize, int reduction);

    std::unique_ptr<State> m_state;
    std::vector<uint8_t> m_planes[3];
    const uint8_t *m_planePointers[4] = {};
    int m_strides[4] = {};
    QSize m_size;
    int m_pixelFormat = -1;
};
