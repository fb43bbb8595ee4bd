#include "platform/Backend.h"

#include "platform/linux/LinuxBackend.h"
#include "platform/sim/SimBackend.h"

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
    // Linux is this build's native platform.
    return std::make_unique<LinuxBackend>();
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
