// What a VISCA client sends: the first byte chooses the path, the rest is the input.
//   even: one UDP datagram (the VISCA-over-IP header, then the message);
//   odd:  a TCP stream, delivered in chunks of 1 + (first byte >> 1) bytes, as a socket
//         may hand it over.
// Every message that comes out is decoded as the engine decodes it. The splitter's and
// parser's promises are checked: nothing held beyond one message, every message that
// passes ends with its only 0xFF, a datagram's payload is what its header says.
#include "FuzzSupport.h"

#include "remote/ViscaCommand.h"
#include "remote/ViscaPacket.h"
#include "remote/ViscaStreamSplitter.h"

#include <cstdlib>

namespace {

void decodeMessage(const QByteArray &message)
{
    const ViscaPacket packet = ViscaPacket::parse(message);
    if (!packet.isValid())
        return;
    if (message.size() > ViscaPacket::kMaxMessage || message.size() < ViscaPacket::kMinMessage
        || quint8(message.back()) != 0xFF || message.indexOf(char(0xFF)) != message.size() - 1)
        std::abort();
    if (packet.address() < 1 || packet.address() > 8)
        std::abort();
    ViscaCommand::decode(packet);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzsupport::start();
    if (size < 1 || size > 4096)
        return 0;
    const QByteArray input = fuzzsupport::bytes(data + 1, size - 1);
    if ((data[0] & 1) == 0) {
        const ViscaPacket::Datagram datagram = ViscaPacket::parseDatagram(input);
        if (datagram.isValid()) {
            if (input.size() < ViscaPacket::kHeaderSize || datagram.payload.size() != datagram.length
                || datagram.payload.size() > ViscaPacket::kMaxMessage
                || datagram.payload != input.mid(ViscaPacket::kHeaderSize))
                std::abort();
            decodeMessage(datagram.payload);
        }
        return 0;
    }
    ViscaStreamSplitter splitter;
    const int chunkSize = 1 + (data[0] >> 1);
    for (int at = 0; at < input.size(); at += chunkSize) {
        const QByteArray chunk = input.mid(at, chunkSize);
        for (const ViscaStreamSplitter::Piece &piece : splitter.feed(chunk)) {
            if (piece.overlong != piece.bytes.isEmpty())
                std::abort();
            if (!piece.overlong)
                decodeMessage(piece.bytes);
        }
        if (splitter.pending() > ViscaPacket::kMaxMessage)
            std::abort();
    }
    return 0;
}
