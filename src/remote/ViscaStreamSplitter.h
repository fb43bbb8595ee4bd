#pragma once
#include <QByteArray>
#include <QList>

// Cuts the bytes of a VISCA stream (TCP, no header) into messages at each 0xFF. It keeps
// at most one message's worth of bytes: a run longer than a VISCA message is reported
// once as overlong and dropped up to its terminator, so a client that never sends 0xFF
// costs nothing but the bytes it sends. Pure: no socket inside.
class ViscaStreamSplitter
{
public:
    struct Piece
    {
        // The message with its terminator (empty for an overlong one).
        QByteArray bytes;
        bool overlong = false;
    };

    // The messages completed by these bytes, in order.
    QList<Piece> feed(const QByteArray &data);
    // Bytes held for a message not finished yet.
    int pending() const { return m_buffer.size(); }

private:
    QByteArray m_buffer;
    // Dropping the rest of an overlong run.
    bool m_skipping = false;
};
