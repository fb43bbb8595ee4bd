#pragma once
#include "platform/CaptureInput.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <atomic>
#include <mutex>
#include <thread>

namespace sim {

class SimCamera;

// The MJPEG stream of a rig camera, served to FFmpeg at the camera's configured size
// and rate while a capture input is open on it. Each camera listens on a local
// socket of its own (started on the first open); a server thread writes the
// pre-encoded pictures of a moving test pattern to the one client it serves, in
// real time (or as fast as the client reads, for benchmarks).
class SimStreamServer
{
public:
    // One capture mode the camera offers.
    struct Mode
    {
        int width = 0;
        int height = 0;
        int fps = 0;
    };

    SimStreamServer(SimCamera &camera, const QJsonObject &config);
    ~SimStreamServer();
    SimStreamServer(const SimStreamServer &) = delete;
    SimStreamServer &operator=(const SimStreamServer &) = delete;

    // The input FFmpeg opens for this camera, given what the caller asks for: the camera
    // refuses a format, size or rate it does not offer.
    platform::CaptureInput captureInput(const platform::CaptureOptions &requested);
    // What the latest opening asked for, as the caller gave it.
    platform::CaptureOptions lastRequest() const;
    // Whether a client is reading the stream (the camera's video state).
    bool streaming() const;
    // Drops every client (the camera left the bus).
    void closeAll();

    // What the camera delivers, whatever was asked for.
    int width() const { return m_width; }
    int height() const { return m_height; }
    int fps() const { return m_fps; }
    QList<Mode> modes() const { return m_modes; }
    bool offers(int width, int height, int fps) const;
    bool offers(const platform::CaptureOptions &requested) const;

    // Observability for tests: connections accepted (busy refusals included) and
    // pictures written completely, since the rig started.
    int connections() const { return m_connections.load(); }
    qint64 framesSent() const { return m_framesSent.load(); }

private:
    bool startLocked();
    void run();
    QByteArray nextPicture(qint64 index);

    SimCamera &m_camera;
    int m_width = 1920;
    int m_height = 1080;
    int m_fps = 30;
    int m_cycleFrames = 30;
    bool m_paced = true;
    QList<Mode> m_modes;

    mutable std::mutex m_mutex;
    platform::CaptureOptions m_lastRequest;
    QString m_socketPath;
    QByteArray m_url; // what FFmpeg opens: the local socket, or a loopback port on Windows
    // Descriptors, or sockets on Windows (-1 when closed).
    qintptr m_listenFd = -1;
    qintptr m_wakeRead = -1;
    qintptr m_wakeWrite = -1;
    qintptr m_clientFd = -1;
    bool m_leaving = false; // closeAll asked the server thread to end the stream
    bool m_quit = false;
    std::thread m_thread;

    std::atomic<int> m_connections{0};
    std::atomic<qint64> m_framesSent{0};
};

} // namespace sim
