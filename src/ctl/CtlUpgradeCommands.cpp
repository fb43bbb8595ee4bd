// lensdeskctl's upgrade and recover commands: the arguments and the words; the work is
// UpgradeBatch's.

#include "ctl/CtlUpgradeCommands.h"

#include "ctl/CameraSession.h"
#include "upgrade/UpgradeBatch.h"

#include "catalogue/Catalogue.h"

#include <QFile>
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

QString CtlUpgradeCommands::packageFileProblem(const QString &file)
{
    const QFileInfo info(file);
    if (!info.exists())
        return QStringLiteral("cannot read package %1: no such file").arg(file);
    if (info.isDir())
        return QStringLiteral("%1 is a directory, not a package").arg(file);
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read package %1: %2")
            .arg(file, info.isReadable() ? in.errorString().toLower() : QStringLiteral("permission denied"));
    // A zip archive starts with a local file header (or, empty, with its end record);
    // the packages are zip archives, whatever else the archive tool could unpack.
    const QByteArray magic = in.read(4);
    if (magic != QByteArray("PK\x03\x04", 4) && magic != QByteArray("PK\x05\x06", 4))
        return QStringLiteral("%1 is not a zip package").arg(file);
    return QString();
}

int CtlUpgradeCommands::preparePackage(UpgradeBatch &batch, const QString &file)
{
    // Unpacked and checked as the window does; the window's notice when it fails.
    QString toolMessage;
    const PackagePreparation::Result result = batch.preparePackage(QFileInfo(file).absoluteFilePath(), &toolMessage);
    if (result == PackagePreparation::Ready)
        return Done;
    // Another program's lock is no fault of the package.
    return m_output.fail(result == PackagePreparation::Busy ? Failed : BadUsage,
                         CtlOutput::plain(batch.preparation().failureNotice(result, toolMessage)));
}

QJsonObject CtlUpgradeCommands::packageJson(const UpgradeBatch &batch, const QString &file)
{
    const int model = batch.package().model();
    QString modelName;
    for (const ProductModel &row : productModelTable()) {
        if (row.model == model) {
            modelName = row.modelName;
            break;
        }
    }
    const QString version = batch.package().version();
    return QJsonObject{{QStringLiteral("file"), QFileInfo(file).absoluteFilePath()},
                       {QStringLiteral("model"), model},
                       {QStringLiteral("modelName"), modelName.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(modelName)},
                       {QStringLiteral("version"), version.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(version)}};
}

int CtlUpgradeCommands::takePackage(const CtlArguments &options, const QString &command, UpgradeBatch &batch,
                                    QString *file)
{
    if (options.positional.size() != 1)
        return m_output.usageError(QStringLiteral("%1 needs one PACKAGE").arg(command));
    *file = options.positional.first();
    const QString problem = packageFileProblem(*file);
    if (!problem.isEmpty())
        return m_output.fail(BadUsage, problem);
    if (!batch.lock())
        return m_output.fail(Failed, lockRefusal(batch));
    return Done;
}

int CtlUpgradeCommands::packageInfo(const CtlArguments &options)
{
    UpgradeBatch batch(m_productLine);
    QString file;
    if (const int code = takePackage(options, QStringLiteral("package-info"), batch, &file))
        return code;
    if (const int code = preparePackage(batch, file))
        return code;
    const QJsonObject package = packageJson(batch, file);
    if (m_output.isJson())
        return m_output.json(QJsonObject{{QStringLiteral("package"), package}}, Done);
    m_out << "file:     " << package.value(QStringLiteral("file")).toString() << '\n'
          << "model:    " << package.value(QStringLiteral("model")).toInt();
    if (!package.value(QStringLiteral("modelName")).isNull())
        m_out << " (" << package.value(QStringLiteral("modelName")).toString() << ')';
    m_out << '\n'
          << "version:  "
          << (package.value(QStringLiteral("version")).isNull() ? QStringLiteral("- (the package does not set it)")
                                                               : package.value(QStringLiteral("version")).toString())
          << '\n';
    return Done;
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
    // The lock, and then the package, stay until the end of the command.
    const int line = m_productLine;
    UpgradeBatch batch(line);
    batch.setForce(options.force);
    QString file;
    if (const int code = takePackage(options, QStringLiteral("upgrade"), batch, &file))
        return code;

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
    if (const int code = preparePackage(batch, file))
        return code;
    const QJsonObject package = packageJson(batch, file);
    if (options.dryRun) {
        QJsonArray rows;
        for (const UpgradeBatch::Outcome &outcome : batch.planUpgrade(targets))
            rows.append(CtlOutput::upgradeRow(outcome, false));
        return m_output.upgradeSummary(rows, package, true);
    }

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
    return m_output.upgradeSummary(rows, package, false);
}

int CtlUpgradeCommands::recover(const CtlArguments &options)
{
    UpgradeBatch batch(m_productLine);
    QString file;
    if (const int code = takePackage(options, QStringLiteral("recover"), batch, &file))
        return code;
    const QList<ListedCamera> stuck = batch.stuckCameras();
    if (stuck.isEmpty())
        return m_output.fail(NoCamera, QStringLiteral("no camera is stuck in a boot state"));
    if (const int code = preparePackage(batch, file))
        return code;
    const QJsonObject package = packageJson(batch, file);
    QJsonArray rows;
    if (options.dryRun) {
        for (const UpgradeBatch::Outcome &outcome : batch.planRecovery(stuck))
            rows.append(CtlOutput::upgradeRow(outcome, true));
        return m_output.upgradeSummary(rows, package, true);
    }

    follow(batch, true);
    for (const UpgradeBatch::Outcome &outcome : batch.recover(stuck))
        rows.append(CtlOutput::upgradeRow(outcome, true));
    return m_output.upgradeSummary(rows, package, false);
}
