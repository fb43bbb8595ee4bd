#include "ui/RemoteControlOption.h"

#include "core/SettingsStore.h"
#include "remote/ViscaEngine.h"
#include "remote/ViscaServer.h"

#include <QCheckBox>
#include <QDebug>
#include <QLabel>
#include <QSignalBlocker>

namespace {

const QString kKey = QStringLiteral("/remote_control/visca");

} // namespace

RemoteControlOption::RemoteControlOption(const Widgets &widgets, Window &window, QObject *parent)
    : QObject(parent)
    , ui(widgets)
    , m_window(window)
    , m_udpPort(ViscaServer::kDefaultUdpPort)
    , m_tcpPort(ViscaServer::kDefaultTcpPort)
{
    ui.labelRemoteControl->setWordWrap(true);
    ui.labelRemoteControl->hide();
    connect(ui.checkRemoteControl, &QCheckBox::toggled, this, &RemoteControlOption::choose);
}

RemoteControlOption::~RemoteControlOption()
{
    if (m_engine)
        m_engine->drive().stopAll();
    m_server.reset();
}

void RemoteControlOption::setPorts(quint16 udpPort, quint16 tcpPort)
{
    m_udpPort = udpPort;
    m_tcpPort = tcpPort;
}

void RemoteControlOption::restore()
{
    const bool on = SettingsStore().value(kKey, QStringLiteral("0")).toString() == QLatin1String("1");
    {
        const QSignalBlocker block(ui.checkRemoteControl);
        ui.checkRemoteControl->setChecked(on);
    }
    apply(on);
}

bool RemoteControlOption::isServing() const
{
    return m_server && m_server->isListening();
}

quint16 RemoteControlOption::udpPort() const
{
    return m_server ? m_server->udpPort() : 0;
}

quint16 RemoteControlOption::tcpPort() const
{
    return m_server ? m_server->tcpPort() : 0;
}

void RemoteControlOption::cameraChanged()
{
    if (m_engine)
        m_engine->drive().stopAll();
}

OpenCamera *RemoteControlOption::camera()
{
    return m_window.servedCamera();
}

void RemoteControlOption::presetsChanged()
{
    m_window.servedPresetsChanged();
}

void RemoteControlOption::choose(bool on)
{
    SettingsStore settings;
    settings.setValue(kKey, on ? QStringLiteral("1") : QStringLiteral("0"));
    if (!settings.sync())
        qWarning() << "The remote-control choice could not be saved to" << settings.fileName();
    apply(on);
}

void RemoteControlOption::apply(bool on)
{
    if (m_server) {
        m_engine->drive().stopAll();
        m_server->stop();
        m_server.reset();
        m_engine.reset();
        qInfo() << "VISCA: the window's remote control is off";
    }
    ui.labelRemoteControl->clear();
    ui.labelRemoteControl->setVisible(on);
    if (!on)
        return;
    ViscaTarget &target = *this;
    m_engine = std::make_unique<ViscaEngine>(target);
    ViscaServer::Options options;
    options.udpPort = m_udpPort;
    options.tcpPort = m_tcpPort;
    options.name = QStringLiteral("the window's camera");
    m_server = std::make_unique<ViscaServer>(*m_engine, options);
    QString error;
    if (!m_server->start(&error)) {
        qWarning().noquote() << "VISCA: the window's remote control does not start:" << error;
        const bool udpTaken = m_server->failure() == ViscaServer::Failure::UdpPortInUse;
        if (udpTaken || m_server->failure() == ViscaServer::Failure::TcpPortInUse)
            ui.labelRemoteControl->setText(
                tr("%1 port %2 is already in use (is lensdeskctl serve or another lensdesk running?). "
                   "Remote control is off.")
                    .arg(udpTaken ? QStringLiteral("UDP") : QStringLiteral("TCP"))
                    .arg(udpTaken ? m_udpPort : m_tcpPort));
        else
            ui.labelRemoteControl->setText(tr("Remote control could not start: %1").arg(error));
        m_server.reset();
        m_engine.reset();
        return;
    }
    ui.labelRemoteControl->setText(
        tr("VISCA over IP on 127.0.0.1: UDP port %1, TCP port %2").arg(m_server->udpPort()).arg(m_server->tcpPort()));
}
