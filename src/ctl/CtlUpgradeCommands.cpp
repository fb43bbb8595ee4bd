// lensdeskctl's upgrade and recover commands: the arguments and the words; the work is
// UpgradeBatch's.

#include "ctl/CtlUpgradeCommands.h"

#include "ctl/CameraSession.h"
#include "upgrade/UpgradeBatch.h"

#include <QFileInfo>
#include <QJsonArray>

#include <memory>

CtlUpgradeCommands::CtlUpgradeCommands(CtlOutput &output, QTextStream &out, QTextStream &err, bool terminal,
                                       int productLine, CameraChooser chooseCamera)
    : m_output(output)
    , m_out(out)
    , m_err(err)
    , m_terminal(terminal)
    , m_productLine(productLine)
    , m_chooseCamera(std::move(chooseCamera))
{
}

namespace {

// Why a command cannot take the user's upgrade lock.
QString lockRefusal(const UpgradeBatch &batch)
{
    return QStringLiteral("another lensdesk is upgrading a camera (process %1); try again when it has finished")
        .arg(batch.holderPid());
}

QString progressLabel(const ListedCamera &camera)
{
    return QStringLiteral("%1 %2").arg(camera.number).arg(camera.name);
}

} // namespace

int CtlUpgradeCommands::preparePackage(UpgradeBatch &batch, const QString &file)
{
    // Unpacked and checked as the window does; the window's notice when it fails.
    if (!QFileInfo(file).isFile())
        return m_output.fail(Failed, QStringLiteral("%1: no such package file").arg(file));
    QString toolMessage;
    const PackagePreparation::Result result = batch.preparePackage(QFileInfo(file).absoluteFilePath(), &toolMessage);
    if (result == PackagePreparation::Ready)
        return Done;
    return m_output.fail(Failed, CtlOutput::plain(batch.preparation().failureNotice(result, toolMessage)));
}

void CtlUpgradeCommands::follow(UpgradeBatch &batch, bool recovery)
{
    QObject::connect(&batch, &UpgradeBatch::cameraStarting, [this, recovery](const ListedCamera &camera,
                                                                             const QString &warning) {
        if (!warning.isEmpty()) {
            if (!m_output.isJson())
                m_err << "lensdeskctl: warning: " << warning << '\n';
            m_err.flush();
        }
        if (!m_output.isJson() && !m_terminal) {
            if (recovery)
                m_out << "Recovering the " << camera.name << ", " << camera.stateText() << '\n';
            else
                m_out << "Upgrading " << camera.describe() << " from firmware " << camera.firmware << '\n';
        }
        m_out.flush();
    });
    QObject::connect(&batch, &UpgradeBatch::progressChanged, [this](const ListedCamera &camera, int percent) {
        m_output.showProgress(progressLabel(camera), percent);
    });
    QObject::connect(&batch, &UpgradeBatch::workerEnded, [this] { m_output.endProgress(); });
    QObject::connect(&batch, &UpgradeBatch::cameraFinished, [this, recovery](const UpgradeBatch::Outcome &outcome) {
        if (!recovery && outcome.ran && !m_output.isJson() && !m_terminal)
            m_out << "Camera " << outcome.camera.number << ": "
                  << CtlOutput::upgradeRow(outcome, false).value(QStringLiteral("status")).toString() << '\n';
    });
}

int CtlUpgradeCommands::upgrade(const CtlArguments &options)
{
    if (options.positional.size() != 1)
        return m_output.fail(BadUsage, QStringLiteral("upgrade needs one PACKAGE\n") + CtlArguments::helpFor(QStringLiteral("upgrade")));
    if (options.all && !options.camera.isEmpty())
        return m_output.fail(BadUsage, QStringLiteral("upgrade takes --camera or --all, not both"));

    // The lock, and then the package, stay until the end of the command.
    const int line = m_productLine;
    UpgradeBatch batch(line);
    if (!batch.lock())
        return m_output.fail(Failed, lockRefusal(batch));

    const QList<ListedCamera> cameras = batch.cameras();
    // A camera stuck in a boot state is brought back first (recover), before the others
    // are upgraded.
    if (const ListedCamera *stuck = UpgradeBatch::firstStuck(cameras))
        return m_output.fail(Failed, QStringLiteral("camera %1 is %2; recover it first with lensdeskctl recover PACKAGE")
                                .arg(stuck->describe(), stuck->stateText()));
    QList<ListedCamera> targets;
    if (options.all) {
        targets = cameras;
        if (targets.isEmpty())
            return m_output.fail(NoCamera, QStringLiteral("no supported camera is plugged in"));
    } else {
        ListedCamera camera;
        if (const int code = m_chooseCamera(options.camera, &camera))
            return code;
        targets << camera;
    }
    if (const int code = preparePackage(batch, options.positional.first()))
        return code;

    follow(batch, false);
    std::unique_ptr<CameraSession> session;
    const auto open = [&session, line](const ListedCamera &camera, QString *error) -> UVCExtensionUnit * {
        session = std::make_unique<CameraSession>(line);
        if (!session->openCamera(camera, error))
            return nullptr;
        return &session->extensionUnit();
    };
    const auto close = [&session] {
        if (session)
            session->closeCamera();
    };
    QJsonArray rows;
    for (const UpgradeBatch::Outcome &outcome : batch.upgrade(targets, open, close))
        rows.append(CtlOutput::upgradeRow(outcome, false));
    return m_output.upgradeSummary(rows) ? Done : Failed;
}

int CtlUpgradeCommands::recover(const CtlArguments &options)
{
    if (options.positional.size() != 1)
        return m_output.fail(BadUsage, QStringLiteral("recover needs one PACKAGE\n") + CtlArguments::helpFor(QStringLiteral("recover")));
    UpgradeBatch batch(m_productLine);
    if (!batch.lock())
        return m_output.fail(Failed, lockRefusal(batch));
    const QList<ListedCamera> stuck = batch.stuckCameras();
    if (stuck.isEmpty())
        return m_output.fail(NoCamera, QStringLiteral("no camera is stuck in a boot state"));
    if (const int code = preparePackage(batch, options.positional.first()))
        return code;

    follow(batch, true);
    QJsonArray rows;
    for (const UpgradeBatch::Outcome &outcome : batch.recover(stuck))
        rows.append(CtlOutput::upgradeRow(outcome, true));
    return m_output.upgradeSummary(rows) ? Done : Failed;
}
