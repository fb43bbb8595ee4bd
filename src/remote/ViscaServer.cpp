#include "remote/ViscaServer.h"

#include "remote/ViscaEngine.h"
#include "remote/ViscaPacket.h"

#include <QDebug>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include <algorithm>

namespace {

// Datagrams answered per turn of the event loop, so that a flood leaves room for the
// TCP clients and the drive.
constexpr int kDatagramsPerTurn = 256;
// Bytes read from a TCP client at once.
constexpr int kTcpReadChunk = 1024;

constexpr quint64 kTcpIdBit = quint64(1) << 63;

QByteArray controlError(int code)
{
    return QByteArray::fromHex(QByteArrayLiteral("0f")) + QByteArray(1, static_cast<char>(code));
}

QHostAddress plain(const QHostAddress &address)
{
    bool v4 = false;
    const quint32 ip = address.toIPv4Address(&v4);
    return v4 ? QHostAddress(ip) : address;
}

} // namespace

ViscaServer::ViscaServer(ViscaEngine &engine, const Options &options, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_options(options)
{
}

ViscaServer::~ViscaServer()
{
    stop();
}

QString ViscaServer::portInUseText(const QString &protocol, quint16 port)
{
    return QStringLiteral("%1 port %2 is already in use (is lensdesk's remote control or another lensdeskctl serve running?)")
        .arg(protocol)
        .arg(port);
}

bool ViscaServer::allowed(const QHostAddress &address, const QList<QPair<QHostAddress, int>> &allow)
{
    if (allow.isEmpty())
        return true;
    const QHostAddress a = plain(address);
    return std::any_of(allow.begin(), allow.end(), [&](const QPair<QHostAddress, int> &subnet) {
        return a.isInSubnet(subnet);
    });
}

bool ViscaServer::start(QString *error)
{
    stop();
    m_failure = Failure::None;
    m_udp = new QUdpSocket(this);
    if (!m_udp->bind(m_options.address, m_options.udpPort, QAbstractSocket::DontShareAddress)) {
        m_failure = m_udp->error() == QAbstractSocket::AddressInUseError ? Failure::UdpPortInUse : Failure::Other;
        *error = m_udp->error() == QAbstractSocket::AddressInUseError
            ? portInUseText(QStringLiteral("UDP"), m_options.udpPort)
            : QStringLiteral("UDP port %1 on %2: %3")
                  .arg(m_options.udpPort)
                  .arg(m_options.address.toString(), m_udp->errorString());
        stop();
        return false;
    }
    m_tcp = new QTcpServer(this);
    if (!m_tcp->listen(m_options.address, m_options.tcpPort)) {
        m_failure = m_tcp->serverError() == QAbstractSocket::AddressInUseError ? Failure::TcpPortInUse : Failure::Other;
        *error = m_tcp->serverError() == QAbstractSocket::AddressInUseError
            ? portInUseText(QStringLiteral("TCP"), m_options.tcpPort)
            : QStringLiteral("TCP port %1 on %2: %3")
                  .arg(m_options.tcpPort)
                  .arg(m_options.address.toString(), m_tcp->errorString());
        stop();
        return false;
    }
    connect(m_udp, &QUdpSocket::readyRead, this, &ViscaServer::readDatagrams);
    connect(m_tcp, &QTcpServer::newConnection, this, &ViscaServer::acceptConnections);
    qInfo().noquote() << "VISCA:" << m_options.name << "on" << m_options.address.toString() << "UDP" << udpPort()
                      << "TCP" << tcpPort();
    return true;
}

void ViscaServer::stop()
{
    const QList<QTcpSocket *> sockets = m_clients.keys();
    for (QTcpSocket *socket : sockets)
        dropTcp(socket);
    if (m_tcp) {
        m_tcp->close();
        delete m_tcp;
        m_tcp = nullptr;
    }
    if (m_udp) {
        m_udp->close();
        delete m_udp;
        m_udp = nullptr;
    }
    m_senders.clear();
}

bool ViscaServer::isListening() const
{
    return m_udp && m_tcp && m_tcp->isListening();
}

quint16 ViscaServer::udpPort() const
{
    return m_udp ? m_udp->localPort() : 0;
}

quint16 ViscaServer::tcpPort() const
{
    return m_tcp ? m_tcp->serverPort() : 0;
}

QString ViscaServer::peerText(const QHostAddress &address, quint16 port) const
{
    return QStringLiteral("%1:%2").arg(plain(address).toString()).arg(port);
}

void ViscaServer::refuse(const QString &peer, const QString &why)
{
    ++m_refused;
    // A flood must not flood the log as well.
    if (m_refused <= kLogRefusedIndividually)
        qInfo().noquote() << "VISCA:" << m_options.name << "refused" << peer << "-" << why;
    else if (m_refused % kLogEvery == 0)
        qInfo().noquote() << "VISCA:" << m_options.name << m_refused << "packets refused so far; the last from" << peer
                          << "-" << why;
    else
        return;
    emit statusEvent(QJsonObject{{QStringLiteral("event"), QStringLiteral("refused")},
                                 {QStringLiteral("client"), peer},
                                 {QStringLiteral("reason"), why}});
}

void ViscaServer::noteSender(const QString &peer)
{
    if (m_senders.contains(peer))
        return;
    if (m_senders.size() >= kRememberedSenders) {
        // Forget the one heard first: the table stays small whatever the senders.
        auto oldest = std::min_element(m_senders.begin(), m_senders.end());
        m_senders.erase(oldest);
    }
    m_senders.insert(peer, m_senderOrder++);
    qInfo().noquote() << "VISCA:" << m_options.name << "UDP client" << peer;
    emit statusEvent(QJsonObject{{QStringLiteral("event"), QStringLiteral("client")},
                                 {QStringLiteral("protocol"), QStringLiteral("udp")},
                                 {QStringLiteral("client"), peer}});
}

void ViscaServer::readDatagrams()
{
    if (!m_udp)
        return;
    char buffer[ViscaPacket::kHeaderSize + ViscaPacket::kMaxMessage];
    for (int n = 0; n < kDatagramsPerTurn && m_udp && m_udp->hasPendingDatagrams(); ++n) {
        const qint64 size = m_udp->pendingDatagramSize();
        QHostAddress from;
        quint16 port = 0;
        // Never more than a header and a whole message is read; the rest of a longer
        // datagram is dropped by the socket.
        const qint64 got = m_udp->readDatagram(buffer, sizeof buffer, &from, &port);
        if (got < 0)
            break;
        answerDatagram(QByteArray(buffer, static_cast<int>(got)), size, from, port);
    }
    if (m_udp && m_udp->hasPendingDatagrams())
        QMetaObject::invokeMethod(this, &ViscaServer::readDatagrams, Qt::QueuedConnection);
}

void ViscaServer::answerDatagram(const QByteArray &bytes, qint64 fullSize, const QHostAddress &from, quint16 port)
{
    const QString peer = peerText(from, port);
    if (!allowed(from, m_options.allow)) {
        refuse(peer, QStringLiteral("not on the allow list"));
        return;
    }
    noteSender(peer);
    ViscaPacket::Datagram d = ViscaPacket::parseDatagram(bytes);
    if (!d.hasHeader()) {
        refuse(peer, QStringLiteral("a datagram of %1 bytes, shorter than the header").arg(fullSize));
        return;
    }
    if (fullSize > bytes.size())
        d.status = ViscaPacket::Datagram::Status::TooLong; // longer than any message
    const auto send = [&](quint16 type, const QByteArray &payload) {
        m_udp->writeDatagram(ViscaPacket::datagram(type, d.sequence, payload), from, port);
    };
    const bool control = d.type == ViscaPacket::Control;
    switch (d.status) {
    case ViscaPacket::Datagram::Status::Ok:
        break;
    case ViscaPacket::Datagram::Status::TooLong:
        refuse(peer, QStringLiteral("a payload of %1 bytes, over %2").arg(fullSize - ViscaPacket::kHeaderSize).arg(ViscaPacket::kMaxMessage));
        if (control)
            send(ViscaPacket::ControlReply, controlError(0x02));
        else
            send(ViscaPacket::Reply, ViscaPacket::lengthError(ViscaPacket::replyAddressOf(1)));
        return;
    default:
        refuse(peer, QStringLiteral("the header says %1 bytes, %2 follow").arg(d.length).arg(fullSize - ViscaPacket::kHeaderSize));
        if (control)
            send(ViscaPacket::ControlReply, controlError(0x02));
        else
            send(ViscaPacket::Reply, ViscaPacket::syntaxError(ViscaPacket::replyAddressOf(1)));
        return;
    }
    switch (d.type) {
    case ViscaPacket::Command:
    case ViscaPacket::Inquiry:
    case ViscaPacket::DeviceSetting: {
        const quint64 client = (quint64(qHash(plain(from))) << 16) | port;
        const QList<QByteArray> replies = answer(d.payload, client & ~kTcpIdBit, peer);
        for (const QByteArray &reply : replies) {
            if (m_udp)
                send(ViscaPacket::Reply, reply);
        }
        return;
    }
    case ViscaPacket::Control:
        if (d.payload == QByteArray(1, 0x01)) {
            qInfo().noquote() << "VISCA:" << m_options.name << peer << "resets its sequence number";
            send(ViscaPacket::ControlReply, d.payload);
            return;
        }
        refuse(peer, QStringLiteral("an unknown control message"));
        send(ViscaPacket::ControlReply, controlError(0x02));
        return;
    default:
        refuse(peer, QStringLiteral("payload type %1").arg(d.type, 4, 16, QLatin1Char('0')));
        send(ViscaPacket::ControlReply, controlError(0x02));
        return;
    }
}

QList<QByteArray> ViscaServer::answer(const QByteArray &message, quint64 client, const QString &peer)
{
    const QList<QByteArray> replies = m_engine.handle(message, client);
    // The syntax and message-length errors (y0 60 02 FF, y0 60 01 FF) are refusals.
    if (replies.size() == 1 && replies.first().size() == 4 && static_cast<quint8>(replies.first().at(1)) == 0x60
        && (replies.first().at(2) == 0x01 || replies.first().at(2) == 0x02))
        refuse(peer, QStringLiteral("a malformed or unknown message %1").arg(QString::fromLatin1(message.toHex(' '))));
    return replies;
}

void ViscaServer::acceptConnections()
{
    while (m_tcp && m_tcp->hasPendingConnections()) {
        QTcpSocket *socket = m_tcp->nextPendingConnection();
        const QString peer = peerText(socket->peerAddress(), socket->peerPort());
        QString why;
        if (!allowed(socket->peerAddress(), m_options.allow))
            why = QStringLiteral("not on the allow list");
        else if (m_clients.size() >= kMaxTcpClients)
            why = QStringLiteral("%1 TCP clients are connected already").arg(kMaxTcpClients);
        if (!why.isEmpty()) {
            refuse(peer, why);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setReadBufferSize(kTcpReadChunk);
        auto *client = new TcpClient;
        client->id = kTcpIdBit | m_nextTcpId++;
        client->peer = peer;
        m_clients.insert(socket, client);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readTcp(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { dropTcp(socket); });
        qInfo().noquote() << "VISCA:" << m_options.name << "TCP client" << peer;
        emit statusEvent(QJsonObject{{QStringLiteral("event"), QStringLiteral("client")},
                                     {QStringLiteral("protocol"), QStringLiteral("tcp")},
                                     {QStringLiteral("client"), peer}});
    }
}

void ViscaServer::readTcp(QTcpSocket *socket)
{
    TcpClient *client = m_clients.value(socket);
    if (!client)
        return;
    while (socket->bytesAvailable() > 0) {
        const QByteArray data = socket->read(kTcpReadChunk);
        if (data.isEmpty())
            break;
        const QList<ViscaStreamSplitter::Piece> pieces = client->splitter.feed(data);
        for (const ViscaStreamSplitter::Piece &piece : pieces) {
            if (piece.overlong) {
                refuse(client->peer, QStringLiteral("a message over %1 bytes").arg(ViscaPacket::kMaxMessage));
                socket->write(ViscaPacket::lengthError(ViscaPacket::replyAddressOf(1)));
                continue;
            }
            for (const QByteArray &reply : answer(piece.bytes, client->id, client->peer))
                socket->write(reply);
        }
        if (socket->bytesToWrite() > kMaxUnreadReplies) {
            refuse(client->peer, QStringLiteral("it does not read its replies"));
            dropTcp(socket);
            return;
        }
    }
}

void ViscaServer::dropTcp(QTcpSocket *socket)
{
    TcpClient *client = m_clients.take(socket);
    if (!client)
        return;
    m_engine.clientGone(client->id);
    qInfo().noquote() << "VISCA:" << m_options.name << "TCP client" << client->peer << "left";
    emit statusEvent(QJsonObject{{QStringLiteral("event"), QStringLiteral("client-gone")},
                                 {QStringLiteral("protocol"), QStringLiteral("tcp")},
                                 {QStringLiteral("client"), client->peer}});
    delete client;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}
