#include "TestSupport.h"

#include "core/AppPaths.h"
#include "platform/Backend.h"
#include "platform/Clock.h"

#include <QDir>
#include <QTemporaryDir>

namespace testsupport {

namespace {
QTemporaryDir *g_home = nullptr;
QTemporaryDir *g_app = nullptr;
} // namespace

void prepareEnvironment()
{
    if (!g_home) {
        g_home = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/lensdesk-home-XXXXXX"));
        g_app = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/lensdesk-app-XXXXXX"));
        std::atexit([] {
            delete g_home;
            delete g_app;
        });
    }
    qputenv("HOME", g_home->path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (g_home->path() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (g_home->path() + QStringLiteral("/.local/share")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    setApplicationDirOverride(g_app->path());
}

QString homeDir()
{
    return g_home ? g_home->path() : QString();
}

QString appDir()
{
    return g_app ? g_app->path() : QString();
}

SimEnvironment::SimEnvironment(const QByteArray &rigJson)
{
    // A short real pause per virtual millisecond keeps polling threads (the abnormal-state
    // watcher) from taking a whole core and racing virtual time ahead.
    m_clock.setRealMicrosPerMs(1);
    platform::setClock(&m_clock);
    QString error;
    auto rig = sim::SimRig::fromJson(rigJson.isEmpty() ? sim::SimRig::defaultRigJson() : rigJson, &error);
    if (!rig)
        qFatal("rig does not load: %s", qPrintable(error));
    auto backend = std::make_unique<sim::SimBackend>(std::move(rig));
    m_backend = backend.get();
    platform::setBackend(std::move(backend));
}

SimEnvironment::~SimEnvironment()
{
    platform::setBackend(nullptr);
    platform::setClock(nullptr);
}

} // namespace testsupport
