#include "upgrade/PackagePreparation.h"

#include "app/AppPaths.h"
#include "upgrade/PackageFiles.h"
#include "upgrade/Zip7z.h"

#include <QDebug>

PackagePreparation::Result PackagePreparation::prepare(const QString &archive, int &model, QString &toolMessage)
{
    cleanPackageFiles();
    if (!Zip7z::extract(archive, packageDir(), toolMessage)) {
        qWarning() << "extract failed:" << toolMessage;
        return UnpackFailed;
    }
    if (!checkPackageFiles())
        return FormatWrong;
    if (!readPackageModel(model))
        return Corrupted;
    return Ready;
}
