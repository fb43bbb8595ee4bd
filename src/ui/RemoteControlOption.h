#pragma once
#include "remote/ViscaTarget.h"

#include <QObject>
#include <QString>

#include <memory>

class OpenCamera;
class QCheckBox;
class QLabel;
class ViscaEngine;
class ViscaServer;

// "Remote control (VISCA)" on the Support page: when on, the window's open camera answers
// as a VISCA-over-IP camera on 127.0.0.1 (UDP 52381, TCP 5678), with the engine
// lensdeskctl serve uses. Off by default; the choice is kept in the user's settings and
// served again at the next start. Whatever camera the window has open is the one served;
// while none is, commands are "not executable".
class RemoteControlOption : public QObject, private ViscaTarget
{
    Q_OBJECT
public:
    struct Widgets
    {
        QCheckBox *checkRemoteControl = nullptr;
        QLabel *labelRemoteControl = nullptr;
    };
    class Window
    {
    public:
        virtual ~Window() = default;
        // The camera the window has open, or null (none unless the window says).
        virtual OpenCamera *servedCamera() { return nullptr; }
        // A client set or reset a preset of that camera: what shows them shows them again.
        virtual void servedPresetsChanged() {}
    };

    RemoteControlOption(const Widgets &widgets, Window &window, QObject *parent = nullptr);
    ~RemoteControlOption() override;

    // The ports to serve on (0: any free one, for tests); the next start takes them.
    void setPorts(quint16 udpPort, quint16 tcpPort);
    // Reads the stored choice and serves when it is on.
    void restore();
    bool isServing() const;
    quint16 udpPort() const;
    quint16 tcpPort() const;
    // The open camera changed or closed: a drive of the one before stops.
    void cameraChanged();

private:
    OpenCamera *camera() override;
    void presetsChanged() override;
    void choose(bool on);
    void apply(bool on);

    const Widgets ui;
    Window &m_window;
    std::unique_ptr<ViscaEngine> m_engine;
    std::unique_ptr<ViscaServer> m_server;
    quint16 m_udpPort;
    quint16 m_tcpPort;
};
