#include "upgrade/UpgradeScript.h"

#include "upgrade/MassStorageTransport.h"
#include "upgrade/PackageFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
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

} // namespace

UpgradeScript::UpgradeScript(platform::Volume *device, const FirmwarePackage &package)
    : m_device(device)
    , m_package(package)
{
}

void UpgradeScript::setStopCheck(std::function<bool()> stopRequested)
{
    m_stopRequested = std::move(stopRequested);
}

void UpgradeScript::reset()
{
    m_scriptRuns = 0;
    m_commands = 0;
    m_downloadBytes = 0;
}

int UpgradeScript::check(const char *path)
{
    const QByteArray name(path ? path : "");
    reset();
    m_checking = true;
    const int result = runScript(name, 0);
    m_checking = false;
    if (result != 0)
        qDebug("package check failed, nothing sent: %s\n", name.constData());
    return result;
}

int UpgradeScript::run(const char *path)
{
    if (check(path) != 0)
        return -1;
    reset();
    return runScript(QByteArray(path ? path : ""), 0);
}

// The path of a package file, or empty after logging why the name cannot be used (a
// missing file is left to the caller's own message).
QString UpgradeScript::resolve(const QByteArray &name)
{
    PackageFileProblem problem = PackageFileProblem::None;
    const QString path = m_package.resolveFile(name, &problem);
    if (problem == PackageFileProblem::Outside)
        qDebug("file outside the package: %s\n", name.constData());
    else if (problem == PackageFileProblem::NotRegular)
        qDebug("not a regular file: %s\n", name.constData());
    return path;
}

// Sends one boot-loader command line and waits for its acknowledgement: 0, 1 for an
// unacknowledged "saveenv" (the script ends with success), or -1.
int UpgradeScript::runCommand(const QByteArray &line)
{
    const char *text = line.constData();
    for (int attempt = 1; attempt <= kCommandAttempts; ++attempt) {
        sendCommand(m_device, text, std::uint32_t(line.size()));
        std::uint8_t status[4];
        std::memset(status, 0xFF, sizeof status);
        readStatus(m_device, status, sizeof status, 0);
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

// A "tftp" line: 0 or -1.
int UpgradeScript::loadFile(const QByteArray &addressWord, const QByteArray &name)
{
    std::uint32_t address = 0;
    if (!parseLoadAddress(addressWord, &address)) {
        qDebug("invalid load address: %s\n", addressWord.constData());
        return -1;
    }
    const QString path = resolve(name);
    if (path.isEmpty()) {
        qDebug("load file fail: %s\n", name.constData());
        return -1;
    }
    const qint64 size = transferFileSize(path);
    if (size <= 0 || size > kMaxDownloadFileSize) {
        qDebug(size == 0 ? "empty file: %s\n" : "file too large: %s\n", name.constData());
        qDebug("load file fail: %s\n", name.constData());
        return -1;
    }
    m_downloadBytes += size;
    if (m_downloadBytes > kMaxDownloadBytes) {
        qDebug("script work limit reached: more than %lld bytes to download\n",
               static_cast<long long>(kMaxDownloadBytes));
        return -1;
    }
    if (m_checking)
        return 0;
    if (loadFileToDevice(m_device, path, address) != 0) {
        qDebug("load file fail: %s\n", name.constData());
        return -1;
    }
    return 0;
}

int UpgradeScript::runScript(const QByteArray &name, int depth)
{
    const char *printable = name.constData();
    if (depth > kMaxNesting) {
        qDebug("script nesting deeper than %d: %s\n", kMaxNesting, printable);
        return -1;
    }
    if (++m_scriptRuns > kMaxScriptRuns) {
        qDebug("script work limit reached: more than %d script runs\n", kMaxScriptRuns);
        return -1;
    }
    const QString path = resolve(name);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        qDebug("open script fail: %s\n", printable);
        return -1;
    }
    if (file.size() > kMaxScriptSize) {
        qDebug("script too large: %s\n", printable);
        return -1;
    }
    QByteArray raw;
    while (readScriptLine(file, &raw)) {
        const QByteArray line = normaliseScriptLine(raw);
        if (line.isEmpty() || line.startsWith('#') || line.startsWith('%'))
            continue;
        if (!m_checking) {
            // Between two lines is where a stop takes effect: never inside a transfer.
            if (m_stopRequested && m_stopRequested()) {
                qDebug("upgrade stopped.\n");
                return -1;
            }
            qDebug("%s\n", line.constData());
        }
        if (++m_commands > kMaxCommands) {
            qDebug("script work limit reached: more than %d commands\n", kMaxCommands);
            return -1;
        }
        const QList<QByteArray> words = line.split(' ');
        const QByteArray keyword = words.at(0);
        if (keyword == "estar") {
            const QByteArray nested = word(words, 1);
            if (runScript(nested, depth + 1) != 0) {
                qDebug("parse script fail: %s\n", nested.constData());
                return -1;
            }
        } else if (keyword == "tftp") {
            if (loadFile(word(words, 1), word(words, 2)) != 0)
                return -1;
        } else if (keyword == "reset") {
            // Nothing after "reset" is read, in a check as in a run.
            if (!m_checking) {
                sendCommand(m_device, kResetStatusCommand, std::uint32_t(std::strlen(kResetStatusCommand)));
                sendCommand(m_device, kSaveCommand, std::uint32_t(std::strlen(kSaveCommand)));
                sendCommand(m_device, kResetCommand, std::uint32_t(std::strlen(kResetCommand)));
            }
            return 0;
        } else {
            if (line.size() > kMaxCommandLength) {
                qDebug("command is too long to support. cmd: %s\n", line.constData());
                return -1;
            }
            if (m_checking)
                continue;
            const int result = runCommand(line);
            if (result < 0)
                return -1;
            if (result > 0)
                return 0; // an unacknowledged "saveenv" ends this script with success
        }
    }
    return 0;
}

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

int runUpgradeScript(platform::Volume *device, const FirmwarePackage &package, const char *path)
{
    UpgradeScript script(device, package);
    return script.run(path);
}
