#include "platform/Backend.h"

#include "platform/sim/SimBackend.h"
#ifdef Q_OS_WIN
#include "platform/windows/WindowsBackend.h"
#else
#include "platform/linux/LinuxBackend.h"
#endif

#include <QMutex>
#include <QtGlobal>

namespace platform {

namespace {
QMutex g_backendMutex;
std::unique_ptr<Backend> g_backend;

std::unique_ptr<Backend> selectFromEnvironment()
{
    const QByteArray choice = qgetenv("LENSDESK_BACKEND").trimmed().toLower();
    if (choice == "sim")
        return sim::SimBackend::fromEnvironment();
#ifdef Q_OS_WIN
    return std::make_unique<WindowsBackend>();
#else
    // Linux is this build's native platform.
    return std::make_unique<LinuxBackend>();
#endif
}
} // namespace

Backend &backend()
{
    QMutexLocker lock(&g_backendMutex);
    if (!g_backend)
        g_backend = selectFromEnvironment();
    return *g_backend;
}

void setBackend(std::unique_ptr<Backend> b)
{
    QMutexLocker lock(&g_backendMutex);
    g_backend = std::move(b);
}

bool hasBackend()
{
    QMutexLocker lock(&g_backendMutex);
    return g_backend != nullptr;
}

} // namespace platform
