#pragma once
#include <QImage>
#include <QMutex>
#include <QObject>
#include <QSize>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

extern "C" {
struct AVCodec;
struct AVCodecContext;
struct AVCodecParameters;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;
}

class JpegDecoder;

// The live preview worker: lives on a thread of its own, opens the camera as an FFmpeg
// capture input, decodes its MJPEG stream and hands the pictures, converted to 32-bit
// BGRA at the size the window shows them, to the window until it is told to stop.
// Only the latest picture waits for the window: a new one replaces one not yet taken,
// so a slow window never builds a queue.
class VideoStreamThread : public QObject
{
    Q_OBJECT
public:
    explicit VideoStreamThread(const QString &cameraName, QObject *parent = nullptr);
    ~VideoStreamThread() override;

signals:
    // Once after a stop, when everything has been released.
    void workFinished();
    void workStart();
    // A picture is waiting: takePicture gives it. Emitted only when the waiting place
    // was empty, so at most one of these is on its way at any time.
    void onReader();

public slots:
    // Runs the capture on the calling thread; returns when capture has ended.
    void start();
    void doWork();
    // Safe from any thread; capture ends after the current packet, and a read that
    // waits for the camera gives up.
    void stop();

public:
    // The size of the area that shows the pictures; safe from any thread, applies from
    // the next picture. Pictures fit it keeping the stream's aspect ratio; an empty
    // size means the stream's own size.
    void setPreviewSize(const QSize &size);
    QSize previewSize() const;
    // The waiting picture (QImage::Format_RGB32, owning its pixels), or a null image
    // when there is none. Call it on the GUI thread: the worker hands over plain pixels,
    // and the image around them is made here, since making a QImage reads the
    // application's state (its default resolution), which only the GUI thread may read
    // while the application runs. No pixel is copied.
    QImage takePicture();

    // Whether the packets read are decoded into pictures; safe from any thread, applies
    // from the next packet. Off while nobody can see the picture: the camera streams on
    // and every packet is still read, so the camera notices nothing, but none costs a
    // decode. On again, the next packet is decoded and handed over.
    void setDecoding(bool decode);
    bool isDecoding() const;
    // Since construction: the camera's video packets read and the pictures decoded from
    // them. Safe from any thread.
    quint64 packetsRead() const;
    quint64 picturesDecoded() const;
    // The reduction the pictures are decoded at now: 0 the full size, 1 a half, 2 a
    // quarter, 3 an eighth. Safe from any thread.
    int decodeReduction() const;

private:
    bool isRunning();
    // FFmpeg's interrupt callback: a blocked open or read returns once stop is called.
    static int interruptRequested(void *opaque);
    // (Re)opens the decoder, decoding at 1/2^lowres of the stream's size.
    bool openDecoder(int lowres);
    // (Re)builds the scaler for pictures of this geometry and this output size.
    bool prepareConversion(int width, int height, int pixelFormat, const QSize &output);
    void freeConversion();
    // Converts the decoded frame; returns the reduction the next frames should be
    // decoded at.
    int emitPicture();
    // Decodes the packet with libjpeg-turbo and hands the picture over; false when it
    // is left to FFmpeg's decoder. Sets the reduction the next pictures want.
    bool emitJpegPicture(int *wantedLowres);
    void convertAndPublish(const uint8_t *const *planes, const int *strides, const QSize &size, int pixelFormat,
                           const QSize &output);
    // Pixels of a picture in the making or waiting for the window: 32-bit BGRA rows,
    // aligned for the scaler.
    struct Pixels {
        std::unique_ptr<uint8_t, void (*)(void *)> data{nullptr, nullptr};
        QSize size;
        int stride = 0;
    };
    void publish(Pixels picture);
    void release();

    // Guards the writes of the run flags; the capture loop reads them lock-free.
    QMutex stopMutex;
    std::atomic<bool> running{false};
    // A stop that came before start must not be undone by it.
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> decoding{true};
    std::atomic<quint64> packetCount{0};
    std::atomic<quint64> decodeCount{0};
    AVFormatContext *formatContext = nullptr;
    AVCodecContext *codecContext = nullptr;
    const AVCodec *decoder = nullptr;
    const AVCodecParameters *streamParameters = nullptr;
    AVFrame *decodedFrame = nullptr;
    AVPacket *packet = nullptr;
    SwsContext *scaler = nullptr;
    std::unique_ptr<JpegDecoder> jpegDecoder;
    QString m_CameraName;
    std::atomic<int> decodeLowres{0};
    // Whether FFmpeg's decoder has decoded a picture since it was opened.
    bool decoderPrimed = false;
    // The camera's own size of the latest picture.
    QSize pictureSize;

    // The geometry the scaler was made for.
    int convertWidth = 0;
    int convertHeight = 0;
    int convertSourceFormat = -1;
    QSize convertOutput;

    mutable std::mutex previewSizeMutex;
    QSize m_previewSize;

    // The picture waiting for the window.
    std::mutex pictureMutex;
    Pixels waitingPicture;
};
