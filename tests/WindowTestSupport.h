#pragma once
// What the window tests share: a rig built from JSON, a window over it sized as on a
// 1920x1080 display, and a capture of every log line.
#include "TestSupport.h"

#include "core/AppPaths.h"
#include "platform/DeviceChange.h"
#include "platform/sim/SimCamera.h"
#include "platform/sim/SimUvcCamera.h"
#include "ui/MainWindow.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QSettings>

#include <functional>
#include <memory>

namespace windowtest {

inline const QString kCameraName = QStringLiteral("Orvia Vista Pro Cam");

inline QByteArray rigJson(const QList<QJsonObject> &cameras)
{
    QJsonArray array;
    for (const QJsonObject &camera : cameras)
        array.append(camera);
    return QJsonDocument(QJsonObject{{QStringLiteral("cameras"), array}}).toJson();
}

inline QJsonObject camera(const QString &key, const QString &instance, QJsonObject extra = {})
{
    extra.insert(QStringLiteral("key"), key);
    extra.insert(QStringLiteral("instance"), instance);
    if (!extra.contains(QStringLiteral("friendlyName")))
        extra.insert(QStringLiteral("friendlyName"), kCameraName);
    return extra;
}

inline void writeProductLine(int productLine)
{
    QFile::remove(applicationDir() + QStringLiteral("/product.ini"));
    if (productLine < 0)
        return;
    QSettings settings(applicationDir() + QStringLiteral("/product.ini"), QSettings::IniFormat);
    settings.setValue(QStringLiteral("/product_model/main"), productLine);
}

// Sizes the window so that its frame (what the size rules measure) has this size.
inline void resizeFrame(QWidget *window, const QSize &frame)
{
    const QSize extra = window->frameGeometry().size() - window->size();
    window->resize(frame - extra);
    QCoreApplication::processEvents();
}

inline QPixmap picture(const QLabel *label)
{
    return label->pixmap(Qt::ReturnByValue);
}

// A window over its own rig, sized as on a 1920x1080 display at 100 %.
struct Fixture
{
    // beforeWindow prepares the rig or the clock before the window and its workers start.
    explicit Fixture(const QByteArray &rig = QByteArray(), int productLine = 2,
                     const std::function<void(testsupport::SimEnvironment &)> &beforeWindow = {})
        : env(rig)
    {
        if (beforeWindow)
            beforeWindow(env);
        writeProductLine(productLine);
        window = std::make_unique<MainWindow>();
        window->show();
        resizeFrame(window.get(), QSize(1536, 804));
    }

    template<class T>
    T *child(const char *name) const
    {
        T *found = window->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
    QListWidget *list() const { return child<QListWidget>("listWidgetCamera"); }
    QString itemPath(int row) const { return list()->item(row)->data(Qt::UserRole + 2).toString(); }
    bool hidden(const char *name) const { return child<QWidget>(name)->isHidden(); }
    sim::SimCamera *cam(const char *key) { return env.rig().camera(QLatin1String(key)); }

    testsupport::SimEnvironment env;
    std::unique_ptr<MainWindow> window;
};

inline QStringList g_log;
inline QtMessageHandler g_previousHandler = nullptr;

inline void recordMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    g_log.append(text);
    if (g_previousHandler && type >= QtWarningMsg)
        g_previousHandler(type, context, text);
}

// Captures every log line for the life of the object.
struct LogCapture
{
    LogCapture()
    {
        g_log.clear();
        g_previousHandler = qInstallMessageHandler(recordMessage);
    }
    ~LogCapture() { qInstallMessageHandler(g_previousHandler); }
    int indexOf(const QString &text) const { return g_log.indexOf(text); }
};

inline int propertySets(sim::SimCamera *camera, const QUuid &set, int id)
{
    int count = 0;
    for (const auto &request : camera->uvc().propertyRequests()) {
        if (request.propertySet == set && request.id == id && request.kind == 2)
            ++count;
    }
    return count;
}

inline QString capturePath(quint32 vendorId, quint32 productId, const QString &suffix = QStringLiteral("0000"),
                    const QUuid &interfaceClass = platform::kCaptureInterfaceClass)
{
    return QStringLiteral("\\\\?\\usb#vid_%1&pid_%2&mi_00#7&1a2b3c4d&0&%3#%4\\global")
        .arg(vendorId, 4, 16, QLatin1Char('0'))
        .arg(productId, 4, 16, QLatin1Char('0'))
        .arg(suffix, interfaceClass.toString(QUuid::WithBraces).toLower());
}


} // namespace windowtest
