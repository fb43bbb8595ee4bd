#pragma once
#include <QImage>
#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>

extern "C" {
struct AVCodec;
struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;
}

// The live preview worker: lives on a thread of its own, opens the camera as an FFmpeg
// capture input, decodes its MJPEG stream and hands every picture, converted to
// 32-bit BGRA at the stream's own size, to the window until it is told to stop.
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
    // One picture that owns its pixels (QImage::Format_RGB32). A QImage and not a
    // QPixmap: pixmaps may only be made on the GUI thread, so the receiver turns it
    // into one there.
    void onReader(QImage image);

public slots:
    // Runs the capture on the calling thread; returns when capture has ended.
    void start();
    void doWork();
    // Safe from any thread; capture ends after the current packet, and a read that
    // waits for the camera gives up.
    void stop();

private:
    bool isRunning();
    // FFmpeg's interrupt callback: a blocked open or read returns once stop is called.
    static int interruptRequested(void *opaque);
    // (Re)builds the scaler and the conversion buffer for pictures of this geometry.
    bool prepareConversion(int width, int height, int pixelFormat);
    // Drops the converter and its buffer.
    void freeConversion();
    void emitPicture();
    void release();

    // Guards the writes of the run flags; the capture loop reads them lock-free.
    QMutex stopMutex;
    std::atomic<bool> running{false};
    // A stop that came before start must not be undone by it.
    std::atomic<bool> stopRequested{false};
    AVFormatContext *formatContext = nullptr;
    AVCodecContext *codecContext = nullptr;
    const AVCodec *decoder = nullptr;
    AVFrame *decodedFrame = nullptr;
    AVFrame *convertedFrame = nullptr;
    AVPacket *packet = nullptr;
    SwsContext *scaler = nullptr;
    QString m_CameraName;

    // The conversion buffer and the geometry the scaler was made for.
    quint8 *conversionBuffer = nullptr;
    int convertWidth = 0;
    int convertHeight = 0;
    int convertSourceFormat = -1;
};
