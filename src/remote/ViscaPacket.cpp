#include "remote/ViscaPacket.h"

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    out.reserve(static_cast<int>(values.size()));
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

quint8 at(const QByteArray &b, int i)
{
    return static_cast<quint8>(b.at(i));
}

int socketNibble(int socket)
{
    return socket & 0x0F;
}

} // namespace

ViscaPacket ViscaPacket::parse(const QByteArray &message)
{
    ViscaPacket p;
    const int n = message.size();
    if (n == 0) {
        p.m_status = Status::Empty;
        return p;
    }
    if (n > kMaxMessage) {
        p.m_status = Status::TooLong;
        return p;
    }
    if (at(message, n - 1) != kTerminator) {
        p.m_status = Status::NoTerminator;
        return p;
    }
    if (n < kMinMessage) {
        p.m_status = Status::TooShort;
        return p;
    }
    const quint8 first = at(message, 0);
    if (first < 0x81 || first > 0x88) {
        p.m_status = Status::BadAddress;
        return p;
    }
    for (int i = 1; i < n - 1; ++i) {
        if (at(message, i) == kTerminator) {
            p.m_status = Status::InnerTerminator;
            return p;
        }
    }
    p.m_status = Status::Ok;
    p.m_address = first & 0x0F;
    p.m_body = message.mid(1, n - 2);
    return p;
}

quint8 ViscaPacket::replyAddressOf(int address)
{
    const int camera = address >= 1 && address <= 7 ? address : 1;
    return static_cast<quint8>((camera + 8) << 4);
}

QByteArray ViscaPacket::ack(quint8 replyAddress, int socket)
{
    return bytes({replyAddress, 0x40 | socketNibble(socket), kTerminator});
}

QByteArray ViscaPacket::completion(quint8 replyAddress, int socket)
{
    return bytes({replyAddress, 0x50 | socketNibble(socket), kTerminator});
}

QByteArray ViscaPacket::inquiryAnswer(quint8 replyAddress, const QByteArray &data)
{
    return bytes({replyAddress, 0x50}) + data + bytes({kTerminator});
}

QByteArray ViscaPacket::lengthError(quint8 replyAddress)
{
    return bytes({replyAddress, 0x60, 0x01, kTerminator});
}

QByteArray ViscaPacket::syntaxError(quint8 replyAddress)
{
    return bytes({replyAddress, 0x60, 0x02, kTerminator});
}

QByteArray ViscaPacket::noSocket(quint8 replyAddress, int socket)
{
    return bytes({replyAddress, 0x60 | socketNibble(socket), 0x05, kTerminator});
}

QByteArray ViscaPacket::notExecutable(quint8 replyAddress, int socket)
{
    return bytes({replyAddress, 0x60 | socketNibble(socket), 0x41, kTerminator});
}

QByteArray ViscaPacket::nibbles(quint16 value)
{
    return bytes({(value >> 12) & 0x0F, (value >> 8) & 0x0F, (value >> 4) & 0x0F, value & 0x0F});
}

bool ViscaPacket::readNibbles(const QByteArray &bytes, int offset, quint16 *value)
{
    if (offset < 0 || offset + 4 > bytes.size())
        return false;
    quint16 v = 0;
    for (int i = 0; i < 4; ++i) {
        const quint8 b = at(bytes, offset + i);
        if (b > 0x0F)
            return false;
        v = static_cast<quint16>((v << 4) | b);
    }
    *value = v;
    return true;
}

ViscaPacket::Datagram ViscaPacket::parseDatagram(const QByteArray &datagram)
{
    Datagram d;
    if (datagram.size() < kHeaderSize) {
        d.status = Datagram::Status::TooShort;
        return d;
    }
    d.type = static_cast<quint16>((at(datagram, 0) << 8) | at(datagram, 1));
    d.length = static_cast<quint16>((at(datagram, 2) << 8) | at(datagram, 3));
    d.sequence = (quint32(at(datagram, 4)) << 24) | (quint32(at(datagram, 5)) << 16) | (quint32(at(datagram, 6)) << 8)
        | quint32(at(datagram, 7));
    const int following = datagram.size() - kHeaderSize;
    if (d.length != following)
        d.status = Datagram::Status::LengthMismatch;
    else if (d.length == 0)
        d.status = Datagram::Status::Empty;
    else if (d.length > kMaxMessage)
        d.status = Datagram::Status::TooLong;
    else
        d.status = Datagram::Status::Ok;
    if (d.status == Datagram::Status::Ok)
        d.payload = datagram.mid(kHeaderSize);
    return d;
}

QByteArray ViscaPacket::datagram(quint16 type, quint32 sequence, const QByteArray &payload)
{
    const int length = payload.size();
    return bytes({type >> 8, type & 0xFF, (length >> 8) & 0xFF, length & 0xFF, int(sequence >> 24),
                  int((sequence >> 16) & 0xFF), int((sequence >> 8) & 0xFF), int(sequence & 0xFF)})
        + payload;
}
