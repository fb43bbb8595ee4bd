#include "TestSupport.h"

#include "platform/sim/SimMjpegPattern.h"
#include "platform/sim/SimStreamServer.h"
#include "preview/JpegDecoder.h"
#include "preview/VideoStreamThread.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <ctime>
#include <mutex>

#include <pthread.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

// Every message the process logs, as the application's handler would receive it.
std::mutex g_logMutex;
QStringList g_log;

void recordMessage(QtMsgType, const QMessageLogContext &, const QString &text)
{
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_log.append(text);
}

void clearLog()
{
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_log.clear();
}

// Counted under the lock: a copy of the list would share its data with the writer.
int countLogged(const QString &text)
{
    std::lock_guard<std::mutex> lock(g_logMutex);
    return g_log.count(text);
}

const QStringList kOpenFailures = {
    QStringLiteral("Couldn't open input stream.\n"),   QStringLiteral("Couldn't find stream information.\n"),
    QStringLiteral("Couldn't find a video stream.\n"), QStringLiteral("Codec not found.\n"),
    QStringLiteral("Could not open codec.\n"),         QStringLiteral("Decode Error.\n"),
};

// One camera; the stream and faults as given.
QByteArray rigJson(const QJsonObject &stream = {}, const QJsonObject &faults = {})
{
    QJsonObject camera{{QStringLiteral("key"), QStringLiteral("cam1")}};
    if (!stream.isEmpty())
        camera.insert(QStringLiteral("stream"), stream);
    if (!faults.isEmpty())
        camera.insert(QStringLiteral("faults"), faults);
    return QJsonDocument(QJsonObject{{QStringLiteral("cameras"), QJsonArray{camera}}}).toJson();
}

// A small, fast stream keeps the tests quick; the worker still asks for 1920x1080.
QJsonObject smallStream(int width = 320, int height = 240)
{
    return QJsonObject{{QStringLiteral("width"), width},
                       {QStringLiteral("height"), height},
                       {QStringLiteral("fps"), 60}};
}

QString captureName(sim::SimRig &rig, const QString &key = QStringLiteral("cam1"))
{
    return rig.camera(key)->monikerDisplayName().replace(QLatin1Char(':'), QLatin1Char('_'));
}

qint64 threadCpuNs(pthread_t thread)
{
    clockid_t clock;
    timespec ts{};
    if (pthread_getcpuclockid(thread, &clock) != 0 || clock_gettime(clock, &ts) != 0)
        return -1;
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Writes a small file with one stream of the given codec through libavformat: the
// inputs of devices that deliver something other than a camera's video.
bool writeFixture(const QString &path, const char *muxer, AVMediaType type, AVCodecID codec,
                  int bitsPerCodedSample = 0)
{
    AVFormatContext *output = nullptr;
    const QByteArray file = QFile::encodeName(path);
    if (avformat_alloc_output_context2(&output, nullptr, muxer, file.constData()) < 0)
        return false;
    AVStream *stream = avformat_new_stream(output, nullptr);
    bool ok = stream != nullptr;
    if (ok) {
        AVCodecParameters *par = stream->codecpar;
        par->codec_type = type;
        par->codec_id = codec;
        if (type == AVMEDIA_TYPE_AUDIO) {
            par->sample_rate = 8000;
            av_channel_layout_default(&par->ch_layout, 1);
            par->format = AV_SAMPLE_FMT_S16;
            par->bits_per_coded_sample = 16;
            par->block_align = 2;
            stream->time_base = AVRational{1, 8000};
        } else {
            par->width = 64;
            par->height = 48;
            par->bits_per_coded_sample = bitsPerCodedSample;
            stream->time_base = AVRational{1, 30};
        }
    }
    ok = ok && avio_open(&output->pb, file.constData(), AVIO_FLAG_WRITE) >= 0;
    ok = ok && avformat_write_header(output, nullptr) >= 0;
    for (int i = 0; ok && i < 10; ++i) {
        AVPacket *packet = av_packet_alloc();
        ok = packet && av_new_packet(packet, 1600) >= 0;
        if (ok) {
            memset(packet->data, 0x40 + i, 1600);
            packet->stream_index = 0;
            packet->pts = packet->dts = type == AVMEDIA_TYPE_AUDIO ? i * 800 : i;
            packet->duration = type == AVMEDIA_TYPE_AUDIO ? 800 : 1;
            packet->flags |= AV_PKT_FLAG_KEY;
            av_packet_rescale_ts(packet, type == AVMEDIA_TYPE_AUDIO ? AVRational{1, 8000} : AVRational{1, 30},
                                 stream->time_base);
            ok = av_interleaved_write_frame(output, packet) >= 0;
        }
        av_packet_free(&packet);
    }
    ok = ok && av_write_trailer(output) >= 0;
    avio_closep(&output->pb);
    avformat_free_context(output);
    return ok;
}

// Decodes one JPEG picture with FFmpeg at its full size (or at 1/2^lowres of it); the
// pixel format it decoded to goes to *format.
AVFrame *decodeFull(const QByteArray &jpeg, int *format, int lowres = 0)
{
    const AVCodec *codec = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
    AVCodecContext *context = avcodec_alloc_context3(codec);
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    if (context)
        context->lowres = lowres;
    bool ok = context && packet && frame && avcodec_open2(context, codec, nullptr) >= 0
        && av_new_packet(packet, static_cast<int>(jpeg.size())) >= 0;
    if (ok) {
        memcpy(packet->data, jpeg.constData(), static_cast<size_t>(jpeg.size()));
        ok = avcodec_send_packet(context, packet) >= 0 && avcodec_send_packet(context, nullptr) >= 0
            && avcodec_receive_frame(context, frame) >= 0;
    }
    av_packet_free(&packet);
    avcodec_free_context(&context);
    if (!ok)
        av_frame_free(&frame);
    if (frame && format)
        *format = frame->format;
    return frame;
}

// The picture a full-size decode (or FFmpeg's own reduced one) gives, scaled to size
// with the bilinear filter the preview uses.
QImage referencePicture(const QByteArray &jpeg, const QSize &size, int *format = nullptr, int lowres = 0)
{
    AVFrame *frame = decodeFull(jpeg, format, lowres);
    if (!frame)
        return {};
    QImage picture(size, QImage::Format_RGB32);
    SwsContext *scaler = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                        size.width(), size.height(), AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr,
                                        nullptr, nullptr);
    uint8_t *const planes[4] = {picture.bits(), nullptr, nullptr, nullptr};
    const int strides[4] = {static_cast<int>(picture.bytesPerLine()), 0, 0, 0};
    if (scaler)
        sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
    sws_freeContext(scaler);
    av_frame_free(&frame);
    return scaler ? picture : QImage();
}

// Mean absolute difference of the colour channels, 0 to 255; -1 when the sizes differ.
double meanDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return -1;
    qint64 sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb *pa = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const QRgb *pb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            sum += qAbs(qRed(pa[x]) - qRed(pb[x])) + qAbs(qGreen(pa[x]) - qGreen(pb[x]))
                + qAbs(qBlue(pa[x]) - qBlue(pb[x]));
        }
    }
    return double(sum) / (3.0 * a.width() * a.height());
}

// The rig's still pattern (a cycle of one picture) at this size, as the camera sends it.
QByteArray rigPicture(int width, int height)
{
    const auto frames = sim::SimMjpegPattern::frames(width, height, 1);
    return frames && !frames->empty() ? frames->front() : QByteArray();
}

// The same picture re-encoded with the given chroma sampling. As a camera sends it:
// with the standard Huffman tables and without writing them into the picture.
QByteArray reencoded(const QByteArray &jpeg, AVPixelFormat format, bool asCamera = false)
{
    AVFrame *source = decodeFull(jpeg, nullptr);
    if (!source)
        return {};
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    AVCodecContext *context = avcodec_alloc_context3(codec);
    AVFrame *picture = av_frame_alloc();
    AVPacket *packet = av_packet_alloc();
    QByteArray out;
    if (context && picture && packet) {
        context->width = source->width;
        context->height = source->height;
        context->pix_fmt = format;
        context->time_base = AVRational{1, 30};
        context->flags |= AV_CODEC_FLAG_QSCALE;
        context->global_quality = FF_QP2LAMBDA * 3;
        if (asCamera)
            av_opt_set(context->priv_data, "huffman", "default", 0);
        picture->format = format;
        picture->width = source->width;
        picture->height = source->height;
        SwsContext *toYuv = sws_getContext(source->width, source->height, static_cast<AVPixelFormat>(source->format),
                                           source->width, source->height, format, SWS_BICUBIC, nullptr, nullptr,
                                           nullptr);
        if (toYuv && avcodec_open2(context, codec, nullptr) >= 0 && av_frame_get_buffer(picture, 0) >= 0) {
            sws_scale(toYuv, source->data, source->linesize, 0, source->height, picture->data, picture->linesize);
            picture->pts = 0;
            picture->quality = context->global_quality;
            if (avcodec_send_frame(context, picture) >= 0 && avcodec_receive_packet(context, packet) >= 0)
                out = QByteArray(reinterpret_cast<const char *>(packet->data), packet->size);
        }
        sws_freeContext(toYuv);
    }
    av_packet_free(&packet);
    av_frame_free(&picture);
    av_frame_free(&source);
    avcodec_free_context(&context);
    if (!asCamera)
        return out;
    // Drop the DHT segments (marker FF C4) that come before the scan.
    QByteArray stripped = out.left(2);
    int at = 2;
    while (at + 4 <= out.size() && uchar(out[at]) == 0xFF) {
        const uchar marker = uchar(out[at + 1]);
        if (marker == 0xDA) {
            stripped += out.mid(at);
            return stripped;
        }
        const int length = (uchar(out[at + 2]) << 8) | uchar(out[at + 3]);
        if (marker != 0xC4)
            stripped += out.mid(at, 2 + length);
        at += 2 + length;
    }
    return {};
}

// The decoder's planes converted to a picture of their own size.
QImage convertedPicture(const JpegDecoder &decoder)
{
    QImage picture(decoder.size(), QImage::Format_RGB32);
    SwsContext *scaler = sws_getContext(decoder.size().width(), decoder.size().height(),
                                        static_cast<AVPixelFormat>(decoder.pixelFormat()), decoder.size().width(),
                                        decoder.size().height(), AV_PIX_FMT_BGRA, SWS_BICUBIC, nullptr, nullptr,
                                        nullptr);
    if (!scaler)
        return {};
    uint8_t *const planes[4] = {picture.bits(), nullptr, nullptr, nullptr};
    const int strides[4] = {static_cast<int>(picture.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler, decoder.planes(), decoder.strides(), 0, decoder.size().height(), planes, strides);
    sws_freeContext(scaler);
    return picture;
}

} // namespace

// One preview run wired as the window wires it: a new thread and worker, started
// runs start, workFinished deletes the worker, its destruction quits the thread and
// the finished thread deletes itself. Pictures arrive queued on the test's thread.
class PreviewRun : public QObject
{
    Q_OBJECT
public:
    // takeAtOnce false: the test's thread takes the pictures when it gets round to it,
    // as the window does.
    explicit PreviewRun(const QString &cameraName, const QSize &previewSize = QSize(), bool takeAtOnce = true)
    {
        thread = new QThread;
        worker = new VideoStreamThread(cameraName);
        worker->moveToThread(thread);
        connect(thread.data(), &QThread::started, worker, &VideoStreamThread::start);
        connect(worker, &VideoStreamThread::workFinished, worker, &QObject::deleteLater);
        connect(worker, &QObject::destroyed, thread.data(), &QThread::quit);
        connect(thread.data(), &QThread::finished, thread.data(), &QObject::deleteLater);
        worker->setPreviewSize(previewSize);
        if (takeAtOnce) {
            // A consumer that takes each picture the moment it is announced, on the
            // worker's thread, so that none is replaced; the picture then travels to the
            // test's thread.
            connect(worker, &VideoStreamThread::onReader, worker, [this] {
                const QImage image = worker->takePicture();
                if (image.isNull())
                    return;
                {
                    std::lock_guard<std::mutex> lock(m_incomingMutex);
                    m_incoming.append(image);
                }
                QMetaObject::invokeMethod(this, "drain", Qt::QueuedConnection);
            }, Qt::DirectConnection);
        } else {
            connect(worker, &VideoStreamThread::onReader, this, [this] {
                ++notices;
                // The worker deletes itself only after a stop.
                const QImage image = m_stopped ? QImage() : worker->takePicture();
                if (!image.isNull())
                    take(image);
            });
        }
        connect(worker, &VideoStreamThread::workFinished, this, [this] { ++finishedSeen; });

        // What happens on the worker's own thread, in emission order.
        connect(worker, &VideoStreamThread::workStart, worker, [this] {
            workerThread = pthread_self();
            startOrder = ++m_sequence;
        }, Qt::DirectConnection);
        connect(worker, &VideoStreamThread::onReader, worker, [this] {
            if (firstPictureOrder == 0)
                firstPictureOrder = ++m_sequence;
            ++emitted;
        }, Qt::DirectConnection);
        connect(worker, &VideoStreamThread::workFinished, worker, [this] { ++finishedEmitted; },
                Qt::DirectConnection);
        connect(worker, &QObject::destroyed, worker, [this] { workerDestroyed = true; }, Qt::DirectConnection);
    }

    ~PreviewRun() override { end(); }

    void begin()
    {
        m_begun = true;
        thread->start();
    }

    // Ends the preview as the window does: stop directly, quit the thread and wait
    // for it without a time limit.
    void end()
    {
        if (m_ended)
            return;
        m_ended = true;
        // A worker deletes itself only after a stop, so it is still there unless an
        // earlier stop already ended it.
        if (!workerDestroyed)
            stopWorker();
        if (thread) {
            thread->quit();
            thread->wait();
            if (!m_begun)
                delete thread;
        }
        // A worker that ended through a failure never finished; it is idle on its
        // stopped thread.
        if (!workerDestroyed)
            delete worker;
        QTRY_VERIFY(thread.isNull());
    }

    void stopWorker()
    {
        m_stopped = true;
        worker->stop();
    }

    QPointer<QThread> thread;
    VideoStreamThread *worker = nullptr;
    QList<QImage> pictures;
    QImage firstPicture;
    QByteArray firstPictureBytes;
    int finishedSeen = 0;

    std::atomic<pthread_t> workerThread{};
    std::atomic<int> startOrder{0};
    std::atomic<int> firstPictureOrder{0};
    std::atomic<int> emitted{0};
    std::atomic<int> finishedEmitted{0};
    std::atomic<bool> workerDestroyed{false};

private slots:
    void drain()
    {
        QList<QImage> incoming;
        {
            std::lock_guard<std::mutex> lock(m_incomingMutex);
            incoming.swap(m_incoming);
        }
        for (const QImage &image : incoming)
            take(image);
    }

    void take(const QImage &image)
    {
        if (pictures.isEmpty()) {
            firstPicture = image;
            firstPictureBytes = QByteArray(reinterpret_cast<const char *>(image.constBits()),
                                           static_cast<int>(image.sizeInBytes()));
        }
        // Keep only a few, the rest is counted.
        if (pictures.size() < 8)
            pictures.append(image);
        lastSize = image.size();
        lastPicture = image;
        ++received;
    }

public:
    int received = 0;
    int notices = 0;
    QSize lastSize;
    QImage lastPicture;

private:
    bool m_stopped = false;
    // Pictures taken on the worker's thread, on their way to the test's.
    std::mutex m_incomingMutex;
    QList<QImage> m_incoming;
    std::atomic<int> m_sequence{0};
    bool m_ended = false;
    bool m_begun = false;
};

class TestPreview : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        m_previousHandler = qInstallMessageHandler(recordMessage);
        QVERIFY(m_files.isValid());
    }

    void cleanupTestCase() { qInstallMessageHandler(m_previousHandler); }

    void init() { clearLog(); }

    void picturesHaveTheStreamsSize_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("1920x1080, as asked") << 1920 << 1080;
        QTest::newRow("1280x720, smaller than asked") << 1280 << 720;
        QTest::newRow("320x240, another aspect") << 320 << 240;
    }

    void picturesHaveTheStreamsSize()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        testsupport::SimEnvironment env(rigJson(smallStream(width, height)));
        sim::SimStreamServer &stream = env.rig().camera(QStringLiteral("cam1"))->stream();
        const QString name = captureName(env.rig());
        PreviewRun run(name);
        QCOMPARE(countLogged(QStringLiteral("VideoStreamThread::m_CameraName: video=%1").arg(name)), 1);
        QVERIFY(!stream.streaming());

        run.begin();
        QTRY_VERIFY_WITH_TIMEOUT(run.received >= 4, 20000);
        QVERIFY(stream.streaming());
        // The camera was asked for MJPEG at 1920x1080 and 30 pictures a second.
        QCOMPARE(stream.lastRequest(), (platform::CaptureOptions{{"input_format", "mjpeg"},
                                                                  {"video_size", "1920x1080"},
                                                                  {"framerate", "30"}}));
        QVERIFY(run.startOrder > 0);
        QVERIFY(run.firstPictureOrder > run.startOrder);
        for (const QImage &picture : run.pictures) {
            QCOMPARE(picture.size(), QSize(width, height));
            QCOMPARE(picture.format(), QImage::Format_RGB32);
        }
        // Each picture owns its pixels: the first is unchanged after later ones came
        // through the same conversion buffer, and the pattern moved meanwhile.
        const QImage &first = run.firstPicture;
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(first.constBits()), static_cast<int>(first.sizeInBytes())),
                 run.firstPictureBytes);
        QVERIFY(run.pictures.last() != first);
        QVERIFY(run.pictures.last().constBits() != first.constBits());
        // The pattern's colour bars survive decoding and conversion: the top row
        // carries several clearly different colours.
        QSet<QRgb> colours;
        for (int x = 0; x < width; x += width / 16)
            colours.insert(first.pixel(x, 0) & 0xF0F0F0);
        QVERIFY2(colours.size() >= 4, qPrintable(QString::number(colours.size())));

        run.end();
        QCOMPARE(run.finishedEmitted.load(), 1);
        QVERIFY(run.workerDestroyed);
        QTRY_COMPARE(run.finishedSeen, 1);
        QVERIFY(!stream.streaming());
        for (const QString &failure : kOpenFailures)
            QCOMPARE(countLogged(failure), 0);
    }

    void stopWhileAReadWaits()
    {
        // The camera delivers six pictures and then nothing more: the worker waits in
        // a read when it is told to stop.
        testsupport::SimEnvironment env(rigJson(smallStream(), {{QStringLiteral("streamStallAfter"), 6}}));
        sim::SimCamera *camera = env.rig().camera(QStringLiteral("cam1"));
        PreviewRun run(captureName(env.rig()));
        run.begin();
        QTRY_COMPARE_WITH_TIMEOUT(run.received, 6, 20000);
        QTRY_COMPARE(camera->stream().framesSent(), qint64(6));

        run.stopWorker();
        const int emittedAtStop = run.emitted;
        // Lifting the stall now must not bring another picture.
        camera->clearFault(QStringLiteral("streamStallAfter"));
        run.end();
        QCOMPARE(run.emitted.load(), emittedAtStop);
        QCOMPARE(run.finishedEmitted.load(), 1);
        QVERIFY(run.workerDestroyed);
        QCOMPARE(run.received, 6);
    }

    void stopWhileTheOpeningWaits()
    {
        // A camera that accepts the open and never delivers: stop must still end the
        // worker (the window waits for its thread without a limit), as a stop.
        testsupport::SimEnvironment env(rigJson(smallStream(), {{QStringLiteral("streamStallAfter"), 0}}));
        sim::SimStreamServer &stream = env.rig().camera(QStringLiteral("cam1"))->stream();
        PreviewRun run(captureName(env.rig()));
        run.begin();
        QTRY_VERIFY_WITH_TIMEOUT(stream.streaming(), 20000);
        run.end();
        QCOMPARE(run.finishedEmitted.load(), 1);
        QCOMPARE(run.received, 0);
        for (const QString &failure : kOpenFailures)
            QCOMPARE(countLogged(failure), 0);
    }

    void stopBeforeTheThreadRuns()
    {
        testsupport::SimEnvironment env(rigJson(smallStream()));
        sim::SimStreamServer &stream = env.rig().camera(QStringLiteral("cam1"))->stream();
        PreviewRun run(captureName(env.rig()));
        run.stopWorker();
        run.begin();
        // start comes after the stop and must not undo it.
        QTRY_VERIFY_WITH_TIMEOUT(run.thread.isNull(), 20000);
        QCOMPARE(run.finishedEmitted.load(), 1);
        QVERIFY(run.workerDestroyed);
        QCOMPARE(stream.connections(), 0);
        run.end();
    }

    void twoWorkersInARow()
    {
        testsupport::SimEnvironment env(rigJson(smallStream()));
        sim::SimStreamServer &stream = env.rig().camera(QStringLiteral("cam1"))->stream();
        const QString name = captureName(env.rig());
        {
            PreviewRun first(name);
            first.begin();
            QTRY_VERIFY_WITH_TIMEOUT(first.received >= 3, 20000);
            first.end();
            QCOMPARE(first.finishedEmitted.load(), 1);
        }
        // The first released the camera before its thread ended.
        QVERIFY(!stream.streaming());
        PreviewRun second(name);
        second.begin();
        QTRY_VERIFY_WITH_TIMEOUT(second.received >= 3, 20000);
        QCOMPARE(stream.connections(), 2);
        second.end();
        QCOMPARE(second.finishedEmitted.load(), 1);
        for (const QString &failure : kOpenFailures)
            QCOMPARE(countLogged(failure), 0);
    }

    void aBusyCameraServesOnlyItsFirstClient()
    {
        testsupport::SimEnvironment env(rigJson(smallStream()));
        const QString name = captureName(env.rig());
        PreviewRun first(name);
        first.begin();
        QTRY_VERIFY_WITH_TIMEOUT(first.received >= 2, 20000);
        PreviewRun second(name);
        second.begin();
        QTRY_COMPARE_WITH_TIMEOUT(countLogged(QStringLiteral("Couldn't find stream information.\n")), 1, 20000);
        const int before = first.received;
        QTRY_VERIFY_WITH_TIMEOUT(first.received > before, 20000);
        second.end();
        QCOMPARE(second.received, 0);
        QCOMPARE(second.finishedEmitted.load(), 0);
        first.end();
        QCOMPARE(first.finishedEmitted.load(), 1);
    }

    void openFailures_data()
    {
        QTest::addColumn<QByteArray>("rig");
        QTest::addColumn<QString>("camera");
        QTest::addColumn<QString>("message");

        const QJsonObject only720{
            {QStringLiteral("modes"),
             QJsonArray{QJsonObject{{QStringLiteral("width"), 1280}, {QStringLiteral("height"), 720},
                                    {QStringLiteral("fps"), 30}},
                        QJsonObject{{QStringLiteral("width"), 1920}, {QStringLiteral("height"), 1080},
                                    {QStringLiteral("fps"), 15}}}}};
        QTest::newRow("no 1920x1080 at 30") << rigJson(only720) << QString()
                                            << QStringLiteral("Couldn't open input stream.\n");
        QTest::newRow("no such camera") << rigJson(smallStream()) << QStringLiteral("@device_pnp_nothing")
                                        << QStringLiteral("Couldn't open input stream.\n");
        QTest::newRow("closes without a picture")
            << rigJson(smallStream(), {{QStringLiteral("streamEmpty"), true}}) << QString()
            << QStringLiteral("Couldn't find stream information.\n");

        const QString wav = m_files.filePath(QStringLiteral("audio.wav"));
        const QString avs2 = m_files.filePath(QStringLiteral("avs2.avi"));
        const QString huffyuv = m_files.filePath(QStringLiteral("huffyuv.avi"));
        QVERIFY(writeFixture(wav, "wav", AVMEDIA_TYPE_AUDIO, AV_CODEC_ID_PCM_S16LE));
        // AVS2 video: FFmpeg knows the codec but has no decoder for it.
        QVERIFY(writeFixture(avs2, "avi", AVMEDIA_TYPE_VIDEO, AV_CODEC_ID_AVS2));
        // HuffYUV at 8 bits per pixel: the decoder exists and refuses to open.
        QVERIFY(writeFixture(huffyuv, "avi", AVMEDIA_TYPE_VIDEO, AV_CODEC_ID_HUFFYUV, 8));
        const auto input = [](const QString &format, const QString &path) {
            return QJsonObject{{QStringLiteral("streamInput"),
                                QJsonObject{{QStringLiteral("format"), format}, {QStringLiteral("url"), path}}}};
        };
        QTest::newRow("only audio") << rigJson(smallStream(), input(QStringLiteral("wav"), wav)) << QString()
                                    << QStringLiteral("Couldn't find a video stream.\n");
        QTest::newRow("no decoder") << rigJson(smallStream(), input(QStringLiteral("avi"), avs2)) << QString()
                                    << QStringLiteral("Codec not found.\n");
        QTest::newRow("decoder refuses") << rigJson(smallStream(), input(QStringLiteral("avi"), huffyuv))
                                         << QString() << QStringLiteral("Could not open codec.\n");
    }

    void openFailures()
    {
        QFETCH(QByteArray, rig);
        QFETCH(QString, camera);
        QFETCH(QString, message);
        testsupport::SimEnvironment env(rig);
        PreviewRun run(camera.isEmpty() ? captureName(env.rig()) : camera);
        run.begin();
        QTRY_COMPARE_WITH_TIMEOUT(countLogged(message), 1, 20000);
        // The worker is idle on its thread: no picture, no workFinished, until the
        // caller stops it and quits the thread.
        QVERIFY(run.thread->isRunning());
        QCOMPARE(run.finishedEmitted.load(), 0);
        run.end();
        QCOMPARE(run.finishedEmitted.load(), 0);
        QCOMPARE(run.emitted.load(), 0);
        for (const QString &failure : kOpenFailures) {
            if (failure != message)
                QCOMPARE(countLogged(failure), 0);
        }
        QVERIFY(!env.rig().camera(QStringLiteral("cam1"))->stream().streaming());
    }

    void aDecodingErrorEndsCapture()
    {
        testsupport::SimEnvironment env(rigJson(smallStream(), {{QStringLiteral("streamCorruptFrame"), 5}}));
        sim::SimStreamServer &stream = env.rig().camera(QStringLiteral("cam1"))->stream();
        PreviewRun run(captureName(env.rig()));
        run.begin();
        QTRY_COMPARE_WITH_TIMEOUT(countLogged(QStringLiteral("Decode Error.\n")), 1, 20000);
        // The four good pictures before it came through; none after it.
        QTRY_COMPARE(run.received, 4);
        // Capture ended and released the camera, without workFinished.
        QTRY_VERIFY(!stream.streaming());
        QCOMPARE(run.finishedEmitted.load(), 0);
        QVERIFY(run.thread->isRunning());
        run.end();
        QCOMPARE(run.finishedEmitted.load(), 0);
        QCOMPARE(run.emitted.load(), 4);
    }

    void aCameraThatChangesItsSize()
    {
        testsupport::SimEnvironment env(rigJson(smallStream(320, 240)));
        sim::SimCamera *camera = env.rig().camera(QStringLiteral("cam1"));
        PreviewRun run(captureName(env.rig()));
        run.begin();
        QTRY_VERIFY_WITH_TIMEOUT(run.received >= 2, 20000);
        QCOMPARE(run.pictures.first().size(), QSize(320, 240));
        // Smaller pictures than the stream announced must not be converted with the
        // old geometry; they arrive at their own size.
        camera->setFault(QStringLiteral("streamResize"), QStringLiteral("160x120"));
        QTRY_COMPARE_WITH_TIMEOUT(run.lastSize, QSize(160, 120), 20000);
        const int resizedAt = run.received;
        QTRY_VERIFY_WITH_TIMEOUT(run.received >= resizedAt + 3, 20000);
        QCOMPARE(run.lastSize, QSize(160, 120));
        QCOMPARE(countLogged(QStringLiteral("Decode Error.\n")), 0);
        run.end();
        QCOMPARE(run.finishedEmitted.load(), 1);
    }

    void aCameraRemovedDuringPreview()
    {
        testsupport::SimEnvironment env(rigJson(smallStream()));
        sim::SimCamera *camera = env.rig().camera(QStringLiteral("cam1"));
        PreviewRun run(captureName(env.rig()));
        run.begin();
        QTRY_VERIFY_WITH_TIMEOUT(run.received >= 3, 20000);

        env.rig().unplug(camera);
        QVERIFY(!camera->stream().streaming());
        const int afterUnplug = run.emitted;
        // Let the reads fail for a while: the worker keeps trying, but pauses between
        // attempts instead of taking a whole core.
        QTest::qWait(100);
        const qint64 cpuBefore = threadCpuNs(run.workerThread);
        QElapsedTimer wall;
        wall.start();
        QTest::qWait(500);
        const qint64 cpuUsed = threadCpuNs(run.workerThread) - cpuBefore;
        const qint64 wallNs = wall.nsecsElapsed();
        QVERIFY(cpuBefore >= 0);
        QVERIFY2(cpuUsed * 5 < wallNs, qPrintable(QStringLiteral("worker used %1 ms of CPU in %2 ms")
                                                      .arg(cpuUsed / 1000000)
                                                      .arg(wallNs / 1000000)));
        // At most what was already in flight when the camera left.
        QVERIFY(run.emitted - afterUnplug <= 2);
        QVERIFY(run.thread->isRunning());
        QCOMPARE(run.finishedEmitted.load(), 0);

        run.end();
        QCOMPARE(run.finishedEmitted.load(), 1);
        QVERIFY(run.workerDestroyed);
        for (const QString &failure : kOpenFailures)
            QCOMPARE(countLogged(failure), 0);
    }

    void picturesAtThePreviewSize_data()
    {
        QTest::addColumn<bool>("chroma420");
        QTest::addColumn<bool>("asCamera");
        QTest::addColumn<QSize>("preview");
        QTest::addColumn<QSize>("expected");
        // 640x360 in a 320x180 area: half the size, decoded at half resolution.
        QTest::newRow("4:2:2, half") << false << false << QSize(320, 180) << QSize(320, 180);
        // Wider than half: decoded at full size, then scaled.
        QTest::newRow("4:2:2, 500x300") << false << false << QSize(500, 300) << QSize(500, 281);
        QTest::newRow("4:2:0, half") << true << false << QSize(320, 180) << QSize(320, 180);
        // Taller area than the picture's shape: the width decides.
        QTest::newRow("4:2:0, 200x200") << true << false << QSize(200, 200) << QSize(200, 112);
        // Pictures without their Huffman tables, as cameras send them.
        // A quarter: a reduced decode keeps less of the fine detail than a bilinear
        // scaling of the whole picture, hence the looser comparison below.
        QTest::newRow("4:2:2 without tables, quarter") << false << true << QSize(160, 90) << QSize(160, 90);
        QTest::newRow("4:2:0 without tables, full") << true << true << QSize(640, 360) << QSize(640, 360);
    }

    void picturesAtThePreviewSize()
    {
        QFETCH(bool, chroma420);
        QFETCH(bool, asCamera);
        QFETCH(QSize, preview);
        QFETCH(QSize, expected);
        const QByteArray still = rigPicture(640, 360);
        QVERIFY(!still.isEmpty());
        QByteArray jpeg = still;
        QJsonObject faults;
        if (chroma420 || asCamera) {
            // A camera sending 4:2:0 or leaving out its tables: the same picture
            // re-encoded, served from a file.
            jpeg = reencoded(still, chroma420 ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_YUVJ422P, asCamera);
            QVERIFY(!jpeg.isEmpty());
            const QString path = m_files.filePath(QStringLiteral("still420.mjpeg"));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            for (int i = 0; i < 4; ++i)
                file.write(jpeg);
            file.close();
            faults.insert(QStringLiteral("streamInput"),
                          QJsonObject{{QStringLiteral("format"), QStringLiteral("mjpeg")},
                                      {QStringLiteral("url"), path}});
        }
        int format = -1;
        const QImage reference = referencePicture(jpeg, expected, &format);
        QCOMPARE(format, int(chroma420 ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_YUVJ422P));

        QJsonObject stream = smallStream(640, 360);
        stream.insert(QStringLiteral("cycleFrames"), 1);
        testsupport::SimEnvironment env(rigJson(stream, faults));
        PreviewRun run(captureName(env.rig()), preview);
        run.begin();
        QTRY_VERIFY_WITH_TIMEOUT(run.received >= 3, 20000);
        for (const QImage &picture : run.pictures) {
            QCOMPARE(picture.size(), expected);
            QCOMPARE(picture.format(), QImage::Format_RGB32);
            const double difference = meanDifference(picture, reference);
            const double tolerance = expected.width() <= 640 / 4 ? 7.0 : 5.0;
            QVERIFY2(difference >= 0 && difference < tolerance, qPrintable(QString::number(difference)));
        }
        // The comparison tells pictures apart: the same picture a few pixels off is far.
        const QImage shifted = reference.copy(QRect(QPoint(8, 0), expected));
        const double far = meanDifference(run.pictures.first(), shifted);
        QVERIFY2(far > 12.0, qPrintable(QString::number(far)));
        run.end();
        QCOMPARE(run.finishedEmitted.load(), 1);
    }

    void theJpegDecoderAtEachReduction_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("asCamera");
        QTest::newRow("4:2:2") << int(AV_PIX_FMT_YUVJ422P) << false;
        QTest::newRow("4:2:0") << int(AV_PIX_FMT_YUVJ420P) << false;
        QTest::newRow("4:4:4") << int(AV_PIX_FMT_YUVJ444P) << false;
        QTest::newRow("4:2:2 without tables") << int(AV_PIX_FMT_YUVJ422P) << true;
        QTest::newRow("4:2:0 without tables") << int(AV_PIX_FMT_YUVJ420P) << true;
    }

    void theJpegDecoderAtEachReduction()
    {
        if (!JpegDecoder::available())
            QSKIP("built without libjpeg-turbo");
        QFETCH(int, format);
        QFETCH(bool, asCamera);
        // A size that does not divide by 8: the reduced sizes round up.
        const QByteArray jpeg = reencoded(rigPicture(646, 362), static_cast<AVPixelFormat>(format), asCamera);
        QVERIFY(!jpeg.isEmpty());
        QCOMPARE(jpeg.contains("\xFF\xC4"), !asCamera);
        const auto *data = reinterpret_cast<const uint8_t *>(jpeg.constData());
        const std::size_t size = static_cast<std::size_t>(jpeg.size());
        JpegDecoder decoder;
        const QList<QSize> sizes = {QSize(646, 362), QSize(323, 181), QSize(162, 91), QSize(81, 46)};
        for (int reduction = 0; reduction < 4; ++reduction) {
            QVERIFY(decoder.decode(data, size, QSize(646, 362), reduction));
            QCOMPARE(decoder.size(), sizes[reduction]);
            const QImage picture = convertedPicture(decoder);
            // Close to the whole picture scaled down: about as close as FFmpeg's own
            // reduced decode comes (the smaller, the more fine detail a reduced decode
            // leaves out), and near at full and at half size, the preview's usual case.
            const QImage full = referencePicture(jpeg, sizes[reduction]);
            const double difference = meanDifference(picture, full);
            const double ffmpegDifference = meanDifference(referencePicture(jpeg, sizes[reduction], nullptr, reduction), full);
            QVERIFY2(difference >= 0 && difference < ffmpegDifference * 1.3 + 1.0,
                     qPrintable(QStringLiteral("%1 against FFmpeg's %2").arg(difference).arg(ffmpegDifference)));
            if (reduction < 2)
                QVERIFY2(difference < (reduction == 0 ? 2.0 : 5.0), qPrintable(QString::number(difference)));
        }

        // Refused, for FFmpeg to decode: another size than the stream's, a reduction
        // beyond an eighth, something that is no picture at all, an empty packet.
        QVERIFY(!decoder.decode(data, size, QSize(640, 360), 0));
        QVERIFY(!decoder.decode(data, size, QSize(646, 362), 4));
        const QByteArray garbage(4096, '\x5a');
        QVERIFY(!decoder.decode(reinterpret_cast<const uint8_t *>(garbage.constData()), 4096, QSize(646, 362), 1));
        QVERIFY(!decoder.decode(data, 0, QSize(646, 362), 1));
        QVERIFY(decoder.size().isEmpty());
        // A picture cut short after its headers: refused or patched up, never a crash.
        decoder.decode(data, size / 3, QSize(646, 362), 1);
        // And the next good picture decodes as before.
        QVERIFY(decoder.decode(data, size, QSize(646, 362), 1));
        QCOMPARE(decoder.size(), QSize(323, 181));
    }

    void picturesFollowTheWindowsSize()
    {
        QJsonObject stream = smallStream(640, 360);
        stream.insert(QStringLiteral("cycleFrames"), 1);
        testsupport::SimEnvironment env(rigJson(stream));
        sim::SimCamera *camera = env.rig().camera(QStringLiteral("cam1"));
        PreviewRun run(captureName(env.rig()), QSize(640, 360));
        run.begin();
        QTRY_VERIFY_WITH_TIMEOUT(run.received >= 2, 20000);
        QCOMPARE(run.lastSize, QSize(640, 360));

        // The window shrinks: the next pictures come at the new size, decoded at half.
        run.worker->setPreviewSize(QSize(300, 300));
        QCOMPARE(run.worker->previewSize(), QSize(300, 300));
        QTRY_COMPARE_WITH_TIMEOUT(run.lastSize, QSize(300, 168), 20000);
        int at = run.received;
        QTRY_VERIFY_WITH_TIMEOUT(run.received >= at + 2, 20000);
        QCOMPARE(run.lastSize, QSize(300, 168));
        QVERIFY(meanDifference(run.lastPicture, referencePicture(rigPicture(640, 360), QSize(300, 168))) < 3.0);

        // The camera changes its size mid-stream: 1280x720 in the same area is shown
        // at 300x168 (a quarter-resolution decode)...
        camera->setFault(QStringLiteral("streamResize"), QStringLiteral("1280x720"));
        QTRY_VERIFY_WITH_TIMEOUT(
            meanDifference(run.lastPicture, referencePicture(rigPicture(1280, 720), QSize(300, 168))) >= 0
                && meanDifference(run.lastPicture, referencePicture(rigPicture(1280, 720), QSize(300, 168))) < 4.0,
            20000);
        at = run.received;
        QTRY_VERIFY_WITH_TIMEOUT(run.received >= at + 2, 20000);
        QCOMPARE(run.lastSize, QSize(300, 168));

        // ...and a 320x240 one, taller in shape, at 300x225 from a full decode.
        camera->setFault(QStringLiteral("streamResize"), QStringLiteral("320x240"));
        QTRY_COMPARE_WITH_TIMEOUT(run.lastSize, QSize(300, 225), 20000);
        at = run.received;
        QTRY_VERIFY_WITH_TIMEOUT(run.received >= at + 2, 20000);
        QVERIFY(meanDifference(run.lastPicture, referencePicture(rigPicture(320, 240), QSize(300, 225))) < 3.0);

        // An empty size: the stream's own size again.
        run.worker->setPreviewSize(QSize());
        QTRY_COMPARE_WITH_TIMEOUT(run.lastSize, QSize(320, 240), 20000);
        QCOMPARE(countLogged(QStringLiteral("Decode Error.\n")), 0);
        run.end();
        QCOMPARE(run.finishedEmitted.load(), 1);
    }

    void reducedDecodeFromHalfTheFrame_data()
    {
        QTest::addColumn<QSize>("area");
        QTest::addColumn<QSize>("shown");
        QTest::addColumn<int>("reduction");
        // A 640x360 stream.
        QTest::newRow("full size") << QSize(640, 360) << QSize(640, 360) << 0;
        QTest::newRow("a pixel over half") << QSize(321, 181) << QSize(321, 181) << 0;
        QTest::newRow("half") << QSize(320, 180) << QSize(320, 180) << 1;
        QTest::newRow("half, wider area") << QSize(500, 180) << QSize(320, 180) << 1;
        QTest::newRow("a third") << QSize(213, 120) << QSize(213, 120) << 1;
        QTest::newRow("a pixel over a quarter") << QSize(161, 91) << QSize(161, 91) << 1;
        QTest::newRow("a quarter") << QSize(160, 90) << QSize(160, 90) << 2;
        QTest::newRow("an eighth") << QSize(80, 45) << QSize(80, 45) << 3;
        // 40x22 kept in shape is 39x22: a pixel short, so the picture fills the area.
        QTest::newRow("a sixteenth") << QSize(40, 22) << QSize(40, 22) << 3;
        // Shape kept unless it misses the area by no more than 2 pixels (or 0.5 %).
        QTest::newRow("two pixels short, filled") << QSize(640, 362) << QSize(640, 362) << 0;
        QTest::newRow("four pixels short, kept") << QSize(640, 364) << QSize(640, 360) << 0;
    }

    void reducedDecodeFromHalfTheFrame()
    {
        QFETCH(QSize, area);
        QFETCH(QSize, shown);
        QFETCH(int, reduction);
        testsupport::SimEnvironment env(rigJson(smallStream(640, 360)));
        PreviewRun run(captureName(env.rig()), area);
        run.begin();
        QTRY_VERIFY_WITH_TIMEOUT(run.received >= 3, 20000);
        QCOMPARE(run.lastSize, shown);
        QCOMPARE(run.worker->decodeReduction(), reduction);
        run.end();
        QCOMPARE(run.finishedEmitted.load(), 1);
    }

    void theWindowTakesTheLatestPicture()
    {
        // The camera sends six pictures of its moving pattern and then nothing; the
        // window gets round to taking one only when all six have been decoded.
        testsupport::SimEnvironment env(rigJson(smallStream(320, 240), {{QStringLiteral("streamStallAfter"), 6}}));
        PreviewRun run(captureName(env.rig()), QSize(), false);
        run.begin();
        // Waiting without handling events, as a busy window does.
        for (int i = 0; i < 2000 && run.worker->picturesDecoded() < 6; ++i)
            QThread::msleep(10);
        QCOMPARE(run.worker->picturesDecoded(), quint64(6));
        QCOMPARE(run.received, 0);
        // One notice for all six.
        QCOMPARE(run.emitted.load(), 1);
        QTRY_COMPARE(run.received, 1);
        QCOMPARE(run.notices, 1);

        // The picture taken is the sixth, the latest: nearer to it than to any earlier one.
        const auto frames = sim::SimMjpegPattern::frames(320, 240, 30);
        QVERIFY(frames && frames->size() == 30);
        const double toSixth = meanDifference(run.lastPicture, referencePicture(frames->at(5), QSize(320, 240)));
        QVERIFY2(toSixth >= 0 && toSixth < 5.0, qPrintable(QString::number(toSixth)));
        for (size_t earlier = 0; earlier < 5; ++earlier) {
            const double difference =
                meanDifference(run.lastPicture, referencePicture(frames->at(earlier), QSize(320, 240)));
            QVERIFY2(difference > toSixth, qPrintable(QStringLiteral("picture %1: %2 against %3")
                                                          .arg(earlier + 1)
                                                          .arg(difference)
                                                          .arg(toSixth)));
        }
        run.end();
        QCOMPARE(run.finishedEmitted.load(), 1);
    }

    void aSlowConsumerKeepsOnePictureWaiting()
    {
        testsupport::SimEnvironment env(rigJson(smallStream(320, 240)));
        sim::SimStreamServer &stream = env.rig().camera(QStringLiteral("cam1"))->stream();
        PreviewRun run(captureName(env.rig()), QSize(), false);
        run.begin();
        QTRY_VERIFY_WITH_TIMEOUT(run.received >= 2, 20000);

        // The window is busy (handles no event) while the camera sends ten more
        // pictures: one notice and one picture wait, the rest replace it. Waited for by
        // the camera's count, not by the clock, so a slow machine waits longer.
        const int noticesBefore = run.emitted;
        const qint64 sentBefore = stream.framesSent();
        for (int i = 0; i < 6000 && stream.framesSent() - sentBefore < 10; ++i)
            QThread::msleep(10);
        QVERIFY(stream.framesSent() - sentBefore >= 10);
        QVERIFY2(run.emitted - noticesBefore <= 1, qPrintable(QString::number(run.emitted - noticesBefore)));
        const int receivedBefore = run.received;
        QCoreApplication::processEvents();
        QVERIFY(run.received - receivedBefore <= 1);

        // The hand-over goes on as before.
        const int after = run.received;
        QTRY_VERIFY_WITH_TIMEOUT(run.received >= after + 3, 20000);
        run.end();
        QCOMPARE(run.finishedEmitted.load(), 1);
    }

    void stopDuringAReducedDecode()
    {
        // A 1920x1080 stream served as fast as it is read, shown at a quarter: the
        // worker is always decoding when the stop comes.
        QJsonObject stream = smallStream(1920, 1080);
        stream.insert(QStringLiteral("paced"), false);
        testsupport::SimEnvironment env(rigJson(stream));
        PreviewRun run(captureName(env.rig()), QSize(480, 270));
        run.begin();
        QTRY_VERIFY_WITH_TIMEOUT(run.received >= 5, 30000);
        QCOMPARE(run.lastSize, QSize(480, 270));
        // A stop that the decode did not see would leave end() waiting for the thread.
        run.end();
        QCOMPARE(run.finishedEmitted.load(), 1);
        QVERIFY(run.workerDestroyed);
    }

    void packetsAreDrainedUndecodedWhileDecodingIsOff()
    {
        testsupport::SimEnvironment env(rigJson(smallStream(320, 240)));
        sim::SimStreamServer &stream = env.rig().camera(QStringLiteral("cam1"))->stream();
        PreviewRun run(captureName(env.rig()));
        const auto readsMore = [&run](quint64 more) {
            const quint64 target = run.worker->packetsRead() + more;
            return QTest::qWaitFor([&] { return run.worker->packetsRead() >= target; }, 20000);
        };
        // Off from the start, as for a window opened minimised: the camera streams and
        // every packet is read, none decoded, none handed over.
        run.worker->setDecoding(false);
        QVERIFY(!run.worker->isDecoding());
        run.begin();
        QTRY_VERIFY_WITH_TIMEOUT(stream.streaming(), 20000);
        const qint64 sent = stream.framesSent();
        QVERIFY(readsMore(10));
        // The reads may have taken pictures sent before the count was taken (the socket
        // holds several): the camera's own count is waited for, not tied to the reads.
        QTRY_VERIFY_WITH_TIMEOUT(stream.framesSent() >= sent + 10, 20000);
        QCOMPARE(run.worker->picturesDecoded(), quint64(0));
        QCOMPARE(run.emitted.load(), 0);

        // On: the next packet read is decoded and handed over.
        run.worker->setDecoding(true);
        QVERIFY(readsMore(2));
        QVERIFY(run.worker->picturesDecoded() >= 1);
        QTRY_VERIFY_WITH_TIMEOUT(run.received >= 1, 20000);
        QCOMPARE(run.lastSize, QSize(320, 240));

        // Off again in the middle of the stream: after the packet in hand nothing more is
        // decoded, while the reads go on.
        run.worker->setDecoding(false);
        QVERIFY(readsMore(2));
        const quint64 decoded = run.worker->picturesDecoded();
        const int emitted = run.emitted;
        QVERIFY(readsMore(10));
        QCOMPARE(run.worker->picturesDecoded(), decoded);
        QCOMPARE(run.emitted.load(), emitted);
        QVERIFY(stream.streaming());

        run.worker->setDecoding(true);
        const int received = run.received;
        QTRY_VERIFY_WITH_TIMEOUT(run.received >= received + 2, 20000);
        QVERIFY(run.worker->picturesDecoded() > decoded);
        run.end();
        QCOMPARE(run.finishedEmitted.load(), 1);
        QVERIFY(!stream.streaming());
        for (const QString &failure : kOpenFailures)
            QCOMPARE(countLogged(failure), 0);
    }

private:
    QtMessageHandler m_previousHandler = nullptr;
    QTemporaryDir m_files;
};

LENSDESK_TEST_MAIN(TestPreview)
#include "tst_preview.moc"
