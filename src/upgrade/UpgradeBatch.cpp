#include "upgrade/UpgradeBatch.h"

#include "camera/DShowCameraWrapper.h"
#include "catalogue/Catalogue.h"
#include "platform/Clock.h"
#include "upgrade/CameraInventory.h"
#include "upgrade/UpgradeRun.h"

#include <QDebug>
#include <QSet>

#include <algorithm>

namespace {

// The drives on which cameras sit in a boot state.
QSet<QChar> stuckDrives(const QList<ListedCamera> &stuck)
{
    QSet<QChar> drives;
    for (const ListedCamera &camera : stuck)
        drives.insert(camera.drive);
    return drives;
}

// Where a failed upgrade left its camera in a boot state: the camera stuck on a drive
// that held none before, or on the one given.
ListedCamera leftStuck(const QList<ListedCamera> &stuckNow, const QSet<QChar> &stuckBefore, QChar drive = QChar())
{
    for (const ListedCamera &camera : stuckNow) {
        if (drive.isNull() ? stuckBefore.contains(camera.drive) : camera.drive != drive)
            continue;
        return camera;
    }
    return ListedCamera();
}

} // namespace

UpgradeBatch::UpgradeBatch(int productLine, QObject *parent)
    : QObject(parent)
    , m_productLine(productLine)
{
}

bool UpgradeBatch::lock()
{
    return m_preparation.lock();
}

qint64 UpgradeBatch::holderPid() const
{
    return m_preparation.holderPid();
}

PackagePreparation::Result UpgradeBatch::preparePackage(const QString &archive, QString *toolMessage)
{
    const PackagePreparation::Result result = m_preparation.prepare(archive, *toolMessage);
    if (result == PackagePreparation::Ready)
        qDebug() << "firmware file model:" << package().model();
    return result;
}

QList<ListedCamera> UpgradeBatch::cameras() const
{
    return CameraInventory(m_productLine).scan();
}

QList<ListedCamera> UpgradeBatch::stuckCameras() const
{
    return CameraInventory(m_productLine).scanBootStates();
}

const ListedCamera *UpgradeBatch::firstStuck(const QList<ListedCamera> &cameras)
{
    for (const ListedCamera &camera : cameras) {
        if (!camera.isNormal())
            return &camera;
    }
    return nullptr;
}

UpgradeBatch::Outcome UpgradeBatch::finish(const Outcome &outcome)
{
    emit cameraFinished(outcome);
    return outcome;
}

bool UpgradeBatch::runWorker(const ListedCamera &camera, UVCExtensionUnit *unit, Outcome *outcome)
{
    UpgradeRun run(m_productLine, package());
    const UpgradeRun::Result result =
        run.run(unit, unit ? QChar() : camera.drive, [this, &camera](int percent) { emit progressChanged(camera, percent); });
    outcome->ran = true;
    if (!result.ok)
        outcome->detail = result.detail;
    return result.ok;
}

UpgradeBatch::Outcome UpgradeBatch::decideUpgrade(const ListedCamera &camera) const
{
    Outcome outcome;
    outcome.camera = camera;
    outcome.packageModel = package().model();
    outcome.packageVersion = package().version();
    outcome.modelChecked = true;
    outcome.status = Outcome::Planned;
    if (camera.model != outcome.packageModel) {
        outcome.status = Outcome::Refused;
        outcome.modelMismatch = true;
    } else if (!m_force && !outcome.packageVersion.isEmpty() && camera.firmware == outcome.packageVersion) {
        outcome.status = Outcome::Skipped;
    }
    return outcome;
}

UpgradeBatch::Outcome UpgradeBatch::decideRecovery(const ListedCamera &camera) const
{
    Outcome outcome;
    outcome.camera = camera;
    outcome.packageModel = package().model();
    outcome.packageVersion = package().version();
    outcome.status = Outcome::Planned;
    // Where the camera names its product in its boot state, its model is known.
    outcome.modelChecked = camera.model != kUnknownModel;
    if (outcome.modelChecked && camera.model != outcome.packageModel) {
        outcome.status = Outcome::Refused;
        outcome.modelMismatch = true;
    } else if (!outcome.modelChecked) {
        outcome.warning = QStringLiteral("the camera on %1: does not tell its model in its boot state; whether the "
                                         "package (model %2) fits it cannot be checked")
                              .arg(camera.drive)
                              .arg(outcome.packageModel);
    }
    return outcome;
}

QList<UpgradeBatch::Outcome> UpgradeBatch::planUpgrade(const QList<ListedCamera> &targets) const
{
    QList<Outcome> outcomes;
    for (const ListedCamera &camera : targets)
        outcomes << decideUpgrade(camera);
    return outcomes;
}

QList<UpgradeBatch::Outcome> UpgradeBatch::planRecovery(const QList<ListedCamera> &stuck) const
{
    QList<Outcome> outcomes;
    for (const ListedCamera &camera : stuck)
        outcomes << decideRecovery(camera);
    return outcomes;
}

QList<UpgradeBatch::Outcome> UpgradeBatch::upgrade(const QList<ListedCamera> &targets, const OpenCamera &open,
                                                   const CloseCamera &close)
{
    QList<Outcome> outcomes;
    for (const ListedCamera &camera : targets) {
        Outcome outcome = decideUpgrade(camera);
        if (outcome.status != Outcome::Planned) {
            outcomes << finish(outcome);
            continue;
        }
        outcome.status = Outcome::Failed;
        QString error;
        UVCExtensionUnit *unit = open ? open(camera, &error) : nullptr;
        if (!unit) {
            outcome.detail = error;
            outcomes << finish(outcome);
            continue;
        }
        emit cameraStarting(camera, QString());
        // A camera an earlier upgrade left stuck is no business of this one.
        const QSet<QChar> stuckBefore = stuckDrives(stuckCameras());
        const bool ok = runWorker(camera, unit, &outcome);
        if (close)
            close();
        if (ok)
            emit progressChanged(camera, 100);
        emit workerEnded(camera, ok);
        if (!ok) {
            outcome.leftStuck = leftStuck(stuckCameras(), stuckBefore);
        } else {
            outcome.status = Outcome::Done;
            outcome.firmwareAfter = waitForCamera(camera);
        }
        outcomes << finish(outcome);
    }
    return outcomes;
}

QList<UpgradeBatch::Outcome> UpgradeBatch::recover(const QList<ListedCamera> &stuck)
{
    QList<Outcome> outcomes;
    for (const ListedCamera &camera : stuck) {
        Outcome outcome = decideRecovery(camera);
        if (outcome.status != Outcome::Planned) {
            outcomes << finish(outcome);
            continue;
        }
        outcome.status = Outcome::Failed;
        if (!outcome.warning.isEmpty())
            qWarning().noquote() << outcome.warning;
        QList<ListedCamera> before;
        for (const ListedCamera &c : cameras()) {
            if (c.isNormal())
                before << c;
        }
        emit cameraStarting(camera, outcome.warning);
        qInfo("Enter the upgrade process of the camera in an abnormal state.");
        const bool ok = runWorker(camera, nullptr, &outcome);
        if (ok)
            emit progressChanged(camera, 100);
        emit workerEnded(camera, ok);
        if (!ok) {
            outcome.leftStuck = leftStuck(stuckCameras(), {}, camera.drive);
        } else {
            // The camera comes back as a camera once it has initialised: the one not
            // listed before.
            outcome.status = Outcome::Done;
            outcome.cameBackAs = waitForNewCamera(before);
            outcome.firmwareAfter = outcome.cameBackAs.firmware;
        }
        outcomes << finish(outcome);
    }
    return outcomes;
}

QString UpgradeBatch::waitForCamera(const ListedCamera &camera) const
{
    DShowCameraWrapper dshow;
    for (int waited = 0; waited < kCameraReturnWaitMs; waited += kCameraReturnPollMs) {
        platform::sleepMs(kCameraReturnPollMs);
        QList<CameraEntry> entries;
        dshow.listCaptureDevices(entries);
        for (const CameraEntry &entry : qAsConst(entries)) {
            if (entry.id == camera.path && entry.name == camera.name) {
                const QString version = CameraInventory::readFirmware(entry.id, entry.name);
                if (!version.isEmpty())
                    return version;
            }
        }
    }
    return QString();
}

ListedCamera UpgradeBatch::waitForNewCamera(const QList<ListedCamera> &before) const
{
    ListedCamera back;
    for (int waited = 0; waited < kCameraReturnWaitMs && back.firmware.isEmpty(); waited += kCameraReturnPollMs) {
        platform::sleepMs(kCameraReturnPollMs);
        for (const ListedCamera &c : cameras()) {
            const bool known = std::any_of(before.begin(), before.end(),
                                           [&c](const ListedCamera &b) { return b.path == c.path; });
            if (c.isNormal() && !known && !c.firmware.isEmpty())
                back = c;
        }
    }
    return back;
}
