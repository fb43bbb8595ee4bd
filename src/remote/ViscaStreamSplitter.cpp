#include "remote/ViscaStreamSplitter.h"

#include "remote/ViscaPacket.h"

QList<ViscaStreamSplitter::Piece> ViscaStreamSplitter::feed(const QByteArray &data)
{
    QList<Piece> pieces;
    for (const char c : data) {
        const bool terminator = static_cast<quint8>(c) == ViscaPacket::kTerminator;
        if (m_skipping) {
            if (terminator)
                m_skipping = false;
            continue;
        }
        if (!terminator && m_buffer.size() >= ViscaPacket::kMaxMessage - 1) {
            // No terminator where a message must have ended.
            m_buffer.clear();
            m_skipping = true;
            pieces.append(Piece{QByteArray(), true});
            continue;
        }
        m_buffer.append(c);
        if (terminator) {
            pieces.append(Piece{m_buffer, false});
            m_buffer.clear();
        }
    }
    return pieces;
}
