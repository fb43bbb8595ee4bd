#include "remote/ViscaCommand.h"

#include "remote/ViscaPacket.h"

#include <algorithm>

namespace {

using Op = ViscaCommand::Op;

quint8 at(const QByteArray &b, int i)
{
    return static_cast<quint8>(b.at(i));
}

bool starts(const QByteArray &body, std::initializer_list<int> prefix, int size)
{
    if (body.size() != size || body.size() < static_cast<int>(prefix.size()))
        return false;
    int i = 0;
    for (int b : prefix) {
        if (at(body, i++) != b)
            return false;
    }
    return true;
}

// 01 left, 02 right, 03 stop (pan); 01 up, 02 down, 03 stop (tilt).
bool direction(quint8 code, int positive, int *out)
{
    switch (code) {
    case 0x01:
        *out = -positive;
        return true;
    case 0x02:
        *out = positive;
        return true;
    case 0x03:
        *out = 0;
        return true;
    default:
        return false;
    }
}

ViscaCommand invalid()
{
    return ViscaCommand();
}

ViscaCommand withOp(Op op)
{
    ViscaCommand c;
    c.op = op;
    return c;
}

// 01 06 02/03 VV WW 0Y 0Y 0Y 0Y 0Z 0Z 0Z 0Z.
ViscaCommand position(const QByteArray &body, Op op)
{
    quint16 pan = 0;
    quint16 tilt = 0;
    if (!ViscaPacket::readNibbles(body, 5, &pan) || !ViscaPacket::readNibbles(body, 9, &tilt))
        return invalid();
    ViscaCommand c = withOp(op);
    c.panSpeed = std::clamp<int>(at(body, 3), 1, ViscaCommand::kMaxPanSpeed);
    c.tiltSpeed = std::clamp<int>(at(body, 4), 1, ViscaCommand::kMaxTiltSpeed);
    c.pan = static_cast<qint16>(pan);
    c.tilt = static_cast<qint16>(tilt);
    return c;
}

// 00 stop, 02 / 03 at the standard speed, 2p / 3p at speed p.
ViscaCommand drive(quint8 code, Op stop, Op up, Op down)
{
    if (code == 0x00)
        return withOp(stop);
    if (code == 0x02)
        return withOp(up);
    if (code == 0x03)
        return withOp(down);
    const int high = code >> 4;
    const int p = code & 0x0F;
    if ((high != 2 && high != 3) || p > 7)
        return invalid();
    ViscaCommand c = withOp(high == 2 ? up : down);
    c.speed = p;
    return c;
}

ViscaCommand direct(const QByteArray &body, Op op)
{
    quint16 value = 0;
    if (!ViscaPacket::readNibbles(body, 3, &value))
        return invalid();
    ViscaCommand c = withOp(op);
    c.position = value;
    return c;
}

ViscaCommand inquiry(const QByteArray &body)
{
    if (starts(body, {0x09, 0x04, 0x00}, 3))
        return withOp(Op::PowerInquiry);
    if (starts(body, {0x09, 0x04, 0x47}, 3))
        return withOp(Op::ZoomPositionInquiry);
    if (starts(body, {0x09, 0x04, 0x48}, 3))
        return withOp(Op::FocusPositionInquiry);
    if (starts(body, {0x09, 0x04, 0x38}, 3))
        return withOp(Op::FocusModeInquiry);
    if (starts(body, {0x09, 0x06, 0x12}, 3))
        return withOp(Op::PanTiltPositionInquiry);
    if (starts(body, {0x09, 0x00, 0x02}, 3))
        return withOp(Op::VersionInquiry);
    return invalid();
}

ViscaCommand camera(const QByteArray &body)
{
    if (starts(body, {0x01, 0x04, 0x07}, 4))
        return drive(at(body, 3), Op::ZoomStop, Op::ZoomTele, Op::ZoomWide);
    if (starts(body, {0x01, 0x04, 0x47}, 7))
        return direct(body, Op::ZoomDirect);
    if (starts(body, {0x01, 0x04, 0x08}, 4))
        return drive(at(body, 3), Op::FocusStop, Op::FocusFar, Op::FocusNear);
    if (starts(body, {0x01, 0x04, 0x48}, 7))
        return direct(body, Op::FocusDirect);
    if (starts(body, {0x01, 0x04, 0x38}, 4)) {
        switch (at(body, 3)) {
        case 0x02:
            return withOp(Op::FocusAuto);
        case 0x03:
            return withOp(Op::FocusManual);
        case 0x10:
            return withOp(Op::FocusToggle);
        default:
            return invalid();
        }
    }
    if (starts(body, {0x01, 0x04, 0x18, 0x01}, 4))
        return withOp(Op::FocusOnePush);
    if (starts(body, {0x01, 0x04, 0x3F}, 5)) {
        const quint8 action = at(body, 3);
        const quint8 number = at(body, 4);
        if (action > 2 || number > 0x7F)
            return invalid();
        ViscaCommand c = withOp(action == 0 ? Op::MemoryReset : action == 1 ? Op::MemorySet : Op::MemoryRecall);
        c.number = number;
        return c;
    }
    return invalid();
}

ViscaCommand panTilt(const QByteArray &body)
{
    if (starts(body, {0x01, 0x06, 0x01}, 7)) {
        ViscaCommand c = withOp(Op::PanTiltDrive);
        if (!direction(at(body, 5), 1, &c.panDirection) || !direction(at(body, 6), 1, &c.tiltDirection))
            return invalid();
        // 01 is up: a positive tilt.
        c.tiltDirection = -c.tiltDirection;
        c.panSpeed = std::clamp<int>(at(body, 3), 1, ViscaCommand::kMaxPanSpeed);
        c.tiltSpeed = std::clamp<int>(at(body, 4), 1, ViscaCommand::kMaxTiltSpeed);
        return c;
    }
    if (starts(body, {0x01, 0x06, 0x02}, 13))
        return position(body, Op::PanTiltAbsolute);
    if (starts(body, {0x01, 0x06, 0x03}, 13))
        return position(body, Op::PanTiltRelative);
    if (starts(body, {0x01, 0x06, 0x04}, 3))
        return withOp(Op::PanTiltHome);
    if (starts(body, {0x01, 0x06, 0x05}, 3))
        return withOp(Op::PanTiltReset);
    return invalid();
}

} // namespace

ViscaCommand ViscaCommand::decode(const ViscaPacket &packet)
{
    if (!packet.isValid())
        return invalid();
    const QByteArray &body = packet.body();
    if (packet.isBroadcast()) {
        // Only these two are meant for every camera on a line.
        if (starts(body, {0x01, 0x00, 0x01}, 3))
            return withOp(Op::IfClear);
        if (body.size() == 2 && at(body, 0) == 0x30 && at(body, 1) >= 1 && at(body, 1) <= 7) {
            ViscaCommand c = withOp(Op::AddressSet);
            c.number = at(body, 1);
            return c;
        }
        return invalid();
    }
    if (body.size() == 1 && (at(body, 0) & 0xF0) == 0x20) {
        ViscaCommand c = withOp(Op::Cancel);
        c.number = at(body, 0) & 0x0F;
        return c;
    }
    if (starts(body, {0x01, 0x00, 0x01}, 3))
        return withOp(Op::IfClear);
    if (body.size() >= 2 && at(body, 0) == 0x09)
        return inquiry(body);
    if (body.size() >= 3 && at(body, 0) == 0x01 && at(body, 1) == 0x06)
        return panTilt(body);
    if (body.size() >= 3 && at(body, 0) == 0x01 && at(body, 1) == 0x04)
        return camera(body);
    return invalid();
}
