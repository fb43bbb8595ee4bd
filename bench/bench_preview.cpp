// Measures the live preview's whole per-frame path (read, decode, convert, hand-over)
// on a 1920x1080 MJPEG stream and prints, from one run, three paths side by side:
//   - the floor: FFmpeg's own command-line tool decoding and converting the clip to
//     BGRA at full size on one thread;
//   - the worker making its pictures at the stream's full size;
//   - the worker making them at the preview size (748x421 in the window's 750x421).
// For each: CPU per picture, the ratio to the floor and the peak resident memory (each
// worker path runs in a process of its own, so that the peaks do not mix).
// Then the whole application: the window over the rig's paced 1080p30 stream, its
// process's CPU per picture the camera sent while the picture is shown, and while the
// window is minimised (the worker drains the stream without decoding). It runs on the
// platform QT_QPA_PLATFORM names, offscreen when unset (xvfb-run works as well).
//
// Usage: bench_preview [--clip FILE.mjpeg] [--size WxH] [--window-pictures N] [frames]
//   Without --clip the rig's pattern is served without pacing (frames, default 3000,
//   with a picture taken as the window takes it; peak memory is printed at 1,000 and at
//   the last picture). With --clip the worker reads that raw MJPEG file once, to its
//   end.

#include "platform/Backend.h"
#include "platform/sim/SimBackend.h"
#include "platform/sim/SimMjpegPattern.h"
#include "platform/sim/SimRig.h"
#include "platform/sim/SimStreamServer.h"
#include "preview/VideoStreamThread.h"
#include "core/AppPaths.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QSettings>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QMap>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <pthread.h>
#include <time.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

extern char **environ;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kClipFrames = 300;
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
    long peakKb = 0;
};

// Runs a program with the given arguments and returns the CPU time and peak memory of
// that child.
Floor runChild(const char *program, const QList<QByteArray> &arguments)
{
    std::vector<char *> argv;
    QList<QByteArray> storage = arguments;
    storage.prepend(program);
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
    if (posix_spawnp(&pid, program, &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
            floor.ok = true;
            floor.cpuMs = toMs(usage.ru_utime) + toMs(usage.ru_stime);
            floor.peakKb = usage.ru_maxrss;
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
        const Floor f = runChild("ffmpeg", arguments);
        if (f.ok && (!best.ok || f.cpuMs < best.cpuMs))
            best = f;
    }
    return best;
}

double threadCpuMs(pthread_t thread)
{
    clockid_t clock;
    timespec ts{};
    if (pthread_getcpuclockid(thread, &clock) != 0 || clock_gettime(clock, &ts) != 0)
        return 0;
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

// The CPU time of each thread of this process so far, by role: the GUI thread, the
// preview worker ("preview"), the rig's stream server ("sim-stream") and the rest.
QMap<QString, double> cpuByThread()
{
    QMap<QString, double> roles;
    const int self = int(::getpid());
    const QStringList tasks = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &task : tasks) {
        const int tid = task.toInt();
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        const QString name = comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll().trimmed()) : QString();
        // A thread's own CPU clock, named from its id as the kernel defines it.
        const clockid_t clock = clockid_t((~unsigned(tid) << 3) | 6);
        timespec ts{};
        if (clock_gettime(clock, &ts) != 0)
            continue;
        QString role = QStringLiteral("other");
        if (tid == self)
            role = QStringLiteral("gui");
        else if (name == QLatin1String("preview") || name == QLatin1String("sim-stream"))
            role = name;
        roles[role] += ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
    }
    return roles;
}

// The number of pictures in a raw MJPEG file.
int countPictures(const QString &path)
{
    AVFormatContext *input = nullptr;
    const QByteArray file = QFile::encodeName(path);
    if (avformat_open_input(&input, file.constData(), av_find_input_format("mjpeg"), nullptr) < 0)
        return 0;
    AVPacket *packet = av_packet_alloc();
    int count = 0;
    while (packet && av_read_frame(input, packet) >= 0) {
        ++count;
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&input);
    return count;
}

// One worker path, in this process: the worker wired as the window wires it, its
// pictures taken on this (the "GUI") thread as the window's slot takes them. Prints one
// line of JSON with the figures.
int runWorker(QCoreApplication &app, const QString &clipPath, const QSize &previewSize, int frames, int slowGuiMs)
{
    QJsonObject stream{{QStringLiteral("width"), kWidth}, {QStringLiteral("height"), kHeight},
                       {QStringLiteral("fps"), 30}, {QStringLiteral("cycleFrames"), kClipFrames},
                       {QStringLiteral("paced"), false}};
    QJsonObject camera{{QStringLiteral("key"), QStringLiteral("cam1")}, {QStringLiteral("stream"), stream}};
    int clipPictures = 0;
    if (!clipPath.isEmpty()) {
        clipPictures = countPictures(clipPath);
        camera.insert(QStringLiteral("faults"),
                      QJsonObject{{QStringLiteral("streamInput"),
                                   QJsonObject{{QStringLiteral("format"), QStringLiteral("mjpeg")},
                                               {QStringLiteral("url"), clipPath}}}});
    }
    const QByteArray rigJson =
        QJsonDocument(QJsonObject{{QStringLiteral("cameras"), QJsonArray{camera}}}).toJson();
    QString error;
    auto rig = sim::SimRig::fromJson(rigJson, &error);
    if (!rig) {
        std::fprintf(stderr, "rig: %s\n", qPrintable(error));
        return 1;
    }
    sim::SimStreamServer &server = rig->camera(QStringLiteral("cam1"))->stream();
    const QString cameraName =
        rig->camera(QStringLiteral("cam1"))->monikerDisplayName().replace(QLatin1Char(':'), QLatin1Char('_'));
    platform::setBackend(std::make_unique<sim::SimBackend>(std::move(rig)));
    // The rig encodes its pattern once per process: done before the clock starts.
    if (clipPath.isEmpty())
        sim::SimMjpegPattern::frames(kWidth, kHeight, kClipFrames);

    auto *thread = new QThread;
    auto *worker = new VideoStreamThread(cameraName);
    worker->setPreviewSize(previewSize);
    worker->moveToThread(thread);
    QObject::connect(thread, &QThread::started, worker, &VideoStreamThread::start);
    QObject::connect(worker, &VideoStreamThread::workFinished, worker, &QObject::deleteLater);
    QObject::connect(worker, &QObject::destroyed, thread, &QThread::quit);
    std::atomic<pthread_t> workerThread{};
    QObject::connect(worker, &VideoStreamThread::workStart, worker, [&] { workerThread = pthread_self(); },
                     Qt::DirectConnection);

    // Marks: the first picture taken (after the opening) and the end.
    bool marked = false;
    double startProcess = 0, startThread = 0, startWall = 0;
    qint64 startSent = 0;
    int taken = 0;
    long peakAtMark = 0;
    QSize size;
    QElapsedTimer sinceLast;
    sinceLast.start();
    bool ended = false;
    double endProcess = 0, endThread = 0, endWall = 0;
    qint64 endSent = 0;
    const auto finish = [&] {
        if (ended)
            return;
        ended = true;
        endProcess = cpuMs(RUSAGE_SELF);
        endThread = threadCpuMs(workerThread);
        endWall = wallMs();
        endSent = server.framesSent();
        worker->stop();
        thread->quit();
        thread->wait();
        app.quit();
    };
    QObject receiver;
    QObject::connect(worker, &VideoStreamThread::onReader, &receiver, [&] {
        if (ended)
            return;
        const QImage image = worker->takePicture();
        if (image.isNull())
            return;
        sinceLast.restart();
        if (!marked && clipPath.isEmpty()) {
            marked = true;
            startProcess = cpuMs(RUSAGE_SELF);
            startThread = threadCpuMs(workerThread);
            startWall = wallMs();
            startSent = server.framesSent();
        }
        size = image.size();
        if (++taken == kMemoryMark)
            peakAtMark = statusKb("VmHWM:");
        if (slowGuiMs > 0)
            QThread::msleep(static_cast<unsigned long>(slowGuiMs));
        if (clipPath.isEmpty() && server.framesSent() - startSent >= frames)
            finish();
    });
    // A clip ends when the file does: no picture for a second.
    QTimer idle;
    QObject::connect(&idle, &QTimer::timeout, &receiver, [&] {
        if (taken > 0 && sinceLast.elapsed() > 1000)
            finish();
    });
    if (!clipPath.isEmpty()) {
        marked = true;
        startProcess = cpuMs(RUSAGE_SELF);
        startWall = wallMs();
        idle.start(100);
    }
    thread->start();
    app.exec();
    delete thread;
    platform::setBackend(nullptr);

    // On a clip the last second waited for nothing; its few failed reads cost next to
    // nothing, but its wall time is taken off.
    const double wall = endWall - startWall - (clipPath.isEmpty() ? 0 : 1000);
    const int pictures = clipPath.isEmpty() ? static_cast<int>(endSent - startSent) : clipPictures;
    const QJsonObject result{
                             {QStringLiteral("taken"), taken},
                             {QStringLiteral("width"), size.width()},
                             {QStringLiteral("height"), size.height()},
                             {QStringLiteral("processMs"), (endProcess - startProcess) / qMax(1, pictures)},
                             {QStringLiteral("threadMs"), (endThread - startThread) / qMax(1, pictures)},
                             {QStringLiteral("fps"), pictures / (wall / 1000.0)},
                             {QStringLiteral("peakAtMarkKb"), double(peakAtMark)},
                             {QStringLiteral("peakAtEndKb"), double(statusKb("VmHWM:"))}};
    std::printf("%s\n", QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    return 0;
}

// Runs one worker path in a child process (this program, --worker); its figures and
// its peak memory.
QJsonObject workerPath(const QString &clipPath, const QString &size, int frames, int slowGuiMs, long *peakKb)
{
    QTemporaryDir folder;
    const QString out = folder.filePath(QStringLiteral("result.json"));
    QList<QByteArray> arguments{"--worker", QFile::encodeName(out), "--size", size.toUtf8(), "--slow-gui",
                                QByteArray::number(slowGuiMs)};
    if (!clipPath.isEmpty())
        arguments << "--clip" << QFile::encodeName(clipPath);
    arguments << QByteArray::number(frames);
    const Floor child = runChild("/proc/self/exe", arguments);
    *peakKb = child.peakKb;
    QFile result(out);
    if (!child.ok || !result.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(result.readAll()).object();
}

// The whole application in this process: the window over a rig camera streaming 1080p30
// as a camera does (paced), on a home and application folder of its own. Measures the
// process's CPU over `pictures` pictures sent with the picture shown, then as many with
// the window minimised. Prints one line of JSON.
int runWindow(QApplication &app, int pictures)
{
    QJsonObject rigConfig = QJsonDocument::fromJson(sim::SimRig::defaultRigJson()).object();
    QJsonArray cameras = rigConfig.value(QStringLiteral("cameras")).toArray();
    QJsonObject camera = cameras.at(0).toObject();
    camera.insert(QStringLiteral("stream"),
                  QJsonObject{{QStringLiteral("width"), kWidth}, {QStringLiteral("height"), kHeight},
                              {QStringLiteral("fps"), 30}, {QStringLiteral("cycleFrames"), kClipFrames}});
    cameras.replace(0, camera);
    rigConfig.insert(QStringLiteral("cameras"), cameras);
    QString error;
    auto rig = sim::SimRig::fromJson(QJsonDocument(rigConfig).toJson(), &error);
    if (!rig) {
        std::fprintf(stderr, "rig: %s\n", qPrintable(error));
        return 1;
    }
    sim::SimStreamServer &server = rig->camera(QStringLiteral("cam1"))->stream();
    platform::setBackend(std::make_unique<sim::SimBackend>(std::move(rig)));
    sim::SimMjpegPattern::frames(kWidth, kHeight, kClipFrames);
    {
        QSettings product(applicationDir() + QStringLiteral("/product.ini"), QSettings::IniFormat);
        product.setValue(QStringLiteral("/product_model/main"), 2);
    }

    auto window = std::make_unique<MainWindow>();
    window->show();

    struct Mark { double cpu; qint64 sent; quint64 decoded; QMap<QString, double> threads; };
    const auto mark = [&] {
        const VideoStreamThread *worker = window->previewWorker();
        return Mark{cpuMs(RUSAGE_SELF), server.framesSent(), worker ? worker->picturesDecoded() : 0, cpuByThread()};
    };
    // Runs the application until the condition holds, checked twice a second: the checks
    // wake the GUI thread, whose cost is part of what is measured.
    const auto runUntil = [&](const std::function<bool()> &done) {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &app, [&] {
            if (done())
                app.quit();
        });
        poll.start(500);
        app.exec();
    };
    // Settled: the preview has shown some pictures.
    runUntil([&] { return window->previewWorker() && window->previewWorker()->picturesDecoded() >= 30; });

    const Mark shownStart = mark();
    runUntil([&] { return server.framesSent() >= shownStart.sent + pictures; });
    const Mark shownEnd = mark();

    window->showMinimized();
    // The packets already in hand are left behind before measuring.
    const qint64 minimisedAt = server.framesSent();
    runUntil([&] { return server.framesSent() >= minimisedAt + 30; });
    const Mark hiddenStart = mark();
    runUntil([&] { return server.framesSent() >= hiddenStart.sent + pictures; });
    const Mark hiddenEnd = mark();

    const auto perPicture = [](const Mark &a, const Mark &b) {
        return (b.cpu - a.cpu) / qMax<qint64>(1, b.sent - a.sent);
    };
    // Per picture, by thread; threads that ended between the marks count in "other" of
    // the process figure only.
    const auto byThread = [](const Mark &a, const Mark &b) {
        QJsonObject threads;
        const double pictures = double(qMax<qint64>(1, b.sent - a.sent));
        for (auto it = b.threads.cbegin(); it != b.threads.cend(); ++it)
            threads.insert(it.key(), (it.value() - a.threads.value(it.key())) / pictures);
        return threads;
    };
    const QJsonObject result{
        {QStringLiteral("shownThreads"), QJsonValue(byThread(shownStart, shownEnd))},
        {QStringLiteral("hiddenThreads"), QJsonValue(byThread(hiddenStart, hiddenEnd))},{QStringLiteral("pictures"), pictures},
        {QStringLiteral("platform"), QGuiApplication::platformName()},
        {QStringLiteral("shownMs"), perPicture(shownStart, shownEnd)},
        {QStringLiteral("shownPictures"), double(shownEnd.sent - shownStart.sent)},
        {QStringLiteral("shownDecoded"), double(shownEnd.decoded - shownStart.decoded)},
        {QStringLiteral("hiddenMs"), perPicture(hiddenStart, hiddenEnd)},
        {QStringLiteral("hiddenPictures"), double(hiddenEnd.sent - hiddenStart.sent)},
        {QStringLiteral("hiddenDecoded"), double(hiddenEnd.decoded - hiddenStart.decoded)},
        {QStringLiteral("streaming"), server.streaming()}};
    window.reset();
    platform::setBackend(nullptr);
    std::printf("%s\n", QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    return 0;
}

// Runs the whole application in a child process (this program, --window).
QJsonObject windowPath(int pictures, long *peakKb)
{
    QTemporaryDir folder;
    const QString out = folder.filePath(QStringLiteral("window.json"));
    const Floor child = runChild("/proc/self/exe", {"--window", QFile::encodeName(out), "--window-pictures",
                                                    QByteArray::number(pictures)});
    *peakKb = child.peakKb;
    QFile result(out);
    if (!child.ok || !result.open(QIODevice::ReadOnly))
        return {};
    // The camera layer prints lines of its own on standard output; the figures come last.
    const QList<QByteArray> lines = result.readAll().trimmed().split('\n');
    return QJsonDocument::fromJson(lines.last()).object();
}

QSize parseSize(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('x'));
    return parts.size() == 2 ? QSize(parts[0].toInt(), parts[1].toInt()) : QSize();
}

} // namespace

// The whole application's child: a window needs a GUI application, made before
// anything else, on its own home and application folder.
int windowChild(int argc, char *argv[])
{
    QTemporaryDir home, appFolder;
    if (!home.isValid() || !appFolder.isValid())
        return 1;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/.local/share")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    setApplicationDirOverride(appFolder.path());
    // The window's diagnostics would only cost the measurement a terminal.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    QString out;
    int pictures = 300;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--window"))
            out = args[++i];
        else if (args[i] == QLatin1String("--window-pictures"))
            pictures = qMax(30, args[++i].toInt());
    }
    if (out.isEmpty() || !std::freopen(QFile::encodeName(out).constData(), "w", stdout))
        return 1;
    return runWindow(app, pictures);
}

int main(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--window") == 0)
            return windowChild(argc, argv);
    }
    QCoreApplication app(argc, argv);
    QString clipArgPath;
    QString sizeText = QStringLiteral("750x421");
    QString workerOut;
    int slowGuiMs = 0;
    int frames = 3000;
    int windowPictures = 300;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--clip") && i + 1 < args.size())
            clipArgPath = args[++i];
        else if (args[i] == QLatin1String("--size") && i + 1 < args.size())
            sizeText = args[++i];
        else if (args[i] == QLatin1String("--worker") && i + 1 < args.size())
            workerOut = args[++i];
        else if (args[i] == QLatin1String("--slow-gui") && i + 1 < args.size())
            slowGuiMs = args[++i].toInt();
        else if (args[i] == QLatin1String("--window-pictures") && i + 1 < args.size())
            windowPictures = qMax(30, args[++i].toInt());
        else
            frames = qMax(kMemoryMark + 100, args[i].toInt());
    }

    if (!workerOut.isEmpty()) {
        // A child: one path, figures to the file.
        if (!std::freopen(QFile::encodeName(workerOut).constData(), "w", stdout))
            return 1;
        const QSize size = sizeText == QLatin1String("full") ? QSize() : parseSize(sizeText);
        return runWorker(app, clipArgPath, size, frames, slowGuiMs);
    }

    QTemporaryDir folder;
    QString clipPath = clipArgPath;
    if (clipPath.isEmpty()) {
        const auto clip = sim::SimMjpegPattern::frames(kWidth, kHeight, kClipFrames);
        if (!folder.isValid() || clip->empty()) {
            std::fprintf(stderr, "cannot make the clip\n");
            return 1;
        }
        clipPath = folder.filePath(QStringLiteral("clip.mjpeg"));
        QFile clipFile(clipPath);
        if (!clipFile.open(QIODevice::WriteOnly))
            return 1;
        for (const QByteArray &picture : *clip)
            clipFile.write(picture);
    }
    const int clipPictures = countPictures(clipPath);
    const qint64 clipBytes = QFileInfo(clipPath).size();
    std::printf("clip: %s, %d pictures, %.1f KiB per picture on average\n",
                clipArgPath.isEmpty() ? "the rig's pattern (1920x1080, 4:2:2)" : qPrintable(clipArgPath),
                clipPictures, clipBytes / 1024.0 / qMax(1, clipPictures));
    std::printf("worker input: %s; preview area %s%s\n",
                clipArgPath.isEmpty() ? qPrintable(QStringLiteral("the rig's stream without pacing, %1 pictures")
                                                       .arg(frames))
                                      : "the clip, once",
                qPrintable(sizeText),
                slowGuiMs > 0 ? qPrintable(QStringLiteral(", GUI taking %1 ms per picture").arg(slowGuiMs)) : "");
    {
        QFile load(QStringLiteral("/proc/loadavg"));
        if (load.open(QIODevice::ReadOnly))
            std::printf("load before the run (/proc/loadavg): %s", load.readAll().constData());
    }

    // The floor: decoding and converting the clip to BGRA at full size on one thread.
    const QByteArray clipArg = QFile::encodeName(clipPath);
    const Floor floor = bestOf(3, {"-hide_banner", "-loglevel", "error", "-nostats", "-threads", "1", "-f",
                                   "mjpeg", "-i", clipArg, "-pix_fmt", "bgra", "-f", "null", "-"});
    const double floorMs = floor.ok ? floor.cpuMs / qMax(1, clipPictures) : 0;

    long fullPeak = 0;
    long previewPeak = 0;
    const QJsonObject full = workerPath(clipArgPath, QStringLiteral("full"), frames, slowGuiMs, &fullPeak);
    const QJsonObject preview = workerPath(clipArgPath, sizeText, frames, slowGuiMs, &previewPeak);

    std::printf("\n%-44s %10s %8s %10s %10s\n", "path", "CPU ms/pic", "ratio", "peak RSS", "pictures");
    if (floor.ok)
        std::printf("%-44s %10.2f %8.2f %7ld MiB %10d\n", "floor: ffmpeg -threads 1 ... -pix_fmt bgra", floorMs,
                    1.0, floor.peakKb / 1024, clipPictures);
    else
        std::printf("floor: ffmpeg did not run\n");
    const auto row = [&](const char *name, const QJsonObject &r, long peakKb) {
        if (r.isEmpty()) {
            std::printf("%-44s did not run\n", name);
            return;
        }
        const double ms = r.value(QStringLiteral("processMs")).toDouble();
        const QString label = QStringLiteral("%1 (%2x%3)")
                                  .arg(QLatin1String(name))
                                  .arg(r.value(QStringLiteral("width")).toInt())
                                  .arg(r.value(QStringLiteral("height")).toInt());
        std::printf("%-44s %10.2f %8.2f %7ld MiB %10d\n", qPrintable(label), ms, floorMs > 0 ? ms / floorMs : 0.0,
                    peakKb / 1024, r.value(QStringLiteral("pictures")).toInt());
    };
    row("worker, full size", full, fullPeak);
    row("worker, preview size", preview, previewPeak);
    std::printf("\n(CPU of the whole process, rig server and receiving thread included; worker thread alone: "
                "%.2f and %.2f ms/pic)\n",
                full.value(QStringLiteral("threadMs")).toDouble(), preview.value(QStringLiteral("threadMs")).toDouble());
    for (const auto &[name, r] : {std::make_pair("full size", full), std::make_pair("preview size", preview)}) {
        if (r.value(QStringLiteral("peakAtMarkKb")).toDouble() > 0)
            std::printf("%s: %.1f fps, %d pictures taken; peak RSS %.0f KiB at picture %d, %.0f KiB at the end\n",
                        name, r.value(QStringLiteral("fps")).toDouble(), r.value(QStringLiteral("taken")).toInt(),
                        r.value(QStringLiteral("peakAtMarkKb")).toDouble(), kMemoryMark,
                        r.value(QStringLiteral("peakAtEndKb")).toDouble());
        else
            std::printf("%s: %.1f fps, %d pictures taken\n", name, r.value(QStringLiteral("fps")).toDouble(),
                        r.value(QStringLiteral("taken")).toInt());
    }

    // The whole application, picture shown and window minimised.
    long windowPeak = 0;
    const QJsonObject window = windowPath(windowPictures, &windowPeak);
    if (window.isEmpty())
        return std::printf("\nwindow: did not run\n") < 0;
    std::printf("\nwhole application on the %s platform, the rig's paced 1920x1080 30 fps stream, %d pictures each:\n",
                qPrintable(window.value(QStringLiteral("platform")).toString()), windowPictures);
    std::printf("%-44s %10s %8s %10s %10s\n", "window", "CPU ms/pic", "% core", "decoded", "pictures");
    for (const auto &[name, key] : {std::make_pair("window, picture shown", "shown"),
                                    std::make_pair("window minimised", "hidden")}) {
        const double ms = window.value(QLatin1String(key) + QLatin1String("Ms")).toDouble();
        std::printf("%-44s %10.2f %7.1f%% %10d %10d\n", name, ms, ms * 30 / 10.0,
                    window.value(QLatin1String(key) + QLatin1String("Decoded")).toInt(),
                    window.value(QLatin1String(key) + QLatin1String("Pictures")).toInt());
        const QJsonObject threads = window.value(QLatin1String(key) + QLatin1String("Threads")).toObject();
        for (const QString &role : {QStringLiteral("preview"), QStringLiteral("gui"), QStringLiteral("sim-stream"),
                                    QStringLiteral("other")}) {
            const double t = threads.value(role).toDouble();
            std::printf("  %-42s %10.2f %7.1f%%\n", qPrintable(QStringLiteral("thread: ") + role), t, t * 30 / 10.0);
        }
        const double withoutRig = ms - threads.value(QStringLiteral("sim-stream")).toDouble();
        std::printf("  %-42s %10.2f %7.1f%%\n", "the application without the rig's server", withoutRig,
                    withoutRig * 30 / 10.0);
    }
    std::printf("(CPU of the whole process, rig included; peak RSS %ld MiB; camera still streaming at the end: %s)\n",
                windowPeak / 1024, window.value(QStringLiteral("streaming")).toBool() ? "yes" : "no");
    return 0;
}
