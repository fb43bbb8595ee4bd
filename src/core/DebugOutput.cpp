#include "core/DebugOutput.h"

#include <mutex>
#include <string>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include <cstdio>

namespace core {

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
#ifdef Q_OS_WIN
    const std::wstring wide = text.toStdWString();
    OutputDebugStringW(wide.c_str());
#else
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
#endif
}

void setDebuggerSink(std::function<void(const QString &)> sink)
{
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    g_sink = std::move(sink);
}

} // namespace core
