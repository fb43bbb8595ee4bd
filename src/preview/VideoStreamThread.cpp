#include "preview/VideoStreamThread.h"

#include "platform/Backend.h"

#include <QDebug>
#include <QMutexLocker>
#include <QThread>

#include <mutex>

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

    const platform::CaptureInput input = platform::backend().captureInput(m_CameraName);
    AVDictionary *options = nullptr;
    av_dict_set(&options, "input_format", "mjpeg", 0);
    av_dict_set(&options, "video_size", "1920x1080", 0);
    av_dict_set(&options, "framerate", "30", 0);
    for (const auto &option : input.options)
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
    codecContext = avcodec_alloc_context3(decoder);
    if (!codecContext || avcodec_parameters_to_context(codecContext, parameters) < 0
        || avcodec_open2(codecContext, decoder, nullptr) < 0) {
        giveUp("Could not open codec.\n");
        return;
    }

    decodedFrame = av_frame_alloc();
    convertedFrame = av_frame_alloc();
    packet = av_packet_alloc();
    if (!decodedFrame || !convertedFrame || !packet
        || !prepareConversion(parameters->width, parameters->height, parameters->format)) {
        qWarning("VideoStreamThread: cannot convert the camera's pictures (%dx%d, format %d)",
                 parameters->width, parameters->height, parameters->format);
        release();
        return;
    }

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
            emitPicture();
            av_frame_unref(decodedFrame);
        }
        av_packet_unref(packet);
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

bool VideoStreamThread::prepareConversion(int width, int height, int pixelFormat)
{
    if (scaler && width == convertWidth && height == convertHeight && pixelFormat == convertSourceFormat)
        return true;
    freeConversion();
    if (width <= 0 || height <= 0 || pixelFormat < 0)
        return false;

    const int size = av_image_get_buffer_size(AV_PIX_FMT_BGRA, width, height, 1);
    if (size <= 0)
        return false;
    conversionBuffer = static_cast<quint8 *>(av_malloc(static_cast<size_t>(size)));
    if (!conversionBuffer)
        return false;
    av_image_fill_arrays(convertedFrame->data, convertedFrame->linesize, conversionBuffer, AV_PIX_FMT_BGRA,
                         width, height, 1);
    scaler = sws_getContext(width, height, static_cast<AVPixelFormat>(pixelFormat), width, height,
                            AV_PIX_FMT_BGRA, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!scaler) {
        av_freep(&conversionBuffer);
        return false;
    }
    convertWidth = width;
    convertHeight = height;
    convertSourceFormat = pixelFormat;
    return true;
}

void VideoStreamThread::emitPicture()
{
    // No picture once the stop is seen.
    if (!isRunning())
        return;
    // A picture whose geometry differs from the stream's (a camera that changed its
    // size) gets a converter of its own rather than overrunning the old one.
    if (!prepareConversion(decodedFrame->width, decodedFrame->height, decodedFrame->format))
        return;
    sws_scale(scaler, decodedFrame->data, decodedFrame->linesize, 0, decodedFrame->height,
              convertedFrame->data, convertedFrame->linesize);
    const QImage wrapped(conversionBuffer, convertWidth, convertHeight, convertedFrame->linesize[0],
                         QImage::Format_RGB32);
    // The copy owns its pixels, so the conversion buffer is free again at once.
    const QImage picture = wrapped.copy();
    if (!picture.isNull())
        emit onReader(picture);
}

void VideoStreamThread::freeConversion()
{
    sws_freeContext(scaler);
    scaler = nullptr;
    av_freep(&conversionBuffer);
    convertWidth = 0;
    convertHeight = 0;
    convertSourceFormat = -1;
}

void VideoStreamThread::release()
{
    freeConversion();
    av_frame_free(&decodedFrame);
    av_frame_free(&convertedFrame);
    av_packet_free(&packet);
    avcodec_free_context(&codecContext);
    decoder = nullptr;
    avformat_close_input(&formatContext);
}
