#pragma once
#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace sim {
class SimCamera;
}

// The video-class function of the emulated camera, served over FunctionFS: camera
// terminal, processing unit, the vendor extension unit and an MJPEG 1920x1080 stream on a
// bulk endpoint. Every answer comes from the rig's camera model (standard properties,
// extension-unit messages), so the emulator and the simulated rig behave alike.
class UvcFunction
{
public:
    UvcFunction(sim::SimCamera &camera, const QString &functionDir);
    ~UvcFunction();

    // Writes the descriptors and strings to ep0 and starts answering; false on failure.
    bool start(QString *error);
    void stop();

    // The descriptors as written to ep0 (FunctionFS v2 layout).
    static QByteArray descriptors();

private:
    void controlLoop();
    void streamLoop();
    // Answers one class request; false stalls it.
    bool classRequest(std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
                      std::uint16_t index, std::uint16_t length, QByteArray *reply,
                      const QByteArray &data);
    bool standardControl(int entity, int selector, std::uint8_t request, QByteArray *reply,
                         const QByteArray &data);
    bool extensionControl(int selector, std::uint8_t request, QByteArray *reply, const QByteArray &data);
    bool streamingControl(int selector, std::uint8_t request, QByteArray *reply, const QByteArray &data);
    void setStreaming(bool on);

    sim::SimCamera &m_camera;
    QString m_dir;
    int m_ep0 = -1;
    int m_ep1 = -1;
    std::atomic<bool> m_running{false};
    std::thread m_control;
    std::thread m_stream;
    std::mutex m_streamMutex;
    std::condition_variable m_streamWake;
    bool m_streaming = false;
    std::uint8_t m_errorCode = 0;
    std::shared_ptr<const std::vector<QByteArray>> m_frames;
};
