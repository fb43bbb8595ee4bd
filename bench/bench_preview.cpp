// Measures the live preview's whole per-frame path (read, decode, convert, copy,
// hand-over to the GUI thread) on a 1920x1080 MJPEG stream served by the rig without
// pacing, and prints beside it the floor: FFmpeg's own command-line tool decoding and
// converting the same clip to BGRA on one thread.
//
// Usage: bench_preview [frames]   (default 10000; peak memory is printed at 1,000 and
// at the last frame)

#include "platform/Backend.h"
#include "platform/sim/SimBackend.h"
#include "platform/sim/SimMjpegPattern.h"
#include "platform/sim/SimRig.h"
#include "preview/VideoStreamThread.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

extern char **environ;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kClipFrames = 300;
constexpr int kWarmUpFrames = 100;
constexpr int kMemoryMark = 1000;

double toMs(const timeval &tv)
{
    return tv.tv_sec * 1000.0 + tv.tv_usec / 1000.0;
}

double cpuMs(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return toMs(usage.ru_utime) + toMs(usage.ru_stime);
}

double wallMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// A "VmRSS:"-style line of /proc/self/status, in KiB.
long statusKb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix(key);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

struct Floor
{
    bool ok = false;
    double cpuMs = 0;
    double wallMs = 0;
};

// Runs ffmpeg with the given arguments and returns the CPU time of that child.
Floor runFfmpeg(const QList<QByteArray> &arguments)
{
    std::vector<char *> argv;
    QList<QByteArray> storage = arguments;
    storage.prepend("ffmpeg");
    for (QByteArray &a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    Floor floor;
    const double start = wallMs();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "ffmpeg", &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
            floor.ok = true;
            floor.cpuMs = toMs(usage.ru_utime) + toMs(usage.ru_stime);
        }
    }
    floor.wallMs = wallMs() - start;
    posix_spawn_file_actions_destroy(&actions);
    return floor;
}

Floor bestOf(int runs, const QList<QByteArray> &arguments)
{
    Floor best;
    for (int i = 0; i < runs; ++i) {
        const Floor f = runFfmpeg(arguments);
        if (f.ok && (!best.ok || f.cpuMs < best.cpuMs))
            best = f;
    }
    return best;
}

// What the worker's own thread and the process look like at one picture.
struct Mark
{
    double wall = 0;
    double threadCpu = 0;
    double processCpu = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int total = qMax(kMemoryMark + kWarmUpFrames, argc > 1 ? QByteArray(argv[1]).toInt() : 10000);

    QTemporaryDir folder;
    const auto clip = sim::SimMjpegPattern::frames(kWidth, kHeight, kClipFrames);
    if (!folder.isValid() || clip->empty()) {
        std::fprintf(stderr, "cannot make the clip\n");
        return 1;
    }
    const QString clipPath = folder.filePath(QStringLiteral("clip.mjpeg"));
    QFile clipFile(clipPath);
    qint64 clipBytes = 0;
    if (!clipFile.open(QIODevice::WriteOnly))
        return 1;
    for (const QByteArray &picture : *clip)
        clipBytes += clipFile.write(picture);
    clipFile.close();

    const AVCodec *mjpeg = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
    AVCodecContext *probe = avcodec_alloc_context3(mjpeg);
    const int decoderThreads = probe ? probe->thread_count : -1;
    avcodec_free_context(&probe);

    std::printf("clip: %d pictures of %dx%d MJPEG (4:2:2), %.1f KiB per picture on average\n", kClipFrames,
                kWidth, kHeight, clipBytes / 1024.0 / kClipFrames);
    std::printf("decoder threads of a context opened without options (as the worker opens it): %d\n",
                decoderThreads);
    {
        QFile load(QStringLiteral("/proc/loadavg"));
        if (load.open(QIODevice::ReadOnly))
            std::printf("load before the run (/proc/loadavg): %s", load.readAll().constData());
    }

    // The floor: the prescribed command, and the same with the clip looped ten times
    // so that the tool's start-up is spread over more pictures.
    const QByteArray clipArg = QFile::encodeName(clipPath);
    const Floor floor = bestOf(3, {"-hide_banner", "-loglevel", "error", "-nostats", "-threads", "1", "-f",
                                   "mjpeg", "-i", clipArg, "-pix_fmt", "bgra", "-f", "null", "-"});
    // (The looped input repeats timestamps, which the null muxer would complain about.)
    const Floor floorLooped = bestOf(3, {"-hide_banner", "-loglevel", "fatal", "-nostats", "-threads", "1",
                                         "-stream_loop", "9", "-f", "mjpeg", "-i", clipArg, "-pix_fmt", "bgra",
                                         "-f", "null", "-"});
    if (!floor.ok)
        std::printf("floor: ffmpeg did not run\n");

    // The worker, wired as the window wires it, on the rig's stream served as fast as
    // it is read.
    const QByteArray rigJson = QStringLiteral(R"({"cameras":[{"key":"cam1","stream":{"width":%1,"height":%2,
        "fps":30,"cycleFrames":%3,"paced":false}}]})")
                                   .arg(kWidth)
                                   .arg(kHeight)
                                   .arg(kClipFrames)
                                   .toUtf8();
    QString error;
    auto rig = sim::SimRig::fromJson(rigJson, &error);
    if (!rig) {
        std::fprintf(stderr, "rig: %s\n", qPrintable(error));
        return 1;
    }
    const QString cameraName =
        rig->camera(QStringLiteral("cam1"))->monikerDisplayName().replace(QLatin1Char(':'), QLatin1Char('_'));
    platform::setBackend(std::make_unique<sim::SimBackend>(std::move(rig)));

    auto *thread = new QThread;
    auto *worker = new VideoStreamThread(cameraName);
    worker->moveToThread(thread);
    QObject::connect(thread, &QThread::started, worker, &VideoStreamThread::start);
    QObject::connect(worker, &VideoStreamThread::workFinished, worker, &QObject::deleteLater);
    QObject::connect(worker, &QObject::destroyed, thread, &QThread::quit);

    // Marks taken on the worker's thread as it hands each picture over.
    std::array<Mark, 2> marks; // warm-up done, last
    std::atomic<int> emitted{0};
    QObject::connect(worker, &VideoStreamThread::onReader, worker, [&]() {
        const int n = ++emitted;
        const int slot = n == kWarmUpFrames ? 0 : n == total ? 1 : -1;
        if (slot >= 0)
            marks[static_cast<size_t>(slot)] = Mark{wallMs(), cpuMs(RUSAGE_THREAD), cpuMs(RUSAGE_SELF)};
    }, Qt::DirectConnection);

    // The receiving end, as the window's slot: takes the picture and drops it.
    QObject receiver;
    int received = 0;
    long rss[2] = {0, 0};
    long peak[2] = {0, 0};
    long backlog[2] = {0, 0};
    QSize size;
    QObject::connect(worker, &VideoStreamThread::onReader, &receiver, [&]() {
        const QImage image = worker->takePicture();
        if (image.isNull())
            return;
        ++received;
        size = image.size();
        const int slot = received == kMemoryMark ? 0 : received == total ? 1 : -1;
        if (slot >= 0) {
            rss[slot] = statusKb("VmRSS:");
            peak[slot] = statusKb("VmHWM:");
            backlog[slot] = emitted - received;
        }
        if (received == total) {
            worker->stop();
            thread->quit();
            thread->wait();
            app.quit();
        }
    });

    const double runStart = wallMs();
    thread->start();
    app.exec();
    const double runWall = wallMs() - runStart;
    delete thread;

    const int measured = total - kWarmUpFrames;
    const Mark &a = marks[0];
    const Mark &b = marks[1];
    const double fps = measured / ((b.wall - a.wall) / 1000.0);
    const double processPerFrame = (b.processCpu - a.processCpu) / measured;
    const double threadPerFrame = (b.threadCpu - a.threadCpu) / measured;

    std::printf("\nfloor, ffmpeg -threads 1 -f mjpeg -i CLIP -pix_fmt bgra -f null - (best of 3):\n");
    std::printf("  %d pictures: %.1f fps, %.3f ms CPU per picture\n", kClipFrames,
                kClipFrames / (floor.wallMs / 1000.0), floor.cpuMs / kClipFrames);
    std::printf("  same, -stream_loop 9 (%d pictures): %.1f fps, %.3f ms CPU per picture\n", kClipFrames * 10,
                kClipFrames * 10 / (floorLooped.wallMs / 1000.0), floorLooped.cpuMs / (kClipFrames * 10));
    std::printf("\nworker, %d pictures of %dx%d (%d after %d of warm-up), %.1f s:\n", total, size.width(),
                size.height(), measured, kWarmUpFrames, runWall / 1000.0);
    std::printf("  %.1f fps\n", fps);
    std::printf("  %.3f ms CPU per picture, whole process (worker, rig server, receiving thread)\n",
                processPerFrame);
    std::printf("  %.3f ms CPU per picture, worker thread alone\n", threadPerFrame);
    if (floor.ok) {
        std::printf("  ratio to the floor: %.2f (process), %.2f (worker thread); target <= 1.25\n",
                    processPerFrame / (floor.cpuMs / kClipFrames), threadPerFrame / (floor.cpuMs / kClipFrames));
        if (floorLooped.ok)
            std::printf("  ratio to the looped floor: %.2f (process), %.2f (worker thread)\n",
                        processPerFrame / (floorLooped.cpuMs / (kClipFrames * 10)),
                        threadPerFrame / (floorLooped.cpuMs / (kClipFrames * 10)));
    }
    std::printf("\nmemory at picture %d: RSS %ld KiB, peak %ld KiB, %ld pictures queued\n", kMemoryMark, rss[0],
                peak[0], backlog[0]);
    std::printf("memory at picture %d: RSS %ld KiB, peak %ld KiB, %ld pictures queued\n", total, rss[1], peak[1],
                backlog[1]);
    std::printf("peak growth from picture %d to %d: %ld KiB\n", kMemoryMark, total, peak[1] - peak[0]);

    platform::setBackend(nullptr);
    return 0;
}
