#pragma once
#include "camera/CameraSetting.h"
#include "remote/ViscaCommand.h"
#include "remote/ViscaDrive.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class OpenCamera;
class ViscaPacket;
class ViscaTarget;

// Answers VISCA messages for one camera: decodes each message, does what it asks
// through the camera model (settings, presets, the rules of tracking and the model) and
// gives the reply messages in order. Commands answer ACK and completion, or "command
// not executable" when the camera's state forbids them or the camera does not take the
// value; inquiries answer with the camera's values read back. The position presets are
// lensdesk's own (memory 0..8 are presets 1..9).
class ViscaEngine : public QObject
{
    Q_OBJECT
public:
    // The socket every command is taken into (all complete before the reply).
    static constexpr int kSocket = 1;
    // The VISCA zoom position of the camera's tele end.
    static constexpr int kZoomPositionMax = 0x4000;
    static constexpr int kMemoryCount = 9;

    explicit ViscaEngine(ViscaTarget &target, QObject *parent = nullptr);
    ~ViscaEngine() override;

    // One VISCA message (address byte to 0xFF) from a client (any number naming it).
    QList<QByteArray> handle(const QByteArray &message, quint64 client);
    // The client left: a drive it started stops.
    void clientGone(quint64 client);

    ViscaDrive &drive() { return m_drive; }

    // The camera's zoom value of a VISCA zoom position and back, over the camera's range.
    static int zoomFromPosition(int position, int low, int high);
    static int positionFromZoom(int zoom, int low, int high);

private:
    // Why a command cannot run now; empty when it can.
    QString execute(const ViscaCommand &command, quint64 client);
    QString inquire(const ViscaCommand &command, QByteArray *data);
    QString motionRefusal(OpenCamera *camera);
    QString focusRefusal(OpenCamera *camera, bool manualOnly);
    QString panTiltTo(OpenCamera *camera, int pan, int tilt, bool clampToRange);
    QString writeChecked(OpenCamera *camera, SettingId id, int value);
    QString memory(OpenCamera *camera, const ViscaCommand &command);
    void startDrive(ViscaDrive::Axis axis, int direction, qint64 rate, quint64 client);

    ViscaTarget &m_target;
    ViscaDrive m_drive;
    quint64 m_driver = 0;
};
