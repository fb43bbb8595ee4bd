#include "platform/sim/SimMjpegPattern.h"

#include <map>
#include <mutex>
#include <tuple>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

namespace sim {

namespace {

using CacheKey = std::tuple<int, int, int>;

std::mutex &cacheMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::map<CacheKey, std::shared_ptr<const SimMjpegPattern::Frames>> &cache()
{
    static std::map<CacheKey, std::shared_ptr<const SimMjpegPattern::Frames>> frames;
    return frames;
}

// Full-range BT.601 values of the eight classic colour bars (white to black).
struct Bar
{
    quint8 y, u, v;
};
constexpr Bar kBars[8] = {
    {235, 128, 128}, {210, 16, 146}, {170, 166, 16}, {145, 54, 34},
    {106, 202, 222}, {81, 90, 240},  {41, 240, 110}, {16, 128, 128},
};

// Draws picture `index` of `count`: bars that scroll sideways, a box that travels
// along the diagonal, a checkerboard and a band of fixed noise (so that pictures have
// the detail, and the size, of a real camera's).
void drawPattern(AVFrame *frame, int index, int count)
{
    const int w = frame->width;
    const int h = frame->height;
    const int shift = static_cast<int>(static_cast<qint64>(index) * w / count);
    const int box = qMax(8, h / 5) & ~1;
    const int boxX = static_cast<int>(static_cast<qint64>(index) * (w - box) / count) & ~1;
    const int boxY = static_cast<int>(static_cast<qint64>(index) * (h - box) / count);
    const int barsEnd = h * 2 / 3;
    const int checkerEnd = h * 5 / 6;

    quint32 noise = 0x2545F491u;
    for (int y = 0; y < h; ++y) {
        quint8 *luma = frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0];
        quint8 *cb = frame->data[1] + static_cast<std::ptrdiff_t>(y) * frame->linesize[1];
        quint8 *cr = frame->data[2] + static_cast<std::ptrdiff_t>(y) * frame->linesize[2];
        for (int x = 0; x < w; x += 2) {
            quint8 y0, y1, u, v;
            if (y < barsEnd) {
                const Bar &bar = kBars[((x + shift) % w) * 8 / w];
                y0 = y1 = bar.y;
                u = bar.u;
                v = bar.v;
            } else if (y < checkerEnd) {
                const bool light = (((x + shift) / 16) + (y / 16)) % 2 == 0;
                y0 = y1 = light ? 200 : 40;
                u = v = 128;
            } else {
                noise = noise * 1664525u + 1013904223u;
                y0 = static_cast<quint8>(64 + ((noise >> 8) & 127));
                y1 = static_cast<quint8>(64 + ((noise >> 20) & 127));
                u = static_cast<quint8>(96 + ((noise >> 4) & 63));
                v = 128;
            }
            if (y >= boxY && y < boxY + box && x >= boxX && x < boxX + box) {
                y0 = y1 = 250;
                u = 90;
                v = 200;
            }
            luma[x] = y0;
            luma[x + 1] = y1;
            cb[x / 2] = u;
            cr[x / 2] = v;
        }
    }
}

std::shared_ptr<const SimMjpegPattern::Frames> encode(int width, int height, int count)
{
    auto frames = std::make_shared<SimMjpegPattern::Frames>();
    const AVCodec *encoder = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    AVCodecContext *context = encoder ? avcodec_alloc_context3(encoder) : nullptr;
    AVFrame *picture = av_frame_alloc();
    AVPacket *packet = av_packet_alloc();
    if (!context || !picture || !packet) {
        avcodec_free_context(&context);
        av_frame_free(&picture);
        av_packet_free(&packet);
        return frames;
    }
    context->width = width;
    context->height = height;
    // 4:2:2 full range, as UVC cameras deliver MJPEG.
    context->pix_fmt = AV_PIX_FMT_YUVJ422P;
    context->time_base = AVRational{1, 30};
    context->flags |= AV_CODEC_FLAG_QSCALE;
    context->global_quality = FF_QP2LAMBDA * 3;
    bool ok = avcodec_open2(context, encoder, nullptr) >= 0;
    picture->format = context->pix_fmt;
    picture->width = width;
    picture->height = height;
    ok = ok && av_frame_get_buffer(picture, 0) >= 0;
    for (int i = 0; ok && i < count; ++i) {
        ok = av_frame_make_writable(picture) >= 0;
        if (!ok)
            break;
        drawPattern(picture, i, count);
        picture->pts = i;
        picture->quality = context->global_quality;
        ok = avcodec_send_frame(context, picture) >= 0;
        while (ok) {
            const int ret = avcodec_receive_packet(context, packet);
            if (ret == AVERROR(EAGAIN))
                break;
            ok = ret >= 0;
            if (ok) {
                frames->emplace_back(reinterpret_cast<const char *>(packet->data), packet->size);
                av_packet_unref(packet);
            }
        }
    }
    if (!ok)
        frames->clear();
    avcodec_free_context(&context);
    av_frame_free(&picture);
    av_packet_free(&packet);
    return frames;
}

} // namespace

std::shared_ptr<const SimMjpegPattern::Frames> SimMjpegPattern::frames(int width, int height, int count)
{
    if (width < 16 || height < 16 || width > 8192 || height > 8192 || width % 2 || height % 2
        || count < 1)
        return std::make_shared<const Frames>();
    std::lock_guard<std::mutex> lock(cacheMutex());
    auto &entry = cache()[CacheKey(width, height, count)];
    if (!entry || entry->empty())
        entry = encode(width, height, count);
    return entry;
}

QByteArray SimMjpegPattern::corrupted(const QByteArray &jpeg)
{
    QByteArray damaged = jpeg;
    // Walks the header segments after SOI up to the scan and zeroes the sample
    // precision of the frame header (FF C0..C2, length, precision): zero bits per
    // sample is never valid.
    const auto byteAt = [&](int i) { return static_cast<quint8>(damaged.at(i)); };
    int pos = 2;
    while (pos + 4 < damaged.size() && byteAt(pos) == 0xFF) {
        const quint8 marker = byteAt(pos + 1);
        if (marker >= 0xC0 && marker <= 0xC2) {
            damaged[pos + 4] = 0;
            break;
        }
        if (marker == 0xDA)
            break;
        pos += 2 + (byteAt(pos + 2) << 8 | byteAt(pos + 3));
    }
    return damaged;
}

} // namespace sim
