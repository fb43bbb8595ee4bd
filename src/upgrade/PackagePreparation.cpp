#include "upgrade/PackagePreparation.h"

#include "core/AppPaths.h"
#include "core/NoticeTexts.h"
#include "upgrade/PackageFiles.h"
#include "upgrade/Zip7z.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QTemporaryDir>

namespace {
const char kUpdater[] = "usb_updater.bin";
} // namespace

PackagePreparation::PackagePreparation() = default;

PackagePreparation::~PackagePreparation()
{
    release();
}

bool PackagePreparation::lock()
{
    return m_lock.tryLock();
}

qint64 PackagePreparation::holderPid() const
{
    return m_lock.holder();
}

QString PackagePreparation::holderProgram() const
{
    return m_lock.holderProgram();
}

PackagePreparation::Result PackagePreparation::prepare(const QString &archive, QString &toolMessage)
{
    if (!lock()) {
        qWarning() << "Another program is upgrading a camera; process" << holderPid() << holderProgram();
        return Busy;
    }
    removeFolder();
    const QString root = packageDir();
    // Nobody unpacks while the lock is held: what lies there of this process, or of one
    // that is gone, is left over.
    removeStalePackageFolders(root, true);
    QTemporaryDir dir(processFolderTemplate(root));
    if (!dir.isValid()) {
        toolMessage = QCoreApplication::translate("Zip7z", "Cannot create a folder in %1.").arg(root)
                      + QLatin1Char('\n') + QCoreApplication::translate("Zip7z", "Unable to perform decompression");
        return UnpackFailed;
    }
    dir.setAutoRemove(false);
    m_folder = dir.path();
    if (!Zip7z::extract(archive, m_folder, toolMessage)) {
        qWarning() << "extract failed:" << toolMessage;
        return UnpackFailed;
    }
    if (!checkPackageFiles(m_folder))
        return FormatWrong;
    keepUpdater();
    // A model file that cannot be opened still counts as read, as model 0.
    int model = 0;
    const bool modelRead = readPackageModel(m_folder, model);
    m_package = FirmwarePackage(m_folder, modelRead ? model : 0);
    return modelRead ? Ready : Corrupted;
}

QString PackagePreparation::failureNotice(Result result, const QString &toolWords) const
{
    switch (result) {
    case Ready:
        break;
    case Busy:
        return notices::upgradeLockHeld(holderProgram(), holderPid());
    case UnpackFailed:
        return notices::unpackFailed(toolWords);
    case FormatWrong:
        return notices::packageFormatWrong();
    case Corrupted:
        return notices::packageCorrupted();
    }
    return QString();
}

void PackagePreparation::keepUpdater()
{
    // The updater program of the camera's boot ROM outlives its package: a later package
    // that brings none uses the last one brought (it is kept in the package folder).
    const QString root = packageDir();
    const QString kept = root + QLatin1Char('/') + QLatin1String(kUpdater);
    const QString own = resolvePackageFile(m_folder, QByteArray(kUpdater), nullptr);
    if (!own.isEmpty()) {
        removePath(kept);
        if (!QFile::copy(own, kept))
            qWarning() << "Cannot keep" << kUpdater << "in" << root;
        return;
    }
    const QString leftover = resolvePackageFile(root, QByteArray(kUpdater), nullptr);
    if (!leftover.isEmpty() && !QFile::copy(leftover, m_folder + QLatin1Char('/') + QLatin1String(kUpdater)))
        qWarning() << "Cannot take" << kUpdater << "from" << root;
}

void PackagePreparation::removeFolder()
{
    m_package = FirmwarePackage();
    if (m_folder.isEmpty())
        return;
    removePath(m_folder);
    m_folder.clear();
}

void PackagePreparation::release()
{
    removeFolder();
    m_lock.unlock();
}
