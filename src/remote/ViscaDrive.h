#pragma once
#include <QObject>
#include <QTimer>

class ViscaTarget;

// A continuous VISCA drive (pan, tilt, zoom, focus) made of steps: every kTickMs of the
// clock in force each moving axis goes on by its speed, in the camera's own units, read
// back and written as one value. An axis stops at its limit, on a stop command, or when
// the camera does not take a step; every axis stops when the client that drives has
// been silent for kSilenceMs (its stop may have been lost).
class ViscaDrive : public QObject
{
    Q_OBJECT
public:
    enum Axis { Pan, Tilt, Zoom, Focus };
    static constexpr int kAxes = 4;
    static constexpr int kTickMs = 50;
    static constexpr int kSilenceMs = 5000;

    explicit ViscaDrive(ViscaTarget &target, QObject *parent = nullptr);
    ~ViscaDrive() override;

    // Moves an axis on (+1 / -1; 0 stops it) at this many thousandths of a unit per
    // second.
    void drive(Axis axis, int direction, qint64 milliUnitsPerSecond);
    void stop(Axis axis);
    void stopAll();
    bool isMoving() const;
    bool isMoving(Axis axis) const { return m_axes[axis].direction != 0; }
    // The client that drives was heard from: its silence starts again.
    void heard() { m_silentMs = 0; }

private:
    void tick();
    bool step(Axis axis, int units);

    struct Motion
    {
        int direction = 0;
        qint64 rate = 0;
        qint64 carry = 0; // thousandths of a unit not yet moved
    };
    ViscaTarget &m_target;
    QTimer m_timer;
    Motion m_axes[kAxes];
    int m_silentMs = 0;
};
