#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>

// What every fuzz target shares: one application object for the Qt pieces that ask for
// it, a silent log (the product logs every refused input, which would only slow the
// fuzzer down), and a scratch folder of the process's own.
namespace fuzzsupport {

// Creates the application object and silences the log; call at the top of every input.
void start();
// A folder of this process, removed at its exit.
QString scratchDir();
void writeFile(const QString &path, const QByteArray &content);
// The input as a byte array (no copy: valid for this input only).
QByteArray bytes(const std::uint8_t *data, std::size_t size);
// The input cut at every occurrence of the separator.
QList<QByteArray> split(const QByteArray &data, const QByteArray &separator);

} // namespace fuzzsupport
