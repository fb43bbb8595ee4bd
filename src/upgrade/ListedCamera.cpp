#include "upgrade/ListedCamera.h"

QString ListedCamera::stateText() const
{
    if (state == QLatin1String("rom"))
        return QStringLiteral("stuck in ROM");
    if (state == QLatin1String("updater"))
        return QStringLiteral("stuck in updater");
    if (state == QLatin1String("uboot"))
        return QStringLiteral("stuck in boot loader");
    return QStringLiteral("normal");
}

QJsonObject ListedCamera::toJsonObject() const
{
    QJsonObject o{{QStringLiteral("index"), number},
                  {QStringLiteral("state"), state},
                  {QStringLiteral("path"), path},
                  {QStringLiteral("name"), name}};
    if (isNormal()) {
        o.insert(QStringLiteral("model"), model);
        o.insert(QStringLiteral("firmware"), firmware);
        if (!serial.isEmpty())
            o.insert(QStringLiteral("serial"), serial);
    }
    return o;
}

QString ListedCamera::describe() const
{
    return QStringLiteral("#%1 \"%2\" (%3)").arg(number).arg(name, path);
}
