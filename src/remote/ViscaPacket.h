#pragma once
#include <QByteArray>
#include <QtGlobal>

// One VISCA message and the VISCA-over-IP datagram around it, as bytes: parsing and
// building only, no socket and no camera, so that anything (a fuzzer too) can feed it
// arbitrary bytes. Nothing here allocates by a number the bytes carry.
class ViscaPacket
{
public:
    // A VISCA message is at most this long (address byte and terminator included).
    static constexpr int kMaxMessage = 16;
    // The shortest message: address, one byte, terminator.
    static constexpr int kMinMessage = 3;
    static constexpr int kHeaderSize = 8;
    static constexpr quint8 kTerminator = 0xFF;
    // The address byte of a message to every camera.
    static constexpr quint8 kBroadcast = 0x88;

    // The payload types of the VISCA-over-IP header.
    enum PayloadType : quint16 {
        Command = 0x0100,
        Inquiry = 0x0110,
        Reply = 0x0111,
        DeviceSetting = 0x0120,
        Control = 0x0200,
        ControlReply = 0x0201,
    };

    enum class Status {
        Ok,
        Empty,
        TooLong,       // more than kMaxMessage bytes
        TooShort,      // fewer than kMinMessage bytes
        NoTerminator,  // the last byte is no 0xFF
        BadAddress,    // the first byte is no 0x81..0x88
        InnerTerminator // a 0xFF before the end
    };

    // A VISCA message; check status before anything else.
    static ViscaPacket parse(const QByteArray &message);

    Status status() const { return m_status; }
    bool isValid() const { return m_status == Status::Ok; }
    // 1..7, or 8 for a broadcast.
    int address() const { return m_address; }
    bool isBroadcast() const { return m_address == 8; }
    // The bytes between the address byte and the terminator.
    const QByteArray &body() const { return m_body; }
    // The first byte of the reply of this camera address (0x90 for camera 1); camera 1's
    // for a broadcast or an invalid message.
    quint8 replyAddress() const { return replyAddressOf(m_address); }
    static quint8 replyAddressOf(int address);

    // -- replies -----------------------------------------------------------------------
    // y0 4s FF: the command was taken into socket s.
    static QByteArray ack(quint8 replyAddress, int socket);
    // y0 5s FF: the command of socket s is done.
    static QByteArray completion(quint8 replyAddress, int socket);
    // y0 50 data FF: the answer to an inquiry.
    static QByteArray inquiryAnswer(quint8 replyAddress, const QByteArray &data);
    // y0 60 01 FF, y0 60 02 FF, y0 6s 05 FF, y0 6s 41 FF.
    static QByteArray lengthError(quint8 replyAddress);
    static QByteArray syntaxError(quint8 replyAddress);
    static QByteArray noSocket(quint8 replyAddress, int socket);
    static QByteArray notExecutable(quint8 replyAddress, int socket);

    // -- values as 0p 0q 0r 0s nibbles ---------------------------------------------------
    // Four bytes of one nibble each, the highest first.
    static QByteArray nibbles(quint16 value);
    // Reads four nibble bytes at offset; false when a byte has a high nibble or the bytes
    // are not there.
    static bool readNibbles(const QByteArray &bytes, int offset, quint16 *value);

    // -- VISCA over IP ---------------------------------------------------------------------
    struct Datagram
    {
        enum class Status {
            Ok,
            TooShort,       // no whole header
            LengthMismatch, // the header's length is not what follows it
            TooLong,        // the payload is over kMaxMessage bytes
            Empty           // the header's length is 0
        };
        Status status = Status::TooShort;
        quint16 type = 0;
        quint16 length = 0;
        quint32 sequence = 0;
        QByteArray payload;
        bool isValid() const { return status == Status::Ok; }
        // Whether the header was whole (type and sequence mean something).
        bool hasHeader() const { return status != Status::TooShort; }
    };
    static Datagram parseDatagram(const QByteArray &datagram);
    // A header of type and sequence followed by the payload.
    static QByteArray datagram(quint16 type, quint32 sequence, const QByteArray &payload);

private:
    Status m_status = Status::Empty;
    int m_address = 0;
    QByteArray m_body;
};
