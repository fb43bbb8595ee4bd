#include "platform/DebugOutput.h"

#include <mutex>

#include <cstdio>

namespace platform {

namespace {
std::mutex g_sinkMutex;
std::function<void(const QString &)> g_sink;
} // namespace

void debuggerOutput(const QString &text)
{
    {
        std::lock_guard<std::mutex> lock(g_sinkMutex);
        if (g_sink) {
            g_sink(text);
            return;
        }
    }
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

void setDebuggerSink(std::function<void(const QString &)> sink)
{
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    g_sink = std::move(sink);
}

} // namespace platform
