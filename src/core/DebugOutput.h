#pragma once
#include <QString>

#include <functional>

namespace core {

// One line of diagnostic text for the debugger (OutputDebugStringW on Windows, standard
// error elsewhere).
void debuggerOutput(const QString &text);

// Replaces where debugger lines go (tests capture them); an empty function restores
// the platform's output.
void setDebuggerSink(std::function<void(const QString &)> sink);

} // namespace core
