// The emulated USB devices of the kernel harness: one rig camera from the simulated rig,
// presented on dummy_hcd through FunctionFS as a video-class camera (port 0) and, in its
// upgrade states, as a mass-storage volume (port 1). The rig
// decides when the device is on the bus and in which mode; this program follows it by
// binding and unbinding the gadget. Commands for the rig ("unplug cam1", "plug cam1",
// ...) arrive one per line on the FIFO /tmp/lensdesk-gadget.cmd; "report" writes what the
// device holds (firmware, flash, executed commands) to /tmp/lensdesk-gadget.report.done.
#include "GadgetBus.h"
#include "StorageFunction.h"
#include "UvcFunction.h"

#include "platform/DeviceChange.h"
#include "platform/sim/SimCamera.h"
#include "platform/sim/SimMassStorage.h"
#include "platform/sim/SimRig.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace {

const char kCommandFifo[] = "/tmp/lensdesk-gadget.cmd";
const char kReadyFile[] = "/tmp/lensdesk-gadget.ready";
const char kReportFile[] = "/tmp/lensdesk-gadget.report";

void say(const QString &text)
{
    std::fprintf(stderr, "[%10.3f] gadget: %s\n", bootSeconds(), qPrintable(text));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QString error;
    QByteArray rigJson = sim::SimRig::defaultRigJson();
    if (argc > 1) {
        QFile file(QString::fromLocal8Bit(argv[1]));
        if (!file.open(QIODevice::ReadOnly)) {
            say(QStringLiteral("cannot read the rig file"));
            return 2;
        }
        rigJson = file.readAll();
    }
    auto rig = sim::SimRig::fromJson(rigJson, &error);
    if (!rig || rig->cameras().isEmpty()) {
        say(QStringLiteral("no rig: %1").arg(error));
        return 2;
    }
    sim::SimCamera *camera = rig->cameras().first();

    GadgetBus cameraBus(QStringLiteral("lensdesk_cam"), QStringLiteral("dummy_udc.0"));
    GadgetBus::Identity identity;
    identity.vendorId = camera->vendorId();
    identity.productId = camera->productId();
    // Interface association: miscellaneous class, common class, IAD protocol.
    identity.deviceClass = 0xEF;
    identity.deviceSubClass = 0x02;
    identity.deviceProtocol = 0x01;
    identity.manufacturer = QStringLiteral("lensdesk harness");
    identity.product = camera->friendlyName();
    identity.serial = camera->key();
    if (!cameraBus.create(identity, &error)) {
        say(error);
        return 2;
    }
    UvcFunction uvc(*camera, cameraBus.functionDir());
    if (!uvc.start(&error)) {
        say(error);
        return 2;
    }

    GadgetBus storageBus(QStringLiteral("lensdesk_msc"), QStringLiteral("dummy_udc.1"));
    GadgetBus::Identity volumeIdentity;
    volumeIdentity.vendorId = camera->vendorId();
    volumeIdentity.productId = camera->productId();
    volumeIdentity.manufacturer = QStringLiteral("lensdesk harness");
    volumeIdentity.product = QStringLiteral("Upgrade volume");
    volumeIdentity.serial = camera->key() + QStringLiteral("-volume");
    if (!storageBus.create(volumeIdentity, &error)) {
        say(error);
        return 2;
    }
    StorageFunction storage(*camera, storageBus.functionDir());
    if (!storage.start(&error)) {
        say(error);
        return 2;
    }

    ::unlink(kCommandFifo);
    ::mkfifo(kCommandFifo, 0600);
    // Read and write, so that the FIFO never reports end of file between writers.
    const int fifo = ::open(kCommandFifo, O_RDWR | O_NONBLOCK);
    QByteArray pending;

    QTimer follow;
    bool ready = false;
    QObject::connect(&follow, &QTimer::timeout, [&] {
        char buffer[256];
        ssize_t n;
        while (fifo >= 0 && (n = ::read(fifo, buffer, sizeof buffer)) > 0)
            pending.append(buffer, int(n));
        int end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            if (line.isEmpty())
                continue;
            QString commandError;
            if (line == QLatin1String("report")) {
                // What the device holds, for the scenarios to read back.
                std::lock_guard<std::recursive_mutex> lock(rig->mutex());
                QFile file(QString::fromLatin1(kReportFile));
                if (file.open(QIODevice::WriteOnly)) {
                    file.write("firmware " + camera->firmwareVersion().toUtf8() + '\n');
                    for (const auto &flash : camera->storage().flashWrites())
                        file.write("flash " + flash.name.toUtf8() + ' ' + flash.digest.toHex() + '\n');
                    file.write("updater " + QCryptographicHash::hash(camera->storage().updaterImage(),
                                                                     QCryptographicHash::Md5).toHex() + '\n');
                    for (const QString &command : camera->storage().commandsExecuted())
                        file.write("executed " + command.toUtf8() + '\n');
                }
                file.close();
                QFile::rename(QString::fromLatin1(kReportFile), QString::fromLatin1(kReportFile) + QStringLiteral(".done"));
            } else if (!rig->command(line, &commandError))
                say(QStringLiteral("command \"%1\" refused: %2").arg(line, commandError));
            else
                say(QStringLiteral("command \"%1\"").arg(line));
        }
        rig->pump();
        bool present;
        sim::CameraMode mode;
        // Whether the device left the bus since the last look: it may be back already (a
        // restart shorter than this thread's delay on a busy machine, or the transport
        // thread's own pump), and the host must still see it go and come back.
        bool cameraLeft = false;
        bool volumeLeft = false;
        {
            std::lock_guard<std::recursive_mutex> lock(rig->mutex());
            present = camera->present();
            mode = camera->mode();
            for (const platform::DeviceChange &change : rig->raisedEvents()) {
                if (change.event != platform::kDbtDeviceRemoveComplete)
                    continue;
                cameraLeft = cameraLeft || change.classGuid == platform::kCaptureInterfaceClass;
                volumeLeft = volumeLeft || change.classGuid == platform::kDiskInterfaceClass;
            }
            rig->clearRaisedEvents();
        }
        const bool asCamera = present && mode == sim::CameraMode::Normal;
        if ((!asCamera || cameraLeft) && cameraBus.bound())
            say(cameraBus.unbind() ? QStringLiteral("camera unplugged") : QStringLiteral("camera does not unbind"));
        if (asCamera && !cameraBus.bound())
            say(cameraBus.bind() ? QStringLiteral("camera plugged") : QStringLiteral("camera does not bind"));
        const bool asVolume = present && mode != sim::CameraMode::Normal;
        if ((!asVolume || volumeLeft) && storageBus.bound()) {
            const bool gone = storage.leaveAfterCommand([&] { return storageBus.unbind(); }, 10000);
            say(gone ? QStringLiteral("volume unplugged") : QStringLiteral("volume does not unbind"));
        }
        if (asVolume && !storageBus.bound()) {
            storage.attach();
            say(storageBus.bind() ? QStringLiteral("volume plugged") : QStringLiteral("volume does not bind"));
        }
        if (!ready) {
            ready = true;
            QFile file(QString::fromLatin1(kReadyFile));
            if (file.open(QIODevice::WriteOnly))
                file.write("ready\n");
        }
    });
    follow.start(20);
    const int rc = app.exec();
    std::fflush(stderr);
    // The stream thread may sit in a write the host no longer reads.
    ::_exit(rc);
}
