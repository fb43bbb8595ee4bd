#pragma once
#include <QtGlobal>

class ViscaPacket;

// What a VISCA message asks for, decoded from its bytes alone (no camera): the commands
// and inquiries lensdesk answers, with their parameters. A message of the right form
// for none of them is Invalid (the syntax-error reply).
class ViscaCommand
{
public:
    enum class Op {
        Invalid,
        // Commands.
        PanTiltDrive,
        PanTiltAbsolute,
        PanTiltRelative,
        PanTiltHome,
        PanTiltReset,
        ZoomStop,
        ZoomTele,
        ZoomWide,
        ZoomDirect,
        FocusStop,
        FocusFar,
        FocusNear,
        FocusDirect,
        FocusAuto,
        FocusManual,
        FocusToggle,
        FocusOnePush,
        MemoryReset,
        MemorySet,
        MemoryRecall,
        IfClear,
        AddressSet,
        Cancel,
        // Inquiries.
        PowerInquiry,
        ZoomPositionInquiry,
        FocusPositionInquiry,
        FocusModeInquiry,
        PanTiltPositionInquiry,
        VersionInquiry,
    };

    // The speeds VISCA allows for pan (0x01..0x18) and tilt (0x01..0x14); a drive with
    // a speed beyond them moves at the nearest one.
    static constexpr int kMaxPanSpeed = 0x18;
    static constexpr int kMaxTiltSpeed = 0x14;
    // The zoom and focus speed of the commands without one.
    static constexpr int kStandardSpeed = 3;

    static ViscaCommand decode(const ViscaPacket &packet);

    Op op = Op::Invalid;
    bool isInquiry() const { return op >= Op::PowerInquiry; }
    bool isValid() const { return op != Op::Invalid; }

    // Drives: -1 left / down / wide / near, +1 right / up / tele / far, 0 stop.
    int panDirection = 0;
    int tiltDirection = 0;
    int panSpeed = 0;
    int tiltSpeed = 0;
    // Zoom and focus speed 0..7.
    int speed = kStandardSpeed;
    // Positions: pan and tilt as signed 16-bit, zoom and focus as 0..0xFFFF.
    qint16 pan = 0;
    qint16 tilt = 0;
    quint16 position = 0;
    // Memory number as sent (0x00..0x7F), address (address set), socket (cancel).
    int number = 0;
};
