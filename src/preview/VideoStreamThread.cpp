#include "preview/VideoStreamThread.h"

#include "platform/Backend.h"
#include "preview/JpegDecoder.h"

#include <QDebug>
#include <QMutexLocker>
#include <QThread>

#include <algorithm>
#include <mutex>
#include <utility>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace {

// After a failed read the camera is gone or has nothing yet: wait this long (real
// time, the stream is real time) before trying again, instead of spinning a core.
constexpr unsigned long kFailedReadPauseMs = 10;

// Whether reading the stream information told anything about the input: FFmpeg 5
// also reports success when the input ended before any stream could be described
// (a camera that closed before its first picture).
bool streamInformationFound(const AVFormatContext *context)
{
    for (unsigned int i = 0; i < context->nb_streams; ++i) {
        const AVCodecParameters *parameters = context->streams[i]->codecpar;
        switch (parameters->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
            if (parameters->width > 0 && parameters->height > 0)
                return true;
            break;
        case AVMEDIA_TYPE_AUDIO:
            if (parameters->sample_rate > 0 && parameters->ch_layout.nb_channels > 0)
                return true;
            break;
        default:
            if (parameters->codec_id != AV_CODEC_ID_NONE)
                return true;
            break;
        }
    }
    return false;
}

// The size a picture of this size is shown at in an area of the given size: as large
// as fits, keeping its aspect ratio; an empty area shows it at its own size. Where the
// shape kept misses the area by no more than its rounding to whole pixels (748x421 in
// 750x421), the picture fills the area: a picture that covers its widget lets the window
// paint nothing under it, and a stretch of a pixel or two in 750 cannot be seen.
QSize shownSize(const QSize &full, const QSize &area)
{
    if (area.isEmpty())
        return full.expandedTo(QSize(1, 1));
    const QSize shown = full.scaled(area, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    const auto close = [](int kept, int whole) { return whole - kept <= std::max(2, whole / 200); };
    if (close(shown.width(), area.width()) && close(shown.height(), area.height()))
        return area;
    return shown;
}

// Decoding at a half (a quarter, an eighth) of the size skips most of the inverse
// transform; worth it once the picture is shown at that size or smaller.
int reductionFor(const QSize &full, const QSize &shown, int maxLowres)
{
    int lowres = 0;
    while (lowres < maxLowres && (full.width() >> (lowres + 1)) >= shown.width()
           && (full.height() >> (lowres + 1)) >= shown.height())
        ++lowres;
    return lowres;
}

// The converter names the full-range (JPEG) formats as their plain kin plus a range;
// given the old names it warns on every new converter.
AVPixelFormat plainFormat(int format, bool *fullRange)
{
    *fullRange = true;
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
        return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
        return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
        return AV_PIX_FMT_YUV411P;
    default:
        *fullRange = false;
        return static_cast<AVPixelFormat>(format);
    }
}

} // namespace

VideoStreamThread::VideoStreamThread(const QString &cameraName, QObject *parent)
    : QObject(parent)
    , m_CameraName(QStringLiteral("video=") + cameraName)
{
    qDebug().noquote() << "VideoStreamThread::m_CameraName:" << m_CameraName;
}

VideoStreamThread::~VideoStreamThread()
{
    release();
}

void VideoStreamThread::start()
{
    {
        QMutexLocker lock(&stopMutex);
        if (!stopRequested)
            running = true;
    }
    emit workStart();
    doWork();
}

void VideoStreamThread::stop()
{
    QMutexLocker lock(&stopMutex);
    stopRequested = true;
    // Last, so that a loop that sees it cleared has seen everything before it.
    running = false;
}

bool VideoStreamThread::isRunning()
{
    return running.load(std::memory_order_acquire);
}

int VideoStreamThread::interruptRequested(void *opaque)
{
    return static_cast<VideoStreamThread *>(opaque)->isRunning() ? 0 : 1;
}

void VideoStreamThread::doWork()
{
    static std::once_flag registered;
    std::call_once(registered, [] {
        avformat_network_init();
        avdevice_register_all();
    });

    // Stopped before capture began: nothing to open, but the caller still waits for
    // the end of the worker.
    if (!isRunning()) {
        emit workFinished();
        return;
    }

    // Every way out before the loop: a stop that interrupted the opening ends like a
    // stop; anything else is a failure with its message and no workFinished.
    const auto giveUp = [this](const char *message) {
        const bool stopped = !isRunning();
        if (!stopped)
            qDebug("%s", message);
        release();
        if (stopped)
            emit workFinished();
    };

    const platform::CaptureOptions requested = {{QByteArrayLiteral("input_format"), QByteArrayLiteral("mjpeg")},
                                                {QByteArrayLiteral("video_size"), QByteArrayLiteral("1920x1080")},
                                                {QByteArrayLiteral("framerate"), QByteArrayLiteral("30")}};
    const platform::CaptureInput input = platform::backend().captureInput(m_CameraName, requested);
    AVDictionary *options = nullptr;
    for (const auto &option : requested + input.options)
        av_dict_set(&options, option.first.constData(), option.second.constData(), 0);

    const AVInputFormat *inputFormat = input.format.isEmpty() ? nullptr : av_find_input_format(input.format.constData());
    formatContext = avformat_alloc_context();
    if (formatContext) {
        formatContext->interrupt_callback.callback = &VideoStreamThread::interruptRequested;
        formatContext->interrupt_callback.opaque = this;
    }
    // A failed open frees the context and clears the pointer.
    const bool opened = formatContext && inputFormat
        && avformat_open_input(&formatContext, input.url.constData(), inputFormat, &options) >= 0;
    av_dict_free(&options);
    if (!opened) {
        giveUp("Couldn't open input stream.\n");
        return;
    }

    if (avformat_find_stream_info(formatContext, nullptr) < 0 || !isRunning()
        || !streamInformationFound(formatContext)) {
        giveUp("Couldn't find stream information.\n");
        return;
    }

    int videoStream = -1;
    for (unsigned int i = 0; i < formatContext->nb_streams; ++i) {
        if (formatContext->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            videoStream = static_cast<int>(i);
            break;
        }
    }
    if (videoStream < 0) {
        giveUp("Couldn't find a video stream.\n");
        return;
    }
    const AVCodecParameters *parameters = formatContext->streams[videoStream]->codecpar;

    decoder = avcodec_find_decoder(parameters->codec_id);
    if (!decoder) {
        giveUp("Codec not found.\n");
        return;
    }
    streamParameters = parameters;
    const QSize announced(parameters->width, parameters->height);
    if (!openDecoder(reductionFor(announced, shownSize(announced, previewSize()), decoder->max_lowres))) {
        giveUp("Could not open codec.\n");
        return;
    }

    // libjpeg-turbo decodes camera pictures for less than FFmpeg's decoder does;
    // FFmpeg stays for the pictures it refuses.
    if (parameters->codec_id == AV_CODEC_ID_MJPEG && JpegDecoder::available())
        jpegDecoder = std::make_unique<JpegDecoder>();
    decodedFrame = av_frame_alloc();
    packet = av_packet_alloc();
    if (!decodedFrame || !packet || parameters->width <= 0 || parameters->height <= 0 || parameters->format < 0) {
        qWarning("VideoStreamThread: cannot convert the camera's pictures (%dx%d, format %d)",
                 parameters->width, parameters->height, parameters->format);
        release();
        return;
    }

    bool skipped = false;
    while (isRunning()) {
        if (av_read_frame(formatContext, packet) < 0) {
            // The camera stopped delivering (unplugged, stalled): keep trying until
            // stop, without taking a whole core.
            if (isRunning())
                QThread::msleep(kFailedReadPauseMs);
            continue;
        }
        // A stop that came while the read waited ends capture now.
        if (!isRunning() || packet->stream_index != videoStream) {
            av_packet_unref(packet);
            continue;
        }
        ++packetCount;
        // Nobody sees the picture: the packet is drained, not decoded.
        if (!decoding.load()) {
            av_packet_unref(packet);
            skipped = true;
            continue;
        }
        // What the decoder kept from before the gap (the first field of an interlaced
        // picture) belongs to a picture that was never finished.
        if (skipped) {
            skipped = false;
            avcodec_flush_buffers(codecContext);
        }

        int wantedLowres = decodeLowres;
        if (emitJpegPicture(&wantedLowres)) {
            av_packet_unref(packet);
            if (wantedLowres != decodeLowres && !openDecoder(wantedLowres)) {
                qDebug("Could not open codec.\n");
                release();
                return;
            }
            continue;
        }

        bool decodeError = false;
        int ret = avcodec_send_packet(codecContext, packet);
        if (ret < 0 && ret != AVERROR(EAGAIN))
            decodeError = true;
        while (!decodeError) {
            ret = avcodec_receive_frame(codecContext, decodedFrame);
            if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
                break;
            if (ret < 0) {
                decodeError = true;
                break;
            }
            ++decodeCount;
            wantedLowres = emitPicture();
            av_frame_unref(decodedFrame);
        }
        av_packet_unref(packet);
        // The shown size crossed a half of the frame (a resize, a camera that changed
        // its size): the next pictures are decoded at the reduction that suits it.
        // MJPEG pictures stand alone, so a new decoder loses nothing.
        if (!decodeError && wantedLowres != decodeLowres && !openDecoder(wantedLowres)) {
            qDebug("Could not open codec.\n");
            release();
            return;
        }
        if (decodeError) {
            qDebug("Decode Error.\n");
            release();
            return;
        }
    }

    release();
    // A stop() still inside its critical section must leave it before workFinished
    // lets the worker be deleted.
    { QMutexLocker lock(&stopMutex); }
    emit workFinished();
}

bool VideoStreamThread::openDecoder(int lowres)
{
    avcodec_free_context(&codecContext);
    codecContext = avcodec_alloc_context3(decoder);
    if (!codecContext || avcodec_parameters_to_context(codecContext, streamParameters) < 0)
        return false;
    // The size the pictures have now, not the one the stream announced: the MJPEG
    // decoder takes pictures much shorter than announced for the fields of an
    // interlaced stream.
    if (!pictureSize.isEmpty()) {
        codecContext->width = pictureSize.width();
        codecContext->height = pictureSize.height();
    }
    codecContext->lowres = lowres;
    if (avcodec_open2(codecContext, decoder, nullptr) < 0)
        return false;
    decodeLowres = lowres;
    decoderPrimed = false;
    return true;
}

void VideoStreamThread::setDecoding(bool decode)
{
    decoding.store(decode);
}

bool VideoStreamThread::isDecoding() const
{
    return decoding.load();
}

quint64 VideoStreamThread::packetsRead() const
{
    return packetCount.load();
}

quint64 VideoStreamThread::picturesDecoded() const
{
    return decodeCount.load();
}

int VideoStreamThread::decodeReduction() const
{
    return decodeLowres.load();
}

void VideoStreamThread::setPreviewSize(const QSize &size)
{
    std::lock_guard<std::mutex> lock(previewSizeMutex);
    m_previewSize = size;
}

QSize VideoStreamThread::previewSize() const
{
    std::lock_guard<std::mutex> lock(previewSizeMutex);
    return m_previewSize;
}

QImage VideoStreamThread::takePicture()
{
    Pixels picture;
    {
        std::lock_guard<std::mutex> lock(pictureMutex);
        picture = std::move(waitingPicture);
        waitingPicture = Pixels();
    }
    if (!picture.data)
        return QImage();
    // The image owns the pixels from here and frees them with the scaler's allocator.
    uint8_t *pixels = picture.data.release();
    return QImage(pixels, picture.size.width(), picture.size.height(), picture.stride, QImage::Format_RGB32,
                  [](void *data) { av_free(data); }, pixels);
}

void VideoStreamThread::publish(Pixels picture)
{
    bool wasEmpty = false;
    {
        std::lock_guard<std::mutex> lock(pictureMutex);
        wasEmpty = !waitingPicture.data;
        waitingPicture = std::move(picture);
    }
    // The picture a notice is already on its way for was replaced: that notice
    // fetches the new one.
    if (wasEmpty)
        emit onReader();
}

bool VideoStreamThread::prepareConversion(int width, int height, int pixelFormat, const QSize &output)
{
    if (scaler && width == convertWidth && height == convertHeight && pixelFormat == convertSourceFormat
        && output == convertOutput)
        return true;
    freeConversion();
    if (width <= 0 || height <= 0 || pixelFormat < 0 || output.isEmpty())
        return false;
    // One step from the decoded frame to the shown size. The converter's bilinear
    // filter widens with the reduction, so a smaller picture averages its pixels
    // rather than skipping them; a bicubic one looked no better at these reductions
    // and cost a tenth more of the whole decode.
    bool fullRange = false;
    const AVPixelFormat source = plainFormat(pixelFormat, &fullRange);
    scaler = sws_getContext(width, height, source, output.width(), output.height(), AV_PIX_FMT_BGRA, SWS_BILINEAR,
                            nullptr, nullptr, nullptr);
    if (!scaler)
        return false;
    if (fullRange) {
        int *inverseTable = nullptr;
        int *table = nullptr;
        int sourceRange = 0;
        int destinationRange = 0;
        int brightness = 0;
        int contrast = 0;
        int saturation = 0;
        sws_getColorspaceDetails(scaler, &inverseTable, &sourceRange, &table, &destinationRange, &brightness,
                                 &contrast, &saturation);
        sws_setColorspaceDetails(scaler, inverseTable, 1, table, destinationRange, brightness, contrast, saturation);
    }
    convertWidth = width;
    convertHeight = height;
    convertSourceFormat = pixelFormat;
    convertOutput = output;
    return true;
}

int VideoStreamThread::emitPicture()
{
    // No picture once the stop is seen.
    if (!isRunning())
        return decodeLowres;
    // The camera's own size: a reduced decode knows it from the picture's header.
    QSize full(decodedFrame->width, decodedFrame->height);
    if (decodeLowres > 0 && codecContext->coded_width > 0 && codecContext->coded_height > 0)
        full = QSize(codecContext->coded_width, codecContext->coded_height);
    pictureSize = full;
    decoderPrimed = true;
    const QSize output = shownSize(full, previewSize());
    const int wantedLowres = reductionFor(full, output, decoder ? decoder->max_lowres : 0);

    convertAndPublish(decodedFrame->data, decodedFrame->linesize, QSize(decodedFrame->width, decodedFrame->height),
                      decodedFrame->format, output);
    return wantedLowres;
}

bool VideoStreamThread::emitJpegPicture(int *wantedLowres)
{
    if (!jpegDecoder || !isRunning())
        return false;
    // Only pictures of the size FFmpeg's decoder last gave: anything else (the fields
    // of an interlaced stream, the first picture after a change of size) is FFmpeg's,
    // which knows how to put it together. A fresh FFmpeg decoder takes the first
    // picture itself: it tells fields from frames by comparing later pictures with it.
    if (!decoderPrimed || pictureSize.isEmpty())
        return false;
    const QSize full = pictureSize;
    if (!jpegDecoder->decode(packet->data, static_cast<std::size_t>(packet->size), full, decodeLowres))
        return false;
    ++decodeCount;
    pictureSize = full;
    const QSize output = shownSize(full, previewSize());
    *wantedLowres = reductionFor(full, output, decoder ? decoder->max_lowres : 0);
    convertAndPublish(jpegDecoder->planes(), jpegDecoder->strides(), jpegDecoder->size(), jpegDecoder->pixelFormat(),
                      output);
    return true;
}

void VideoStreamThread::convertAndPublish(const uint8_t *const *planes, const int *strides, const QSize &size,
                                          int pixelFormat, const QSize &output)
{
    // A picture whose geometry differs from the last one (a camera that changed its
    // size, a new shown size) gets a converter of its own.
    if (!prepareConversion(size.width(), size.height(), pixelFormat, output))
        return;
    // Converted straight into the pixels handed over: no intermediate buffer, no copy.
    // Plain memory and not a QImage: making an image reads the application's state,
    // which this thread must not touch.
    Pixels picture;
    picture.size = output;
    picture.stride = output.width() * 4;
    picture.data = std::unique_ptr<uint8_t, void (*)(void *)>(
        static_cast<uint8_t *>(av_malloc(static_cast<std::size_t>(picture.stride) * output.height())), av_free);
    if (!picture.data)
        return;
    uint8_t *const destination[4] = {picture.data.get(), nullptr, nullptr, nullptr};
    const int destinationStrides[4] = {picture.stride, 0, 0, 0};
    sws_scale(scaler, planes, strides, 0, size.height(), destination, destinationStrides);
    publish(std::move(picture));
}

void VideoStreamThread::freeConversion()
{
    sws_freeContext(scaler);
    scaler = nullptr;
    convertWidth = 0;
    convertHeight = 0;
    convertSourceFormat = -1;
    convertOutput = QSize();
}

void VideoStreamThread::release()
{
    freeConversion();
    jpegDecoder.reset();
    av_frame_free(&decodedFrame);
    av_packet_free(&packet);
    avcodec_free_context(&codecContext);
    decoder = nullptr;
    streamParameters = nullptr;
    decodeLowres = 0;
    pictureSize = QSize();
    avformat_close_input(&formatContext);
}
