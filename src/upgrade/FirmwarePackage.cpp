#include "upgrade/FirmwarePackage.h"

FirmwarePackage::FirmwarePackage(const QString &folder, int model)
    : m_folder(folder)
    , m_model(model)
{
}

QString FirmwarePackage::resolveFile(const QByteArray &name, PackageFileProblem *problem) const
{
    if (m_folder.isEmpty()) {
        if (problem)
            *problem = PackageFileProblem::Missing;
        return QString();
    }
    return resolvePackageFile(m_folder, name, problem);
}
