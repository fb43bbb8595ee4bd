#include "upgrade/ListedCamera.h"

#include "catalogue/Catalogue.h"

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

namespace {
QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}
} // namespace

bool ListedCamera::knowsModel() const
{
    return model != kUnknownModel;
}

QJsonObject ListedCamera::toJsonObject() const
{
    // The same members for every camera; what is not known is null.
    return QJsonObject{{QStringLiteral("index"), number},
                       {QStringLiteral("state"), state},
                       {QStringLiteral("path"), path},
                       {QStringLiteral("name"), name},
                       {QStringLiteral("model"), knowsModel() ? QJsonValue(model) : QJsonValue(QJsonValue::Null)},
                       {QStringLiteral("firmware"), textOrNull(isNormal() ? firmware : QString())},
                       {QStringLiteral("serial"), textOrNull(serial)},
                       {QStringLiteral("videoNode"), textOrNull(videoNode)}};
}

QString ListedCamera::describe() const
{
    return QStringLiteral("#%1 \"%2\" (%3)").arg(number).arg(name, path);
}
