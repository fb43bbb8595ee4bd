#pragma once
#include "remote/ViscaStreamSplitter.h"

#include <QHash>
#include <QHostAddress>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

class QTcpServer;
class QTcpSocket;
class QUdpSocket;
class ViscaEngine;

// The network side of one served camera: a UDP endpoint with the VISCA-over-IP header
// (replies carry the sequence number of what they answer) and a TCP endpoint of plain
// VISCA messages, both handing the messages to the camera's engine. Only addresses on
// the allow list are served, at most kMaxTcpClients TCP clients at once; every client
// and every refused packet is logged.
class ViscaServer : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 kDefaultUdpPort = 52381;
    static constexpr quint16 kDefaultTcpPort = 5678;
    static constexpr int kMaxTcpClients = 16;
    // A TCP client that leaves this many reply bytes unread is dropped.
    static constexpr int kMaxUnreadReplies = 4096;
    // UDP senders remembered (to log each new one once).
    static constexpr int kRememberedSenders = 64;
    // Refused packets logged one by one; after that every kLogEvery-th.
    static constexpr int kLogRefusedIndividually = 100;
    static constexpr int kLogEvery = 1000;

    struct Options
    {
        QHostAddress address = QHostAddress(QHostAddress::LocalHost);
        // 0 picks a free port (tests); the bound one is udpPort() / tcpPort().
        quint16 udpPort = kDefaultUdpPort;
        quint16 tcpPort = kDefaultTcpPort;
        // Subnets served; empty serves every address that reaches the endpoint.
        QList<QPair<QHostAddress, int>> allow;
        // A name for the log lines (the camera's).
        QString name;
    };

    ViscaServer(ViscaEngine &engine, const Options &options, QObject *parent = nullptr);
    ~ViscaServer() override;

    // Binds both endpoints; false with the reason (a port in use says so) and nothing
    // bound.
    bool start(QString *error);
    // What the last start ran into.
    enum class Failure { None, UdpPortInUse, TcpPortInUse, Other };
    Failure failure() const { return m_failure; }
    void stop();
    bool isListening() const;
    quint16 udpPort() const;
    quint16 tcpPort() const;
    int tcpClientCount() const { return m_clients.size(); }
    // Packets refused so far (malformed, not allowed, over the client limit).
    qint64 refusedCount() const { return m_refused; }
    int rememberedSenders() const { return m_senders.size(); }

    // Whether an address is served by an allow list (empty: all).
    static bool allowed(const QHostAddress &address, const QList<QPair<QHostAddress, int>> &allow);
    // The text of a port that cannot be bound because something else holds it.
    static QString portInUseText(const QString &protocol, quint16 port);

signals:
    // What happened, for status lines: {"event": "client" | "refused" | "client-gone", ...}.
    void statusEvent(const QJsonObject &event);

private:
    struct TcpClient
    {
        quint64 id = 0;
        ViscaStreamSplitter splitter;
        QString peer;
    };

    void readDatagrams();
    void answerDatagram(const QByteArray &bytes, qint64 fullSize, const QHostAddress &from, quint16 port);
    QList<QByteArray> answer(const QByteArray &message, quint64 client, const QString &peer);
    void acceptConnections();
    void readTcp(QTcpSocket *socket);
    void dropTcp(QTcpSocket *socket);
    void refuse(const QString &peer, const QString &why);
    void noteSender(const QString &peer);
    QString peerText(const QHostAddress &address, quint16 port) const;

    ViscaEngine &m_engine;
    Options m_options;
    QUdpSocket *m_udp = nullptr;
    QTcpServer *m_tcp = nullptr;
    QHash<QTcpSocket *, TcpClient *> m_clients;
    QHash<QString, quint64> m_senders; // UDP sender -> order of its first packet
    quint64 m_senderOrder = 0;
    quint64 m_nextTcpId = 1;
    qint64 m_refused = 0;
    Failure m_failure = Failure::None;
};
