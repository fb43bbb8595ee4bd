#include "upgrade/UpgradeScript.h"

#include "upgrade/MassStorageTransport.h"

#include <QFile>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMaxCommandLength = 1023;
constexpr int kCommandAttempts = 2;

const char kResetStatusCommand[] = "setenv ota_upgrade_status 0";
const char kSaveCommand[] = "saveenv";
const char kResetCommand[] = "reset";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Reads the next line without its LF and the CR right before it; false at the end of
// the file or on a read error.
bool readScriptLine(QFile &file, QByteArray *line)
{
    if (file.atEnd())
        return false;
    *line = file.readLine();
    if (line->isEmpty() && file.error() != QFileDevice::NoError)
        return false;
    if (line->endsWith('\n')) {
        line->chop(1);
        if (line->endsWith('\r'))
            line->chop(1);
    }
    return true;
}

// The n-th word (0-based) of a normalised line; empty when missing.
QByteArray word(const QList<QByteArray> &words, int index)
{
    return index < words.size() ? words.at(index) : QByteArray();
}

// The load address of a "tftp" line: hexadecimal, "0x" allowed, trailing characters
// ignored, but at least one digit and nothing beyond 32 bits.
bool parseLoadAddress(const QByteArray &text, std::uint32_t *address)
{
    const char *begin = text.constData();
    char *end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(begin, &end, 16);
    if (end == begin || errno == ERANGE || value > 0xFFFFFFFFull || text.startsWith('-'))
        return false;
    *address = std::uint32_t(value);
    return true;
}

int runScript(const char *path, int depth);

// Sends one boot-loader command line and waits for its acknowledgement; 0 or -1.
int runCommand(const QByteArray &line)
{
    const char *text = line.constData();
    if (line.size() > kMaxCommandLength) {
        qDebug("command is too long to support. cmd: %s\n", text);
        return -1;
    }
    for (int attempt = 1; attempt <= kCommandAttempts; ++attempt) {
        sendCommand(text, std::uint32_t(line.size()));
        std::uint8_t status[4];
        std::memset(status, 0xFF, sizeof status);
        readStatus(status, sizeof status, 0);
        if (statusAcknowledged(status))
            return 0;
        qDebug("%s [retry %d]\n", text, attempt);
    }
    if (line == kSaveCommand) {
        // The boot loader may be busy writing the environment; the upgrade counts it done.
        qDebug("Think ok.\n");
        return 1;
    }
    qDebug("USB scsi run cmd timeout.\n");
    return -1;
}

int runScript(const char *path, int depth)
{
    if (depth > kMaxScriptNesting) {
        qDebug("script nesting deeper than %d: %s\n", kMaxScriptNesting, path);
        return -1;
    }
    QFile file(QString::fromLocal8Bit(path));
    if (!*path || !file.open(QIODevice::ReadOnly)) {
        qDebug("open script fail: %s\n", path);
        return -1;
    }
    QByteArray raw;
    while (readScriptLine(file, &raw)) {
        const QByteArray line = normaliseScriptLine(raw);
        if (line.isEmpty() || line.startsWith('#') || line.startsWith('%'))
            continue;
        qDebug("%s\n", line.constData());
        const QList<QByteArray> words = line.split(' ');
        const QByteArray keyword = words.at(0);
        if (keyword == "estar") {
            const QByteArray name = word(words, 1);
            if (runScript(name.constData(), depth + 1) != 0) {
                qDebug("parse script fail: %s\n", name.constData());
                return -1;
            }
        } else if (keyword == "tftp") {
            const QByteArray addressWord = word(words, 1);
            const QByteArray name = word(words, 2);
            std::uint32_t address = 0;
            if (!parseLoadAddress(addressWord, &address)) {
                qDebug("invalid load address: %s\n", addressWord.constData());
                return -1;
            }
            if (loadFileToDevice(name.constData(), address) != 0) {
                qDebug("load file fail: %s\n", name.constData());
                return -1;
            }
        } else if (keyword == "reset") {
            sendCommand(kResetStatusCommand, std::uint32_t(std::strlen(kResetStatusCommand)));
            sendCommand(kSaveCommand, std::uint32_t(std::strlen(kSaveCommand)));
            sendCommand(kResetCommand, std::uint32_t(std::strlen(kResetCommand)));
            return 0;
        } else {
            const int result = runCommand(line);
            if (result < 0)
                return -1;
            if (result > 0)
                return 0; // an unacknowledged "saveenv" ends this script with success
        }
    }
    return 0;
}

} // namespace

QByteArray normaliseScriptLine(const QByteArray &line)
{
    QByteArray out;
    out.reserve(line.size());
    bool pendingSpace = false;
    for (const char c : line) {
        if (isBlank(c)) {
            pendingSpace = !out.isEmpty();
            continue;
        }
        if (pendingSpace)
            out.append(' ');
        pendingSpace = false;
        out.append(c);
    }
    return out;
}

int runUpgradeScript(const char *path)
{
    return runScript(path ? path : "", 0);
}
